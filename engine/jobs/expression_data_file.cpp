// The table is written through a file that replaces the old one only when complete, so a
// failed or stopped export leaves the old file as it was; appending copies the old file
// into the new one first.
#include "engine/jobs/expression_data_file.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <span>
#include <sstream>
#include <string_view>

#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/jobs/decimal_text.hpp"
#include "engine/model/model.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "platform/chunk_reader.hpp"
#include "platform/file_replacement.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/path.hpp"
#include "platform/replacement_stream.hpp"

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;
// Rows one thread formats at a time.
constexpr std::size_t kRowsPerPiece = 64;

// Room one sample's columns may take: two numbers (each written with room to spare past
// its end), a call name and the tabs.
constexpr std::size_t kSampleRoom = 3 * kSixDigitsRoom + 16;

std::string_view SnpCallName(char call) {
  const auto code = static_cast<unsigned char>(call);
  return code < kSnpCallNames.size() ? kSnpCallNames[code] : kSnpCallNames[kSnpCallNoCall];
}

std::string_view PsiModeName(int mode) {
  switch (mode) {
    case kPsiReadAndUse:
      return "Read and use";
    case kPsiWrite:
      return "Write";
    default:
      return "Do not use";
  }
}

const char* YesNo(int flag) {
  return flag != 0 ? "Yes" : "No";
}

void AppendNumber(std::string& line, double value) {
  char text[kSixDigitsRoom];
  line.append(text, FormatSixDigits(text, value));
}

// Copies the file that an append adds to into the new file; a file not there yet is
// empty. False when it is there and cannot be read whole.
bool CopyOldFile(const std::string& path, platform::FileReplacement& file) {
  if (!platform::FileExists(path)) return true;
  platform::ChunkReader reader;
  if (!reader.Open(path) || !reader.Allocate(kChunk)) return false;
  for (;;) {
    const bool full = reader.Fill(kChunk);
    if (reader.Failed()) return false;
    if (reader.Available() > 0 && !file.Write(std::span(reader.Data(), reader.Available())))
      return false;
    reader.Consume(reader.Available());
    if (!full) return true;
  }
}

std::string HeaderBlock(const Group& group, const std::string& path) {
  const GroupSettings& s = group.Settings();
  std::string text;
  text.append(kExpressionFileHeading).append("\n");
  text.append("FileName=").append(path).append("\n");
  text.append("\n");
  text.append("BaselineArray=")
      .append(group.Normalized ? group.Array(group.BaselineArray).dataFile : "Not normalized")
      .append("\n");
  text.append("ModelMethod=").append(ModelMethodName(s.MODEL_METHOD)).append("\n");
  text.append("CheckOutlier=");
  if (s.DETECT_SINGLE_OUTLIER != 0) text.append("Single,");
  if (s.DETECT_ARRAY_OUTLIER != 0) text.append("Array,");
  if (s.DETECT_PROBE_OUTLIER != 0) text.append("Probe,");
  text.append("\n");
  text.append("ImageSpikeAsSingleOutlier=").append(YesNo(s.HANDLE_IMAGE_SPIKE)).append("\n");
  text.append("ArrayListFile=").append(s.ARRAY_LIST_FILE).append("\n");
  text.append("ReplicateNotAllOutlier=").append(YesNo(s.NO_REP_ARRAY_OUTLIER)).append("\n");
  text.append("LogTransformed=").append(YesNo(group.Logged ? 1 : 0)).append(" (with base ");
  AppendNumber(text, s.LOG_BASE);
  text.append(")\n");
  text.append("TruncateLowValue=").append(YesNo(s.TRUNCATE)).append(" (to value ");
  AppendNumber(text, s.TRUNCATE_VALUE);
  text.append(")\n");
  text.append("TruncateToAbsentPercent=").append(YesNo(s.TRUNCATE_PCT)).append(" (to percent ");
  text.append(std::to_string(s.TRUNCATE_PCT_VALUE)).append(")\n");
  text.append("PSIFileUsage=")
      .append(PsiModeName(s.PSI_MODE))
      .append(" (")
      .append(s.PSI_FILE_NAME)
      .append(")\n");
  text.append("OutputArrayOutlierAsBlank=").append(YesNo(s.ALLOW_MISSING)).append("\n");
  text.append("OutputBothSignalAndCall=").append(YesNo(s.HAS_BOTH)).append("\n");
  text.append("OutputStandardError=").append(YesNo(s.HAS_STD)).append("\n");
  text.append("Date=").append(group.DateText).append("\n");
  text.append(kExpressionDataHeading).append("\n");
  return text;
}

