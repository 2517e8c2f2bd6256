// View 10, the normalisation review of one array: four scatter plots of the array against
// its baseline before and after normalisation (intensities, then M-A plots), with the
// pairs the normalisation was fitted through and its curve drawn over them. The plots
// are drawn once into a picture that every paint copies.
#pragma once

#include <QImage>
#include <QScrollArea>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "shell/services/shell_services.hpp"
#include "shell/views/pane/right_view.hpp"

class CHIP_DATA;
class ShellFrame;

inline constexpr const char* kPlotsHint =
    "You may select \"Image/Normalization plot\" to view plots";

// Pearson correlation of the pairs where neither value is missing: -1 when there is no
// pair or a variance is 0, 1 for a single pair.
double PlotCorrelation(std::span<const double> x, std::span<const double> y);
// The distance between tick marks: 2 x 10^floor(log10(range)), halved until the range
// holds at least 5 ticks.
double TickStep(double range);

// What one of the four plots shows, kept for the tests and the export.
struct PlotSummary {
  std::string title;
  int points = 0;      // one per cell of a probe pair
  int usedPoints = 0;  // the pairs the normalisation used
  int curvePoints = 0;
  double correlation = 0.0;
};

class PlotsView final : public QScrollArea, public RightView, public NormalizationReview {
  Q_OBJECT
 public:
  // Plot cells of 500 x 500 in two columns and two rows, beside margins of a character.
  static constexpr int kCellSize = 500;
  static constexpr int kColumns = 2;
  static constexpr int kFontHeight = 16;
  static constexpr int kFontWidth = 6;
  static constexpr int kWidth = kFontWidth + kColumns * kCellSize;
  static constexpr int kHeight = kFontHeight + kColumns * kCellSize;

  PlotsView(ShellFrame& frame, QWidget* parent);
  ~PlotsView() override;

  // Builds the plots of the group's current array (CUR_ARRAY) against the plot's
  // baseline (the group's NormPlot.array), with AnalysisRunning raised meanwhile. The
  // baseline array is read once and kept for the next review against it. The array's
  // normalisation is saved in its QVF file when the normalisation job asks for the
  // review (NormPlot in its baseline comparison) or the plot's options say so. False,
  // with the reason in the log, when an array cannot be read or normalised; the view
  // then shows its hint again.
  bool PreparePlots() override;
  // Back to the hint, with the kept baseline array let go.
  void Reset();

  bool Ready() const { return mReady; }
  const QImage& Picture() const { return mPicture; }
  const std::vector<PlotSummary>& Plots() const { return mPlots; }

 protected:
  // Enter moves to the next view.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool BuildPlots();

  ShellFrame& mFrame;
  QWidget* mCanvas;
  QImage mPicture;
  bool mReady = false;
  std::vector<PlotSummary> mPlots;
  std::unique_ptr<CHIP_DATA> mBaseline;
  int mBaselineArray = -1;
};
