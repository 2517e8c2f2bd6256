// The probe data view's picture: the per-probe curves of the current array, the header
// with the probe strip, the scatters of theta and phi, or one panel per array in
// show-all mode. Drawn from the process's model (which must hold the probe set, with
// its display range) on any painter.
#pragma once

#include <string>

#include "shell/views/array/data_geometry.hpp"

class QPainter;

struct DataDrawState {
  DataGeometry geometry;
  int unit = -1;   // the probe set the model holds; -1 draws the blank picture
  int array = -1;  // the current array
  bool showAll = false;
  bool probePositions = false;
  int pointRadius = 2;
  int outlierRadius = 1;
};

// The per-probe series the curves draw. The panels of the current array show, beyond
// the perfect-match (or difference) and mismatch values: the cells' background in light
// grey beside the intensities, and the fit itself, theta x phi in light grey and the
// residual in red, beside the model's input values.
enum class DataSeries { kPm, kMm, kBackground, kInput, kFitted, kResidual };
double DataSeriesValue(DataSeries series, int array, int probe);

// The value range of curve panel row 0, 1 or 2 for the model's method. Row 2 shares
// row 1's range, extended down to the smallest residual.
struct DataRange {
  double low = 0.0;
  double high = 1.0;
};
DataRange CurveRange(int row);

// The x of probe j in a curve panel's plot area.
int CurveProbeX(const DataBox& area, int probe, bool probePositions);

// The probe strip for the model's probe set on the current array kind.
ProbeStripGeometry ModelProbeStrip(const DataGeometry& geometry);

// The call of an array as the labels show it: the SNP call's name, or the call letter.
std::string CallText(int array);

void DrawDataPicture(QPainter& painter, const DataDrawState& state);
