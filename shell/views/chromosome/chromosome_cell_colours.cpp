// The colour of each cell of the chromosome picture, by data type: calls, LOH, copy
// numbers, log2 ratios, allele sharing and haplotypes.
#include "shell/views/chromosome/chromosome_drawing.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/base/value_color.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/info/snp_info.hpp"
#include "shell/dialogs/options/chromosome_options.hpp"
#include "shell/views/chromosome/chromosome_drawing_parts.hpp"

using namespace chromosome_picture;

COLORREF LohColor(double v, bool hideConflict) {
  if (v > 1 && v < 5) {
    switch (static_cast<int>(v)) {
      case 1:
        return kLohRetentionColour;
      case 2:
        return kLohNoninformativeColour;
      case 3:
        return kWhite;
      default:
        return hideConflict ? kLohNoninformativeColour : kLohConflictColour;
    }
  }
  if (!std::isfinite(v)) return kWhite;
  if (v > 0.5) {
    const long long c = 255 - static_cast<long long>((v - 0.5) * 510);
    return RGB(255, 255, static_cast<int>(c & 0xFF));
  }
  const long long c = 255 - static_cast<long long>((0.5 - v) * 510);
  return RGB(static_cast<int>(c & 0xFF), static_cast<int>(c & 0xFF), 255);
}

HalfColours HaplotypeColor(const unsigned char record[4], bool displayInferred) {
  HalfColours h;
  if (!displayInferred) {
    h.left = TermColor(2u * record[1]);
    h.right = TermColor(2u * record[2]);
    h.painted = true;
    return h;
  }
  constexpr COLORREF red = RGB(255, 0, 0);
  constexpr COLORREF blue = RGB(0, 0, 255);
  switch (record[0]) {
    case 0:
      h = {red, red, true};
      break;
    case 1:
      h = {blue, blue, true};
      break;
    case 3:
      h = {kWhite, kWhite, false};
      break;
    case 4:
      h = {red, blue, true};
      break;
    case 5:
      h = {blue, red, true};
      break;
    default:
      break;
  }
  return h;
}

CellStyle CurrentCellStyle() {
  const GroupSettings& settings = TheGroup().Settings();
  const ChromosomeOptions& options = TheChromosomeOptions();
  CellStyle style;
  style.dataType = chromosome.dataType;
  style.snpArrays = ArrayType != 0;
  style.displayInferred = DisplayInferred;
  style.hideConflictLoh = options.hideConflictLoh;
  style.tumourOnly = settings.CHRO_MERGE_GROUP_NAME != 0;
  style.parentSpecific = settings.PARENT_SPECIFIC_COPY != 0 && !chromosome.secondSignal.Empty();
  style.displayRange = options.displayRange[At(ChromosomeDataTypeIndex(chromosome.dataType))];
  style.greenRed = settings.GREEN_RED != 0;
  return style;
}

CellSource CellSourceOf(const ChromosomeGeometry& g, int column, const CellStyle& style) {
  CellSource source;
  if (column < 0 || column >= g.ColumnCount()) return source;
  const int group = g.columns.groupOfColumn[At(column)];
  const int first = g.columns.groupFirstColumn[At(group)];
  const int size = g.columns.groupSize[At(group)];
  source.sample = g.columns.sampleOfColumn[At(column)];
  const int shown = size >= 2 && style.displayInferred ? 1 : 0;
  source.lohSample = g.columns.sampleOfColumn[At(first + std::min(shown, size - 1))];
  source.valueSample =
      style.tumourOnly && size >= 2 ? g.columns.sampleOfColumn[At(first + 1)] : source.sample;
  return source;
}

CellColours ChromosomeCellColour(const ChromosomeGeometry& g, int row, int column,
                                 const CellStyle& style) {
  if (row < 0 || row >= g.RowCount()) return {};
  return CellColourAt(CellSourceOf(g, column, style), g.rows[At(row)].unit, style);
}