// The class file goes with a complete table only, from the column the views show (the
// first one when none is chosen).
bool WriteGctClassFile(const std::string& path) {
  int column = SampleInfo.SelectedColumn(0);
  if (column < 0 || column >= SampleInfo.ColumnCount()) column = 0;
  return SampleInfo.WriteClassFile(ChangeExtension(path, ".cls"), column);
}

// Formats the rows a batch at a time, each batch in pieces on several threads, while one
// more task writes the batch before in order; a stop between batches ends the export. The
// writing task is handed out first, so that it runs beside the formatting rather than
// after it.
bool WriteRows(const ExpressionRows& rows, const std::vector<int>& units, std::ostream& stream) {
  const int threads = platform::WorkerThreadCount();
  const int pieces = 4 * threads;
  // Two sets of texts, one filled while the other is written; kept for the next export,
  // so their memory is not fresh again.
  static std::array<std::vector<std::string>, 2> texts;
  for (auto& set : texts) set.resize(static_cast<std::size_t>(pieces));
  const auto write = [&stream](std::vector<std::string>& set) {
    for (std::string& text : set) {
      stream.write(text.data(), static_cast<std::streamsize>(text.size()));
      text.clear();
    }
  };
  JobProgress& progress = Progress();
  std::size_t filled = 0;  // the set the last batch went into
  bool pending = false;
  for (std::size_t done = 0; done < units.size();) {
    const std::size_t batch =
        std::min(units.size() - done, kRowsPerPiece * static_cast<std::size_t>(pieces));
    const std::size_t per =
        (batch + static_cast<std::size_t>(pieces) - 1) / static_cast<std::size_t>(pieces);
    const std::size_t fill = pending ? 1 - filled : filled;
    platform::RunTasks(pieces + 1, threads, [&](int task, bool) {
      if (task == 0) {
        if (pending) write(texts[filled]);
        return;
      }
      const int piece = task - 1;
      std::string& text = texts[fill][static_cast<std::size_t>(piece)];
      text.clear();
      const std::size_t first = done + per * static_cast<std::size_t>(piece);
      const std::size_t last = std::min(done + batch, first + per);
      for (std::size_t k = first; k < last; ++k) rows.AppendRow(text, units[k]);
    });
    filled = fill;
    pending = true;
    done += batch;
    progress.Pump();
    if (progress.Stopped()) return false;
  }
  if (pending) write(texts[filled]);
  return true;
}

}  // namespace

ExpressionRows::ExpressionRows() {
  const Group& group = TheGroup();
  const GroupSettings& s = group.Settings();
  mSnp = ArrayType != 0;
  mSnpWithoutValues = mSnp && !group.Modelled;
  mHasBoth = s.HAS_BOTH != 0 && !mSnpWithoutValues;
  mHasStd = s.HAS_STD != 0;
  mGct = s.GCT_FORMAT != 0;
  mNameLast = s.NAME_LAST != 0;
  mOutputAcc = s.OUTPUT_ACC != 0;
  mLocusLinkName = s.LOCUS_LINK_NAME != 0;
  mGenes = ExportGeneInfo();
  for (int sample = 0; sample < SampleGrouping.SampleCount(); ++sample)
    if (SampleGrouping.Selected(sample)) mSamples.push_back(sample);
  mLine.reserve(4096);
}

void ExpressionRows::WriteColumnTitles(std::ostream& stream) {
  mLine.assign("probe set\t");
  if (mGct) {
    mLine.append("description\t");
  } else if (mGenes) {
    if (!mNameLast) mLine.append("gene\t");
    if (mOutputAcc) mLine.append("Accession\tLocusLink\tDescription\t");
  }
  for (const int sample : mSamples) {
    const std::string& name = SampleGrouping.SampleName(sample);
    mLine.append(name).append("\t");
    if (mHasBoth) mLine.append(name).append(" call\t");
    if (mHasStd) mLine.append(name).append(" SE\t");
  }
  if (mNameLast && mGenes && !mGct) mLine.append("gene\t");
  mLine.push_back('\n');
  stream.write(mLine.data(), static_cast<std::streamsize>(mLine.size()));
}

void ExpressionRows::AppendGeneColumns(std::string& text, int unit, bool last) const {
  if (!mGenes) {
    if (mGct && !last) text.push_back('\t');
    return;
  }
  const ExportGeneColumns columns = mGenes(unit);
  if (last) {
    if (mNameLast && !mGct) text.append(columns.gene).push_back('\t');
    return;
  }
  if (mGct) {
    text.append(mLocusLinkName ? columns.gene : columns.description).push_back('\t');
    return;
  }
  if (!mNameLast) text.append(columns.gene).push_back('\t');
  if (mOutputAcc) {
    text.append(columns.accession).push_back('\t');
    text.append(columns.locusLink).push_back('\t');
    text.append(columns.description).push_back('\t');
  }
}

