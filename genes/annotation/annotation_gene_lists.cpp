// Gene list files by annotation terms and by keywords.
#include "genes/annotation/annotation_gene_lists.hpp"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <ostream>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/info/gene_info.hpp"
#include "platform/file_replacement.hpp"
#include "platform/replacement_stream.hpp"
#include "platform/system_error.hpp"

namespace {

// Writes, through a file that replaces path once complete, one line per probe set that
// keep accepts, in unit order: its name, a tab and the text textOf gives. The number of
// lines, or -1 when the file cannot be written (errno then holds the system's reason).
int WriteUnitLines(const std::string& path, const std::function<bool(int)>& keep,
                   const std::function<std::string_view(const GENE_INFO&)>& textOf) {
  platform::FileReplacement file;
  const auto failed = [&file] {
    errno = file.Error();
    return -1;
  };
  if (!file.Open(path)) return failed();
  platform::ReplacementBuffer buffer(file);
  std::ostream stream(&buffer);
  const int units = std::min(GeneInfo.GeneCount(), static_cast<int>(Layout.units.size()));
  int written = 0;
  std::string line;
  for (int unit = 0; unit < units; ++unit) {
    if (!keep(unit)) continue;
    line.assign(Layout.units[static_cast<std::size_t>(unit)].Name());
    line += '\t';
    line += textOf(GeneInfo.genes[static_cast<std::size_t>(unit)]);
    line += '\n';
    stream.write(line.data(), static_cast<std::streamsize>(line.size()));
    ++written;
  }
  if (!buffer.Flush() || !file.Commit()) return failed();
  return written;
}

}  // namespace

bool OutputGeneListByTerms(const std::string& outputFile, std::span<const int> termIndices,
                           int column, bool intersection) {
  LogMessage(kGeneListByTermsStart, 0, kLogBlue);
  int written = -1;
  errno = 0;
  if (GeneInfo.Loaded() && column >= 0 && column < GeneInfo.numColumns) {
    const auto keep = [&](int unit) {
      const GENE_INFO& gene = GeneInfo.genes[static_cast<std::size_t>(unit)];
      const auto carries = [&](int term) { return HasTerm(gene, term, column); };
      return intersection ? std::all_of(termIndices.begin(), termIndices.end(), carries)
                          : std::any_of(termIndices.begin(), termIndices.end(), carries);
    };
    written = WriteUnitLines(outputFile, keep, [](const GENE_INFO& gene) { return gene.Name; });
  }
  if (written < 0) {
    return LogWriteFailure(MessageBuffer(kGeneListByTermsFailed, outputFile.c_str()), errno);
  }
  RegisterOutputFile(outputFile, false);
  LogMessage(MessageBuffer(kGeneListByTermsSaved, written, outputFile.c_str()), 0, kLogBlue);
  LogMessage(kGeneListByTermsFinished, 0, kLogBlue);
  return true;
}

void ExportGeneListByKeywords(const std::string& outputFile, std::string_view keywords) {
  if (!GeneInfo.Loaded()) {
    AfxMessageBox(kNoGeneInfoAvailableMessage);
    return;
  }
  const std::string pattern = UpperCase(keywords);
  const bool name = GroupStarted() && TheGroup().Settings().LOCUS_LINK_NAME != 0;
  const int written = WriteUnitLines(
      outputFile, [&pattern](int unit) { return GeneMatchesKeyword(unit, pattern); },
      [name](const GENE_INFO& gene) { return name ? gene.Name : gene.Description; });
  if (written < 0) {
    AfxMessageBox(platform::WithSystemReason(kFileWritingErrorMessage, errno));
    return;
  }
  // The message shows the keywords as searched, upper-cased.
  Prompt().MessageBox(
      MessageBuffer(kKeywordGenesExported, written, pattern.c_str(), outputFile.c_str()),
      kExportGeneListCaption, MessageButtons::kOk, MessageIcon::kNone);
  RegisterOutputFile(outputFile, false);
}
