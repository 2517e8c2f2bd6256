#include "engine/jobs/probe_export.hpp"

#include <charconv>
#include <cstddef>
#include <functional>
#include <ostream>
#include <span>
#include <string_view>

#include "engine/array/local_background.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/cel_export.hpp"
#include "engine/jobs/decimal_text.hpp"
#include "engine/model/model.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "platform/file_replacement.hpp"
#include "platform/replacement_stream.hpp"

namespace {

// One row's fields, each followed by a tab.
class RowText {
 public:
  void Clear() { mText.clear(); }
  void Integer(long long value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    mText.append(text, result.ptr).push_back('\t');
  }
  void Number(double value) {
    if (!IsMissing(value)) {
      char text[kSixDigitsRoom];
      mText.append(text, FormatSixDigits(text, value));
    }
    mText.push_back('\t');
  }
  void Text(std::string_view value) { mText.append(value).push_back('\t'); }
  void End(std::ostream& stream) {
    mText.push_back('\n');
    stream.write(mText.data(), static_cast<std::streamsize>(mText.size()));
  }

 private:
  std::string mText;
};

RowText& Row() {
  static RowText row;
  row.Clear();
  return row;
}

bool PlanesHeld(const Group& group) {
  const auto cells =
      static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
  for (int array = 0; array < group.NumArrays(); ++array)
    if (group.Array(array).intensities.size() != cells) return false;
  return Layout.HasCells();
}

bool ValidUnit(int unit) {
  return unit >= 0 && unit < Layout.unitCount;
}

using TitlesWriter = std::function<void(std::ostream&)>;

// Writes the titles and the rows (the current probe set's, or the listed ones') into the
// file that replaces path once complete.
bool ExportTable(const std::string& path, bool currentOnly, const TitlesWriter& titles,
                 const GeneRowWriter& rows) {
  platform::FileReplacement file;
  const auto failed = [&path, &file] {
    return LogWriteFailure(MessageBuffer(kProbeExportWriteFailedMessage, path.c_str()),
                           file.Error());
  };
  if (!file.Open(path)) return failed();
  platform::ReplacementBuffer buffer(file);
  std::ostream stream(&buffer);
  titles(stream);
  Group& group = TheGroup();
  const int current = group.Settings().CUR_UNIT;
  const bool one = currentOnly && ValidUnit(current);
  if (one) {
    rows(group, stream, current);
  } else if (!ForEachListedGene(stream, rows)) {
    return false;
  }
  if (!buffer.Flush() || !file.Commit()) return failed();
  if (one) LogMessage(MessageBuffer(kProbeExportExportedMessage, path.c_str()));
  RegisterOutputFile(path, false);
  return true;
}

}  // namespace

ProbeValueColumns ChooseProbeValueColumns(int currentUnit) {
  const Group& group = TheGroup();
  const int method = group.Settings().MODEL_METHOD;
  ProbeValueColumns columns;
  columns.positions = group.RunOptions().probeExportPositionColumns;
  columns.lessBackground = method == kModelPmOnly;
  columns.fitted = ValidUnit(currentUnit) && Model.ProbeSet() == currentUnit;
  columns.mismatchPhi = columns.fitted && method == kModelFull;
  columns.stored = !columns.fitted && group.Modelled;
  return columns;
}

