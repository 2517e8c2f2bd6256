// The ENU analysis dialog.
#include "shell/dialogs/genome/enu_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>
#include <utility>

#include "genome/chromosome/chromosome.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/options_button_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"

EnuDialog::EnuDialog(std::function<void()> openOptions, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("ENU analysis")) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      QStringLiteral("Penetrance (probability of affected given the genotype; A is the disease "
                     "allele from the Mutated sample)"),
      this));
  auto* grid = new QGridLayout;
  mAA = OptionEdit(kPenetranceAA, this);
  mAB = OptionEdit(kPenetranceAB, this);
  mBB = OptionEdit(kPenetranceBB, this);
  int column = 0;
  for (const auto& [label, edit] : {std::pair{"AA:", mAA}, {"AB:", mAB}, {"BB:", mBB}}) {
    grid->addWidget(new QLabel(QString::fromLatin1(label), this), 0, column++);
    grid->addWidget(edit, 0, column++);
  }
  auto* recessive = new QRadioButton(QStringLiteral("Recessive"), this);
  recessive->setObjectName(ControlName(kRecessive));
  auto* dominant = new QRadioButton(QStringLiteral("Dominant"), this);
  dominant->setObjectName(ControlName(kDominant));
  grid->addWidget(recessive, 1, 0, 1, 2);
  grid->addWidget(dominant, 1, 2, 1, 2);
  layout->addLayout(grid);
  mInfer = OptionCheck("&Infer genotype calls", kInferGenotypes, this);
  mInfer->setChecked(chromosome.usePosterior != 0);
  layout->addWidget(mInfer);
  auto* help = ManualLink("enu", this);
  layout->addWidget(help);
  AddOptionsButtonRow(*this, *layout, std::move(openOptions));
  // The settings hold the states in the calls' order: AA, BB, AB.
  const std::array<float, 3>& affected = chromosome.affectedGivenState;
  ShowPenetrance(affected[0], affected[2], affected[1]);

  connect(recessive, &QRadioButton::clicked, this, [this] { ShowPenetrance(1, 0, 0); });
  connect(dominant, &QRadioButton::clicked, this, [this] { ShowPenetrance(1, 1, 0); });
}

void EnuDialog::ShowPenetrance(float aa, float ab, float bb) {
  ShowFloat(mAA, aa);
  ShowFloat(mAB, ab);
  ShowFloat(mBB, bb);
}

void EnuDialog::accept() {
  double aa = 0.0;
  double ab = 0.0;
  double bb = 0.0;
  if (!ReadDoubleField(mAA, 0.0, 1.0, aa) || !ReadDoubleField(mAB, 0.0, 1.0, ab) ||
      !ReadDoubleField(mBB, 0.0, 1.0, bb))
    return;
  chromosome.affectedGivenState = {static_cast<float>(aa), static_cast<float>(bb),
                                   static_cast<float>(ab)};
  chromosome.usePosterior = mInfer->isChecked() ? 1 : 0;
  QDialog::accept();
}
