// The pathway filter dialog.
#include "shell/dialogs/pathway/pathway_filter_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/group/group.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

PathwayFilterDialog::PathwayFilterDialog(QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Filter genes by pathway")) {
  const Group& group = TheGroup();
  const GroupSettings& settings = group.Settings();
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);

  grid->addWidget(new QLabel(QStringLiteral("Input gene list:"), this), 0, 0);
  mInputFile = settings.FILTER_INPUT_LIST;
  mInputList = OptionFileButton(kInputList, mInputFile, true, true, "None", this);
  grid->addWidget(mInputList, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Correlation >="), this), 1, 0);
  mCorrelation = OptionEdit(kCorrelation, this);
  ShowDouble(mCorrelation, settings.PATHWAY_CORR);
  grid->addWidget(mCorrelation, 1, 1);
  mRank = OptionCheck("Use &rank correlation (more robust and detect nonlinear relationship)",
                      kRankCorrelation, this);
  mRank->setChecked(group.RunOptions().factorRankCorrelation);
  grid->addWidget(mRank, 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);

  auto* help = ManualLink("pathway", this);
  layout->addWidget(help);
  AddOkCancelRow(*this, *layout);
}

void PathwayFilterDialog::accept() {
  double correlation = 0.0;
  if (!ReadDoubleField(mCorrelation, kMinCorrelation, kMaxCorrelation, correlation)) return;
  Group& group = TheGroup();
  group.Settings().FILTER_INPUT_LIST = mInputFile;
  group.Settings().PATHWAY_CORR = correlation;
  group.RunOptions().factorRankCorrelation = mRank->isChecked();
  QDialog::accept();
}
