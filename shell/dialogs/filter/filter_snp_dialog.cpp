// The SNP quality filter's dialog.
#include "shell/dialogs/filter/filter_snp_dialog.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/group/group.hpp"
#include "genome/info/snp_info.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/filter/filter_file_rows.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

FilterSnpDialog::FilterSnpDialog(QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Filter SNPs by quality")) {
  const Group& group = TheGroup();
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  mFragmentLength = OptionEdit(kFragmentLength, this);
  mCallRate = OptionEdit(kCallRate, this);
  ShowInt(mFragmentLength, MaxFragmentLength);
  ShowInt(mCallRate, MinCallRatePercent);
  grid->addWidget(new QLabel(QStringLiteral("Fragment length <="), this), 0, 0);
  grid->addWidget(mFragmentLength, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("basepair"), this), 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("(Need SNP information file)"), this), 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("Call rate across samples >="), this), 1, 0);
  grid->addWidget(mCallRate, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("%"), this), 1, 2);
  layout->addLayout(grid);

  mOutputFile = group.Settings().FILTER_OUTPUT_LIST;
  if (mOutputFile.empty())
    mOutputFile =
        platform::JoinPath(group.Settings().WORKING_DIR, group.Name() + " filtered SNP.xls");
  mOutputList = OptionFileButton(kOutputList, mOutputFile, false, true, "None", this);
  layout->addLayout(FilterFileRows({{"Filtered SNP list:", mOutputList}}, this));
  AddOkCancelRow(*this, *layout);
}

void FilterSnpDialog::accept() {
  int fragment = MaxFragmentLength;
  int callRate = MinCallRatePercent;
  if (!ReadIntField(mFragmentLength, 0, kMaxFragmentLength, fragment) ||
      !ReadIntField(mCallRate, 0, kMaxCallRate, callRate))
    return;
  MaxFragmentLength = fragment;
  MinCallRatePercent = callRate;
  TheGroup().Settings().FILTER_OUTPUT_LIST = mOutputFile;
  QDialog::accept();
}
