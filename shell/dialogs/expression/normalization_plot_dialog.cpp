// The normalisation plot dialog and the rules between its options.
#include "shell/dialogs/expression/normalization_plot_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "engine/array/chip_data.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/dialogs/expression/normalize_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"

NormalizationPlotOptions& NormPlotOptions() {
  static NormalizationPlotOptions options;
  return options;
}

NormalizationPlotDialog::NormalizationPlotDialog(QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Normalization Plot")) {
  Group& group = TheGroup();
  const NormalizationPlotOptions& options = NormPlotOptions();
  auto* layout = new QVBoxLayout(this);

  auto* listBox = new QGroupBox(QStringLiteral("Baseline array"), this);
  auto* listLayout = new QVBoxLayout(listBox);
  listLayout->addWidget(
      new QLabel(QStringLiteral("Select [brigtness: median probe intensity]:"), listBox));
  mBaselines = new QComboBox(listBox);
  mBaselines->setObjectName(ControlName(kBaselineList));
  listLayout->addWidget(mBaselines);
  layout->addWidget(listBox);

  auto* currentBox =
      new QGroupBox(QStringLiteral("Current array (click CEL image to select)"), this);
  auto* currentLayout = new QVBoxLayout(currentBox);
  mState = new QLabel(currentBox);
  mState->setObjectName(ControlName(kArrayState));
  mState->setWordWrap(true);
  currentLayout->addWidget(mState);
  layout->addWidget(currentBox);

  mUseNormalized = new QCheckBox(
      QStringLiteral("&Use normalized values to view the result after normalization"), this);
  mUseNormalized->setObjectName(ControlName(kUseNormalized));
  mUseNormalized->setChecked(options.useNormalized);
  mSmoothingSpline = new QCheckBox(QStringLiteral("Use &smoothing spline to normalize"), this);
  mSmoothingSpline->setObjectName(ControlName(kSmoothingSpline));
  mSmoothingSpline->setChecked(options.smoothingSpline);
  mSaveNormalized =
      new QCheckBox(QStringLiteral("Use and save normalized values (in QVF file)"), this);
  mSaveNormalized->setObjectName(ControlName(kSaveNormalized));
  mSaveNormalized->setChecked(options.saveNormalized);
  layout->addWidget(mUseNormalized);
  layout->addWidget(mSmoothingSpline);
  layout->addWidget(mSaveNormalized);
  auto* smoothingRow = new QHBoxLayout;
  smoothingRow->addWidget(
      new QLabel(QStringLiteral("Smoothing parameter (the larger, the smoother): "), this));
  mSmoothing = new QLineEdit(QString::number(options.smoothing, 'g', 10), this);
  mSmoothing->setObjectName(ControlName(kSmoothing));
  smoothingRow->addWidget(mSmoothing);
  layout->addLayout(smoothingRow);
  auto* help = ManualLink("normalization-plot", this);
  layout->addWidget(help);
  AddOkCancelRow(*this, *layout);

  // Values viewed after normalisation are not the ones saved, and saving needs the spline.
  connect(mUseNormalized, &QCheckBox::toggled, this, [this](bool on) {
    if (on) mSaveNormalized->setChecked(false);
  });
  connect(mSaveNormalized, &QCheckBox::toggled, this, [this](bool on) {
    if (!on) return;
    mUseNormalized->setChecked(false);
    mSmoothingSpline->setChecked(true);
  });
  connect(mSmoothingSpline, &QCheckBox::toggled, this, [this](bool on) {
    if (!on) mSaveNormalized->setChecked(false);
  });

  for (int array = 0; array < group.NumArrays(); ++array)
    mBaselines->addItem(ToQString(ArrayEntryText(array)));
  mBaselines->setCurrentIndex(group.BaselineArray < group.NumArrays() ? group.BaselineArray : -1);

  const int current = group.Settings().CUR_ARRAY;
  if (current < 0 || current >= group.NumArrays()) return;
  const std::string& name = group.Array(current).name;
  if (ReadArrayQvfHeader(current) && ChipData.normalised != 0) {
    mState->setText(ToQString(MessageBuffer("'%s' has been normalized using baseline array '%s'",
                                            name.c_str(), WorkingBaselineName().c_str())));
    const int baseline = group.FindArrayByFile(ChipData.baselinePath);
    if (baseline >= 0) mBaselines->setCurrentIndex(baseline);
  } else {
    mState->setText(ToQString(MessageBuffer("'%s' has not been normalized", name.c_str())));
  }
}

void NormalizationPlotDialog::accept() {
  Group& group = TheGroup();
  const int baseline = mBaselines->currentIndex();
  if (baseline == group.Settings().CUR_ARRAY || baseline < 0 || baseline >= group.NumArrays()) {
    AfxMessageBox(kSameBaselineMessage);
    return;
  }
  bool isNumber = false;
  const double smoothing = mSmoothing->text().trimmed().toDouble(&isNumber);
  if (!isNumber) {
    AfxMessageBox("Please enter a number.");
    mSmoothing->setFocus();
    return;
  }
  group.NormPlot = {baseline, kNormPlotNothing, 0};
  NormalizationPlotOptions& options = NormPlotOptions();
  options.useNormalized = mUseNormalized->isChecked();
  options.smoothingSpline = mSmoothingSpline->isChecked();
  options.saveNormalized = mSaveNormalized->isChecked();
  options.smoothing = smoothing;
  QDialog::accept();
}
