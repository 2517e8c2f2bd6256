// The Normalize dialog and the array texts it shares with the normalisation plot dialog.
#include "shell/dialogs/expression/normalize_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

#include "engine/array/chip_data.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"

std::string ArrayEntryText(int array) {
  const ArraySlot& slot = TheGroup().Array(array);
  return MessageBuffer("%s [%d]", slot.name.c_str(), slot.medianIntensity);
}

bool ReadArrayQvfHeader(int array) {
  ChipData.normalised = 0;
  ChipData.baselinePath.clear();
  ChipData.dataPath = TheGroup().Array(array).dataFile;
  return ChipData.ReadExisting(ChipData.QvfPath().c_str(), true, false);
}

std::string WorkingBaselineName() {
  const int baseline = TheGroup().FindArrayByFile(ChipData.baselinePath);
  return baseline >= 0 ? TheGroup().Array(baseline).name : ChipData.baselinePath;
}

NormalizeDialog::NormalizeDialog(QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Normalize CEL values")) {
  const Group& group = TheGroup();
  auto* layout = new QVBoxLayout(this);

  auto* listBox =
      new QGroupBox(QStringLiteral("Baseline array [median probe intensity (brigtness)]"), this);
  auto* listLayout = new QVBoxLayout(listBox);
  mBaselines = new QComboBox(listBox);
  mBaselines->setObjectName(ControlName(kBaselineList));
  listLayout->addWidget(mBaselines);
  mNote = new QLabel(
      QStringLiteral("The default one has median brightness (median probe intensity)"), listBox);
  mNote->setObjectName(ControlName(kDefaultNote));
  mNote->setWordWrap(true);
  listLayout->addWidget(mNote);
  layout->addWidget(listBox);

  mState = new QLabel(QStringLiteral("The current array is not normalized."), this);
  mState->setObjectName(ControlName(kArrayState));
  mState->setWordWrap(true);
  layout->addWidget(mState);
  mIgnore = new QCheckBox(QStringLiteral("&Ignore the normalized data in QVF files"), this);
  mIgnore->setObjectName(ControlName(kIgnoreNormalized));
  layout->addWidget(mIgnore);
  mViewPlot = new QCheckBox(QStringLiteral("&View normalization plot"), this);
  mViewPlot->setObjectName(ControlName(kViewNormPlot));
  mViewPlot->setChecked(group.Settings().VIEW_NORM_PLOT != 0);
  layout->addWidget(mViewPlot);
  auto* help = ManualLink("normalization", this);
  layout->addWidget(help);
  AddOkCancelRow(*this, *layout);

  // By brightness, so that the middle entry is the array of median brightness.
  mArrays.resize(static_cast<std::size_t>(group.NumArrays()));
  std::iota(mArrays.begin(), mArrays.end(), 0);
  std::stable_sort(mArrays.begin(), mArrays.end(), [&group](int a, int b) {
    return group.Array(a).medianIntensity < group.Array(b).medianIntensity;
  });
  for (const int array : mArrays) mBaselines->addItem(ToQString(ArrayEntryText(array)));
  mBaselines->setCurrentIndex(group.NumArrays() / 2);

  if (group.HasProbeData) {
    if (group.NumArrays() > 0 && ReadArrayQvfHeader(0) && ChipData.normalised != 0) {
      mState->setText(ToQString(
          MessageBuffer("The first array '%s' has been normalized using baseline array '%s'",
                        group.Array(0).name.c_str(), WorkingBaselineName().c_str())));
    } else if (group.NumArrays() > 0) {
      mState->setText(ToQString(MessageBuffer("The first array '%s' has not been normalized",
                                              group.Array(0).name.c_str())));
    }
  } else {
    mState->hide();
    setWindowTitle(QStringLiteral("Noramlize expressoin values"));
    mNote->setText(
        QStringLiteral("The default one has median \"overall expression\" (median expression "
                       "value)"));
  }
  mViewPlot->setVisible(group.HasProbeData);
}

void NormalizeDialog::accept() {
  const int entry = mBaselines->currentIndex();
  mBaseline = entry >= 0 ? mArrays[static_cast<std::size_t>(entry)] : -1;
  mIgnoreNormalized = mIgnore->isChecked();
  TheGroup().Settings().VIEW_NORM_PLOT = mViewPlot->isChecked() ? 1 : 0;
  QDialog::accept();
}
