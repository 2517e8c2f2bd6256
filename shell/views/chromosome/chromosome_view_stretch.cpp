// The stretch of markers a drag with the left button selects in the chromosome view: its
// rows, its regions (one per chromosome or region it crosses) and their region file.
#include <algorithm>

#include "engine/services/log_channel.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/info/genome_info.hpp"
#include "shell/views/chromosome/chromosome_layout.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

constexpr const char* kSelectedRegionName = "selected";

}  // namespace

void CChromosomeView::DragTo(QPoint at) {
  const int anchor = RowOfUnit(mGeometry, mDragUnit);
  if (anchor < 0) return;
  int row = mGeometry.RowAt(at.y());
  if (row < 0) row = at.y() < mGeometry.top ? 0 : mGeometry.RowCount() - 1;
  if (row == anchor) {
    mStretchFirstUnit = mStretchLastUnit = -1;
  } else {
    mStretchFirstUnit = mGeometry.rows[At(std::min(row, anchor))].unit;
    mStretchLastUnit = mGeometry.rows[At(std::max(row, anchor))].unit;
  }
  Invalidate();
  MouseMoved(at);
}

std::string CChromosomeView::StretchText() const {
  const auto stretch = SelectedStretch();
  if (!stretch) return {};
  const ChromosomeRow& first = mGeometry.rows[At(stretch->first)];
  const ChromosomeRow& last = mGeometry.rows[At(stretch->second)];
  return MessageBuffer(
      " [Selected %d markers: Chro %s, %.3f Mb to Chro %s, %.3f Mb]",
      stretch->second - stretch->first + 1, genome_info.GetChroName(first.chro).c_str(),
      genome_info.Unit[At(first.unit)].pos * 1e-6, genome_info.GetChroName(last.chro).c_str(),
      genome_info.Unit[At(last.unit)].pos * 1e-6);
}

std::optional<std::pair<int, int>> CChromosomeView::SelectedStretch() const {
  const int first = RowOfUnit(mGeometry, mStretchFirstUnit);
  const int last = RowOfUnit(mGeometry, mStretchLastUnit);
  if (first < 0 || last < first) return std::nullopt;
  return std::make_pair(first, last);
}

std::vector<CHRO_REGION_ITEM> CChromosomeView::SelectedRegions() const {
  std::vector<CHRO_REGION_ITEM> regions;
  const auto stretch = SelectedStretch();
  if (!stretch) return regions;
  const ChromosomeRow* previous = nullptr;
  for (int r = stretch->first; r <= stretch->second; ++r) {
    const ChromosomeRow& row = mGeometry.rows[At(r)];
    if (row.unit < 0 || static_cast<std::size_t>(row.unit) >= genome_info.Unit.size()) continue;
    const float pos = genome_info.Unit[At(row.unit)].pos;
    // Rows of another chromosome, or not next in its marker list (regions side by side),
    // start a new region.
    if (previous == nullptr || row.chro != previous->chro ||
        row.listIndex != previous->listIndex + 1) {
      CHRO_REGION_ITEM region;
      region.chromosomeIndex = row.chro;
      region.begin = pos;
      region.name = kSelectedRegionName;
      region.first = row.listIndex;
      regions.push_back(region);
    }
    CHRO_REGION_ITEM& region = regions.back();
    region.end = std::max(region.end, pos);
    region.last = row.listIndex;
    ++region.markerCount;
    previous = &row;
  }
  return regions;
}

bool CChromosomeView::WriteSelectedRegions(const std::string& path) const {
  return WriteRegionFile(path, SelectedRegions());
}