void WriteProbeValueTitles(std::ostream& stream, const ProbeValueColumns& columns) {
  std::string text;
  if (columns.positions) text += "X\tY\tPosition\t";
  text += columns.lessBackground ? "Probeset\tProbe\tArray\tPM-bkgrd\tMM-bkgrd\t"
                                 : "Probeset\tProbe\tArray\tPM\tMM\t";
  if (columns.fitted) text += columns.mismatchPhi ? "MBEI\tPSI\tMM PSI\t" : "MBEI\tPSI\t";
  if (columns.stored) text += "MBEI\t";
  text += "\n";
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void WriteProbeValueRows(std::ostream& stream, int unit, const ProbeValueColumns& columns) {
  const Group& group = TheGroup();
  const std::span<const PairPositions> pairs = Layout.Positions(unit);
  const std::string_view name = Layout.units[static_cast<std::size_t>(unit)].Name();
  const bool fitted = columns.fitted && Model.ProbeSet() == unit;
  const int pairCount = static_cast<int>(pairs.size());
  for (int pair = 0; pair < pairCount; ++pair) {
    const ProbePosition& pm = pairs[static_cast<std::size_t>(pair)][1];
    const ProbePosition& mm = pairs[static_cast<std::size_t>(pair)][0];
    if (pm.x < 0 || mm.x < 0) continue;
    const std::size_t pmCell = Layout.CellIndex(pm.x, pm.y);
    const std::size_t mmCell = Layout.CellIndex(mm.x, mm.y);
    for (int array = 0; array < group.NumArrays(); ++array) {
      const ArraySlot& slot = group.Array(array);
      RowText& row = Row();
      if (columns.positions) {
        const CelFileCell at = CelCellOfPlane(pm.x, pm.y);
        row.Integer(at.x);
        row.Integer(at.y);
        row.Integer(Layout.cells[pmCell].value);
      }
      row.Text(name);
      row.Integer(pair);
      row.Integer(array);
      long long pmValue = slot.intensities[pmCell];
      long long mmValue = slot.intensities[mmCell];
      if (columns.lessBackground) {
        pmValue -= GetBackground(array, pm.x, pm.y);
        mmValue -= GetBackground(array, mm.x, mm.y);
      }
      row.Integer(pmValue);
      row.Integer(mmValue);
      if (fitted) {
        row.Number(array < Model.ArrayCount() ? Model.ResultTheta(array) : MISSING_VALUE);
        row.Number(pair < Model.ProbeCount() ? Model.ResultPhi(pair) : MISSING_VALUE);
        if (columns.mismatchPhi)
          row.Number(pairCount + pair < Model.ProbeCount() ? Model.ResultPhi(pairCount + pair)
                                                           : MISSING_VALUE);
      } else if (columns.fitted || columns.stored) {
        const bool held = static_cast<std::size_t>(unit) < slot.values.size();
        row.Number(held ? slot.values[static_cast<std::size_t>(unit)].value : MISSING_VALUE);
        if (columns.fitted) row.Number(MISSING_VALUE);
        if (columns.mismatchPhi) row.Number(MISSING_VALUE);
      }
      row.End(stream);
    }
  }
}

void WriteProbeModelRows(std::ostream& stream, int unit) {
  const std::span<const PairPositions> pairs = Layout.Positions(unit);
  const std::string_view name = Layout.units[static_cast<std::size_t>(unit)].Name();
  const int pairCount = static_cast<int>(pairs.size());
  const bool mismatches = TheGroup().Settings().MODEL_METHOD == kModelFull;
  const auto write = [&](int probe, const ProbePosition& at) {
    if (at.x < 0 || at.y < 0) return;
    const std::size_t cell = Layout.CellIndex(at.x, at.y);
    RowText& row = Row();
    row.Text(name);
    row.Integer(probe);
    row.Number(Psi.PhiAt(cell));
    row.Number(Psi.StdErrAt(cell));
    row.Integer(Psi.OutlierAt(cell));
    row.End(stream);
  };
  for (int pair = 0; pair < pairCount; ++pair)
    write(pair, pairs[static_cast<std::size_t>(pair)][1]);
  if (mismatches)
    for (int pair = 0; pair < pairCount; ++pair)
      write(pairCount + pair, pairs[static_cast<std::size_t>(pair)][0]);
}

bool ExportProbeValues(const std::string& path, bool currentOnly) {
  Group& group = TheGroup();
  if (!PlanesHeld(group)) {
    LogMessage(kProbeExportNoPlanesMessage, 0, kLogRed);
    return false;
  }
  const int current = group.Settings().CUR_UNIT;
  const ProbeValueColumns columns =
      ChooseProbeValueColumns(currentOnly && ValidUnit(current) ? current : -1);
  return ExportTable(
      path, currentOnly,
      [&columns](std::ostream& stream) { WriteProbeValueTitles(stream, columns); },
      [&columns](Group&, std::ostream& stream, int unit) {
        WriteProbeValueRows(stream, unit, columns);
      });
}

bool ExportProbeModel(const std::string& path, bool currentOnly) {
  Group& group = TheGroup();
  if (!Psi.ReadPsiFile(group.Settings().PSI_FILE_NAME)) return false;
  if (!Layout.HasCells()) {
    LogMessage(kProbeExportNoPlanesMessage, 0, kLogRed);
    return false;
  }
  return ExportTable(
      path, currentOnly,
      [&group](std::ostream& stream) {
        std::string text = "Model=";
        text.append(ModelMethodName(group.Settings().MODEL_METHOD));
        text.append("\nProbeset\tProbe\tPhi\tPhiStd\tExclude\n");
        stream.write(text.data(), static_cast<std::streamsize>(text.size()));
      },
      [](Group&, std::ostream& stream, int unit) { WriteProbeModelRows(stream, unit); });
}
