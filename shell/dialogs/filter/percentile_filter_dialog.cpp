// The percentile filtering dialog.
#include "shell/dialogs/filter/percentile_filter_dialog.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/filter/filter_file_rows.hpp"
#include "shell/dialogs/filter/filter_genes_page.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

PercentileFilterDialog::PercentileFilterDialog(QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Percentile Filtering")) {
  const Group& group = TheGroup();
  auto* layout = new QVBoxLayout(this);
  auto* criterion = new QHBoxLayout;
  mNumerator = OptionEdit(kNumerator, this);
  mDenominator = OptionEdit(kDenominator, this);
  mFold = OptionEdit(kFold, this);
  for (QLineEdit* edit : {mNumerator, mDenominator, mFold}) edit->setMaximumWidth(60);
  ShowFloat(mNumerator, group.RunOptions().percentileHigh);
  ShowFloat(mDenominator, group.RunOptions().percentileLow);
  ShowFloat(mFold, group.RunOptions().percentileFold);
  criterion->addWidget(mNumerator);
  criterion->addWidget(new QLabel(QStringLiteral("-th percentile    / "), this));
  criterion->addWidget(mDenominator);
  criterion->addWidget(new QLabel(QStringLiteral("-th percentile    >="), this));
  criterion->addWidget(mFold);
  criterion->addWidget(new QLabel(QStringLiteral("fold"), this));
  layout->addLayout(criterion);

  mOutputFile = group.Settings().FILTER_OUTPUT_LIST;
  mOutputList = OptionFileButton(kOutputList, mOutputFile, false, false, "None", this);
  layout->addLayout(FilterFileRows({{"Filtered gene list:", mOutputList}}, this));

  AddOkCancelRow(*this, *layout);
}

void PercentileFilterDialog::accept() {
  GroupRunOptions& options = TheGroup().RunOptions();
  float numerator = options.percentileHigh;
  float denominator = options.percentileLow;
  float fold = options.percentileFold;
  if (!ReadFloatField(mNumerator, 0.0, kMaxPercentile, numerator) ||
      !ReadFloatField(mDenominator, 0.0, kMaxPercentile, denominator) ||
      !ReadFloatField(mFold, kMinFold, kMaxFold, fold))
    return;
  // The filter could only fail to write.
  if (IsNone(mOutputFile)) {
    AfxMessageBox(CClusterGeneDialog::kNoOutputMessage);
    return;
  }
  options.percentileHigh = numerator;
  options.percentileLow = denominator;
  options.percentileFold = fold;
  // The filter writes the run option; the setting keeps the name for the next dialog.
  options.percentileOutput = mOutputFile;
  TheGroup().Settings().FILTER_OUTPUT_LIST = mOutputFile;
  QDialog::accept();
}
