// The probe data view's panel geometry.
#include "shell/views/array/data_geometry.hpp"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kSizeStep = 1.2;
constexpr int kExpressionStripRows = 2;
constexpr int kSnpStripRows = 4;
}  // namespace

int ShowAllGridSize(int arrays) {
  int size = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(std::max(1, arrays)))));
  // Whole squares must not come out one short through rounding.
  while (size * size < arrays) ++size;
  return std::max(1, size);
}

DataGeometry ComputeDataGeometry(int pictureWidth, int pictureHeight, bool showAll, int arrays) {
  DataGeometry geometry;
  geometry.pictureWidth = std::max(1, pictureWidth);
  geometry.pictureHeight = std::max(1, pictureHeight);
  if (showAll) {
    geometry.columns = geometry.rows = ShowAllGridSize(arrays);
  } else {
    geometry.columns = kDataColumns;
    geometry.rows = kDataRows;
  }
  geometry.panelWidth = geometry.pictureWidth / geometry.columns;
  geometry.panelHeight = geometry.pictureHeight / geometry.rows;
  return geometry;
}

int GrowPictureSide(int side, int largest) {
  return static_cast<int>(std::min(side * kSizeStep, static_cast<double>(largest)));
}

int ShrinkPictureSide(int side) {
  return std::max(kDataMinPictureSize, static_cast<int>(side / kSizeStep));
}

DataBox DataPanel(const DataGeometry& geometry, int column, int row) {
  return {column * geometry.panelWidth, row * geometry.panelHeight, geometry.panelWidth,
          geometry.panelHeight};
}

DataBox DataPlotArea(const DataGeometry& geometry, int column, int row) {
  const DataBox panel = DataPanel(geometry, column, row);
  return {panel.left + kDataPlotMargin, panel.top + kDataPlotMargin,
          std::max(1, panel.width - 2 * kDataPlotMargin),
          std::max(1, panel.height - 2 * kDataPlotMargin)};
}

int ProbeIndexX(const DataBox& area, int probe, int count) {
  return area.left + probe * area.width / std::max(1, count);
}

int ProbePositionX(const DataBox& area, int position, int largest) {
  return area.left +
         static_cast<int>(static_cast<long long>(position) * area.width / std::max(1, largest));
}

int DataValueY(const DataBox& area, double value, double low, double high) {
  if (!(high > low)) return area.top + area.height / 2;
  return static_cast<int>(std::lround(area.Bottom() - (value - low) / (high - low) * area.height));
}

int DataValueX(const DataBox& area, double value, double low, double high) {
  if (!(high > low)) return area.left + area.width / 2;
  return static_cast<int>(std::lround(area.left + (value - low) / (high - low) * area.width));
}

ProbeStripGeometry ComputeProbeStrip(const DataGeometry& geometry, int pairs, bool snp) {
  const DataBox header = DataPanel(geometry, 1, 0);
  ProbeStripGeometry strip;
  strip.rows = snp ? kSnpStripRows : kExpressionStripRows;
  strip.left = header.left + kDataLabelInset + (snp ? kDataStripLabelWidth : 0);
  strip.top = header.top + kDataLabelInset + kDataStripOffset;
  // SNP pairs share block columns; the caller gives their count.
  strip.columns = std::max(0, pairs);
  const int byWidth = (header.width - kDataPlotMargin - (snp ? kDataStripLabelWidth : 0)) /
                      std::max(1, strip.columns);
  // Four SNP rows share the height two expression rows have, so they stay in the panel.
  const int byHeight = (header.height - kDataStripOffset) / strip.rows;
  strip.cellSize = std::max(1, std::min(byWidth, byHeight));
  return strip;
}

StripCell HitProbeStrip(const ProbeStripGeometry& strip, int x, int y) {
  if (!strip.Box().Contains(x, y)) return {};
  return {(x - strip.left) / strip.cellSize, (y - strip.top) / strip.cellSize};
}
