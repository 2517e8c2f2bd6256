// View 7, the SNP view: one SNP of a SNP array group (the current unit) at a time. Every
// array is a point placed by the two-way fit of its allele contrasts over the SNP's
// mini-blocks and coloured by its call at the SNP; under the plot, the current array's raw
// probe intensities as bars. Home and End step through the units, the page keys through
// the arrays; the rest is the sample scatter view's.
#pragma once

#include <QPoint>

#include <string>

#include "engine/base/colour.hpp"
#include "shell/views/samples/lda_view.hpp"

inline constexpr COLORREF kSnpCallAColour = RGB(255, 0, 0);
inline constexpr COLORREF kSnpCallBColour = RGB(0, 0, 255);
inline constexpr COLORREF kSnpCallABColour = RGB(255, 255, 0);
inline constexpr COLORREF kSnpNoCallColour = RGB(0, 0, 0);

// The colour of a call code; anything but A, B and AB is drawn as no call.
COLORREF SnpCallColour(int call);

class SnpView final : public LdaView {
  Q_OBJECT
 public:
  SnpView(ShellFrame& frame, QWidget* parent);

  // Loads the current unit again, then scales and sizes as the base does.
  void OnInitialUpdate() override;
  void Draw(QPainter& painter, bool highlight) override;
  std::optional<CommandState> UpdateCommand(int id) const override;
  bool RunCommand(int id) override;

  // The unit shown: CUR_UNIT, or 0 when it names no unit.
  static int ShownUnit();
  // The status line for the mouse at a picture point (the last one is kept for paints).
  std::string StatusText(QPoint at) const;

 protected:
  void DrawPoint(QPainter& painter, int index) override;
  void MouseMoved(QPoint at) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Loads, fits and places the shown unit when it is not the one loaded.
  void LoadShownUnit(bool force);
  void Repaint();

  QPoint mLastMouse;
};