void ExpressionRows::AppendRow(std::string& text, int unit) const {
  const Group& group = TheGroup();
  text.append(Layout.units[static_cast<std::size_t>(unit)].Name()).push_back('\t');
  AppendGeneColumns(text, unit, false);
  // The sample columns go straight into room made for the longest they can be, then the
  // text is cut back to what they took.
  const std::size_t start = text.size();
  text.resize(start + mSamples.size() * kSampleRoom);
  char* const begin = text.data() + start;
  char* out = begin;
  for (const int sample : mSamples) {
    double value = 0.0;
    double se = 0.0;
    char call = kCallAbsent;
    if (!mSnpWithoutValues) SampleGrouping.GetSampleValue(unit, sample, &value, &se, &call);
    if (mSnp) {
      // A SNP sample's call is that of its first array; replicates are not voted.
      const ArraySlot& first = group.Array(SampleGrouping.GetSampleArray(sample));
      call = static_cast<std::size_t>(unit) < first.calls.size()
                 ? first.calls[static_cast<std::size_t>(unit)]
                 : static_cast<char>(kSnpCallNoCall);
    }
    if (mHasBoth || !mSnp) {
      if (!IsMissing(value)) out = FormatSixDigits(out, value);
      *out++ = '\t';
    }
    if (mSnp) {
      const std::string_view name = SnpCallName(call);
      std::memcpy(out, name.data(), name.size());
      out += name.size();
      *out++ = '\t';
    } else if (mHasBoth) {
      *out++ = call;
      *out++ = '\t';
    }
    if (mHasStd) {
      if (!IsMissing(se)) out = FormatSixDigits(out, se);
      *out++ = '\t';
    }
  }
  text.resize(start + static_cast<std::size_t>(out - begin));
  AppendGeneColumns(text, unit, true);
  text.push_back('\n');
}

void ExpressionRows::WriteExpressionRow(std::ostream& stream, int unit) {
  mLine.clear();
  AppendRow(mLine, unit);
  stream.write(mLine.data(), static_cast<std::streamsize>(mLine.size()));
}

bool WriteExpressionData(const std::string& path) {
  Group& group = TheGroup();
  GroupSettings& settings = group.Settings();
  if (ArrayType != 0 && !group.Modelled) settings.HAS_BOTH = 0;
  const bool append = group.RunOptions().appendExpressionExport;
  const bool gct = settings.GCT_FORMAT != 0;
  platform::FileReplacement file;
  const auto failed = [&path, &file] {
    return LogWriteFailure(MessageBuffer(kExpressionWriteFailedMessage, path.c_str()),
                           file.Error());
  };
  if (!file.Open(path) || (append && !CopyOldFile(path, file))) return failed();
  LogMessage(MessageBuffer("  Writing expression or call data in %s...", path.c_str()));
  Progress().SetRunning(true);

  // The walk over the listed probe sets only gathers them: the rows are formatted on
  // several threads afterwards, and the row count of the "#1.2" form is then that of the
  // rows written, which a gene list may make fewer (names not found) or more (names
  // repeated) than it lists.
  platform::ReplacementBuffer buffer(file);
  std::ostream stream(&buffer);
  std::vector<int> units;
  const GeneRowWriter gather = [&units](Group&, std::ostream&, int unit) { units.push_back(unit); };
  if (!ForEachListedGene(stream, gather)) return false;

  ExpressionRows rows;
  std::string head;
  if (gct) {
    head.append(kGctFirstLine).append("\n");
    head.append(MessageBuffer("%zu\t%d\n", units.size(), SampleGrouping.SelectedCount()));
  }
  if (!append && settings.EXPRESSION_INCLUDE_HEADER != 0) head.append(HeaderBlock(group, path));
  if (!append) {
    std::ostringstream titles;
    rows.WriteColumnTitles(titles);
    head.append(titles.str());
  }
  stream.write(head.data(), static_cast<std::streamsize>(head.size()));
  if (!WriteRows(rows, units, stream)) return false;
  if (!buffer.Flush() || !file.Commit()) return failed();
  RegisterOutputFile(path, false);
  if (gct && SampleInfo.ColumnCount() > 0) return WriteGctClassFile(path);
  return true;
}
