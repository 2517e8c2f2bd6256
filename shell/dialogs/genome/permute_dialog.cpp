// The permutation dialog of the chromosome curve.
#include "shell/dialogs/genome/permute_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_info.hpp"
#include "genome/inference/chromosome_curve.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/options_button_row.hpp"
#include "shell/dialogs/common/select_factors_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

QString FactorText(const std::string& factor) {
  return factor.empty() ? QStringLiteral("factor") : ToQString(factor);
}

}  // namespace

PermuteDialog::PermuteDialog(std::function<void()> openOptions, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Permute data to assess curve significance")),
      mFactor(TheGroup().Settings().ANOVA_FACTOR) {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  auto* label = new QLabel(QStringLiteral("Correlate the curve with &factor:"), this);
  mFactorButton = OptionFileButton(kFactorButton, this);
  label->setBuddy(mFactorButton);
  SetControlText(mFactorButton, FactorText(mFactor));
  grid->addWidget(label, 0, 0);
  grid->addWidget(mFactorButton, 0, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);
  mUseInferred =
      OptionCheck("Only use LOH with inferred copy between Min and Max ", kUseInferred, this);
  mUseInferred->setChecked(PermuteUseInferred);
  layout->addWidget(mUseInferred);
  auto* help = ManualLink("permute-chromosome", this);
  layout->addWidget(help);
  AddOptionsButtonRow(*this, *layout, std::move(openOptions));
  connect(mFactorButton, &QPushButton::clicked, this, &PermuteDialog::SelectFactor);
}

bool PermuteDialog::AcceptableFactor(const std::string& factor) {
  return !Contains(factor, ",") && (Contains(factor, kNumericMarker) || Contains(factor, "None"));
}

void PermuteDialog::SelectFactor() {
  // The curve is correlated with one number per sample, so anything else is asked again;
  // giving up keeps the factor the dialog had.
  const std::string before = mFactor;
  for (;;) {
    SelectFactorsDialog select(mFactor, this);
    if (Prompts().RunDialog(select) != QDialog::Accepted) {
      mFactor = before;
      SetControlText(mFactorButton, FactorText(mFactor));
      return;
    }
    SetControlText(mFactorButton, FactorText(mFactor));
    if (AcceptableFactor(mFactor)) return;
    AfxMessageBox(kOneNumericFactorMessage);
  }
}

void PermuteDialog::accept() {
  TheGroup().Settings().ANOVA_FACTOR = mFactor;
  PermuteUseInferred = mUseInferred->isChecked();
  QDialog::accept();
}