namespace {

CellColours Single(COLORREF c) {
  CellColours out;
  out.halves = {c, c, c != kWhite};
  return out;
}

COLORREF CallColour(int call, bool snpArrays) {
  if (!snpArrays) return call == 'P' ? RGB(255, 125, 125) : RGB(125, 125, 255);
  switch (call) {
    case kSnpCallA:
      return RGB(255, 0, 0);
    case kSnpCallB:
      return RGB(0, 0, 255);
    case kSnpCallAB:
      return RGB(255, 255, 0);
    case kSnpCallAB_A:
      return RGB(180, 0, 0);
    case kSnpCallAB_B:
      return RGB(0, 0, 180);
    default:
      return kWhite;
  }
}

COLORREF CellValueColour(float v, const CellStyle& style) {
  return ValueToColor(Missing(v) ? MISSING_VALUE : static_cast<double>(v), style.displayRange,
                      style.greenRed);
}

// The largest size of value that is drawn white either side of 0, -1 when 0 itself is not.
// The colour's strength grows with the size, so every smaller value is white too; the
// search runs over the positive floats in order of their bits.
float WhiteValueCut(const CellStyle& style) {
  const auto white = [&style](float m) {
    return CellValueColour(m, style) == kWhite && CellValueColour(-m, style) == kWhite;
  };
  if (!white(0.0f)) return -1;
  std::uint32_t lo = 0;
  std::uint32_t hi = std::bit_cast<std::uint32_t>(std::numeric_limits<float>::infinity());
  while (hi - lo > 1) {
    const std::uint32_t mid = lo + (hi - lo) / 2;
    (white(std::bit_cast<float>(mid)) ? lo : hi) = mid;
  }
  return std::bit_cast<float>(lo);
}

}  // namespace

CellColours CellColourAt(const CellSource& source, int unit, const CellStyle& style) {
  return CellReader(source, style).At(unit);
}

CellReader::CellReader(const CellSource& source, const CellStyle& style) : mStyle(style) {
  const int sample = source.sample;
  if (sample < 0 || sample >= chromosome.sampleCount) return;
  mUnitCount = chromosome.unitCount;
  switch (style.dataType) {
    case kDataCall:
      if (chromosome.calls.Empty()) return;
      mKind = Kind::kCalls;
      mCalls = chromosome.calls.Row(sample);
      return;
    case kDataLohCall:
      if (chromosome.lohCodes.Empty()) return;
      mKind = Kind::kLoh;
      mValues = chromosome.lohCodes.Row(source.lohSample);
      return;
    case kDataCopyNumber:
    case kDataLog2Ratio: {
      const int s = source.valueSample;
      mValueSample = s;
      if (style.dataType == kDataCopyNumber && style.parentSpecific && style.displayInferred &&
          !chromosome.inferred.Empty()) {
        mKind = Kind::kParentCopies;
        mValues = chromosome.inferred.Row(s);
        return;
      }
      // Inferred copy numbers are read as the gathering keeps them; other values are
      // computed from the signals cell by cell.
      mKind = Kind::kComputedValue;
      if (style.dataType == kDataCopyNumber && chromosome.dataType == kDataCopyNumber &&
          chromosome.displayInferred && !chromosome.inferred.Empty() && s >= 0 &&
          s < chromosome.sampleCount) {
        mKind = Kind::kCopies;
        mValues = chromosome.inferred.Row(s);
        mWhiteCut = WhiteValueCut(style);
      }
      return;
    }
    case kDataAlleleSharing:
      if (chromosome.inferred.Empty()) return;
      mKind = Kind::kAlleleSharing;
      mValues = chromosome.inferred.Row(sample);
      return;
    default:
      // The gathering keeps no haplotype table until linkage analysis fills one.
      return;
  }
}

