// Dialog 211 "Filter genes by pathway": the gene list the pathway's placeholders are
// filled from, the least mean correlation over the arrows, and the correlation's kind.
#pragma once

#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QLineEdit;
class QPushButton;

class PathwayFilterDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 211;
  static constexpr int kInputList = 1197;
  static constexpr int kCorrelation = 1350;
  static constexpr int kRankCorrelation = 1349;

  static constexpr double kMinCorrelation = 0.0;
  static constexpr double kMaxCorrelation = 1.0;

  explicit PathwayFilterDialog(QWidget* parent);

  // Refuses a correlation outside [0, 1]; else the list and the correlation go into the
  // settings and the correlation's kind into the run options.
  void accept() override;

 private:
  QPushButton* mInputList;
  QLineEdit* mCorrelation;
  QCheckBox* mRank;
  std::string mInputFile;
};