// Calls visit with the colour routine of the reader's kind, a callable from unit to
// colours, so that a scan over many units picks the kind once.
template <typename Visit>
auto CellReader::WithKind(Visit visit) const {
  const CellStyle& style = mStyle;
  switch (mKind) {
    case Kind::kCalls:
      return visit(
          [this, &style](int unit) { return Single(CallColour(mCalls[unit], style.snpArrays)); });
    case Kind::kLoh:
      return visit([this, &style](int unit) {
        const float v = mValues[unit];
        if (Missing(v)) return CellColours{};
        CellColours out = Single(LohColor(v, style.hideConflictLoh));
        out.lohBlank = out.halves.left == kWhite || out.halves.left == kLohNoninformativeColour;
        return out;
      });
    case Kind::kCopies:
      return visit(
          [this, &style](int unit) { return Single(CellValueColour(mValues[unit], style)); });
    case Kind::kParentCopies:
      return visit([this, &style](int unit) {
        const float cell = mValues[unit];
        float a = kMissingValueFloat;
        float b = kMissingValueFloat;
        if (!Missing(cell)) chromosome.DecodeParentCopies(cell, &a, &b);
        CellColours out;
        out.halves = {CellValueColour(a, style), CellValueColour(b, style), true};
        out.halves.painted = out.halves.left != kWhite || out.halves.right != kWhite;
        return out;
      });
    case Kind::kComputedValue:
      return visit([this, &style](int unit) {
        return Single(CellValueColour(chromosome.GetValue(mValueSample, unit), style));
      });
    case Kind::kAlleleSharing:
      return visit([this, &style](int unit) {
        const float v = mValues[unit];
        if (Missing(v)) return CellColours{};
        return Single(LohColor((2 - v) * 0.25, style.hideConflictLoh));
      });
    case Kind::kNone:
      break;
  }
  return visit([](int) { return CellColours{}; });
}

CellColours CellReader::At(int unit) const {
  if (unit < 0 || unit >= mUnitCount) return {};
  return WithKind([unit](auto colourOf) { return colourOf(unit); });
}

void CellReader::Prefetch(int unit) const {
  if (unit < 0 || unit >= mUnitCount) return;
  if (mValues != nullptr) __builtin_prefetch(mValues + unit);
  if (mCalls != nullptr) __builtin_prefetch(mCalls + unit);
}

int CellReader::LastPaintedCopies(const int* units, int first, int last,
                                  CellColours* colours) const {
  // The white test on the value's bits with the sign cleared: -0 is 0, and a NaN lies
  // above every cut. cutEnd 0 passes nothing.
  const std::uint32_t cutEnd = mWhiteCut >= 0 ? std::bit_cast<std::uint32_t>(mWhiteCut) + 1 : 0;
  const std::uint32_t missing = std::bit_cast<std::uint32_t>(kMissingValueFloat);
  const auto count = static_cast<unsigned>(mUnitCount);
  for (int k = last; k >= first; --k) {
    const int unit = units[k];
    if (static_cast<unsigned>(unit) >= count) continue;
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(mValues[unit]);
    if ((bits & 0x7fffffffu) < cutEnd && bits != missing) continue;
    if (!mMemoSet || bits != mMemoBits) {
      mMemoColour = CellValueColour(std::bit_cast<float>(bits), mStyle);
      mMemoBits = bits;
      mMemoSet = true;
    }
    if (mMemoColour == kWhite) continue;
    colours->halves.left = mMemoColour;
    colours->halves.right = mMemoColour;
    colours->halves.painted = true;
    colours->lohBlank = false;
    return k;
  }
  return -1;
}

int CellReader::LastPainted(const int* units, int first, int last, CellColours* colours) const {
  if (mKind == Kind::kNone) return -1;
  if (mKind == Kind::kCopies) return LastPaintedCopies(units, first, last, colours);
  return WithKind([&](auto colourOf) {
    for (int k = last; k >= first; --k) {
      const int unit = units[k];
      if (unit < 0 || unit >= mUnitCount) continue;
      // Known white without its colour (in a stretch of copy number 0 every marker of a
      // line is read).
      if (mWhiteCut >= 0 && std::fabs(mValues[unit]) <= mWhiteCut &&
          mValues[unit] != kMissingValueFloat)
        continue;
      const CellColours c = colourOf(unit);
      if (!c.halves.painted) continue;
      // Member by member: a copy of the whole would read back the flag bytes just written
      // as one word, which stalls the scan.
      colours->halves.left = c.halves.left;
      colours->halves.right = c.halves.right;
      colours->halves.painted = true;
      colours->lohBlank = c.lohBlank;
      return k;
    }
    return -1;
  });
}
