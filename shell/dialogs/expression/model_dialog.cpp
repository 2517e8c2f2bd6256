// The model-based expression dialog and its range checks.
#include "shell/dialogs/expression/model_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <string>
#include <utility>

#include "engine/group/group_settings.hpp"
#include "engine/services/log_channel.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/options_button_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/text_conversion.hpp"

ModelDialog::ModelDialog(GroupSettings& settings, std::function<void()> openOptions,
                         QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Compute model-based expression index")),
      mSettings(settings) {
  auto* layout = new QVBoxLayout(this);

  auto* fields = new QGridLayout;
  mTruncate = new QCheckBox(QStringLiteral("Truncate low values to"));
  mTruncate->setObjectName(ControlName(kTruncateCheck));
  mTruncate->setChecked(settings.TRUNCATE != 0);
  mValue = new QLineEdit(QString::number(settings.TRUNCATE_VALUE, 'g', 10));
  mValue->setObjectName(ControlName(kTruncateValue));
  fields->addWidget(mTruncate, 0, 0);
  fields->addWidget(mValue, 0, 1);
  mTruncatePercentile = new QCheckBox(QStringLiteral("Truncate low values to "));
  mTruncatePercentile->setObjectName(ControlName(kTruncatePercentileCheck));
  mTruncatePercentile->setChecked(settings.TRUNCATE_PCT != 0);
  mPercentile = new QLineEdit(QString::number(settings.TRUNCATE_PCT_VALUE));
  mPercentile->setObjectName(ControlName(kTruncatePercentile));
  fields->addWidget(mTruncatePercentile, 1, 0);
  fields->addWidget(mPercentile, 1, 1);
  fields->addWidget(
      new QLabel(QStringLiteral("th percentile of the expression values called absent ('A')")), 1,
      2);
  layout->addLayout(fields);

  auto* note = new QLabel(QStringLiteral(
      "You need not run this step again while the status bar shows \"Modelled\", unless "
      "model options have changed."));
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* help = ManualLink("model-based-expression", this, "Help on model-based expression");
  layout->addWidget(help);

  AddOptionsButtonRow(*this, *layout, std::move(openOptions));
}

void ModelDialog::accept() {
  bool isNumber = false;
  const double value = mValue->text().trimmed().toDouble(&isNumber);
  if (!isNumber) {
    AfxMessageBox("Please enter a number.");
    mValue->setFocus();
    mValue->selectAll();
    return;
  }
  bool isInteger = false;
  const int percentile = mPercentile->text().trimmed().toInt(&isInteger);
  if (!isInteger || percentile < 0 || percentile > kMaxPercentile) {
    AfxMessageBox(MessageBuffer("Please enter an integer between 0 and %d.", kMaxPercentile));
    mPercentile->setFocus();
    mPercentile->selectAll();
    return;
  }
  mSettings.TRUNCATE = mTruncate->isChecked() ? 1 : 0;
  mSettings.TRUNCATE_VALUE = value;
  mSettings.TRUNCATE_PCT = mTruncatePercentile->isChecked() ? 1 : 0;
  mSettings.TRUNCATE_PCT_VALUE = percentile;
  QDialog::accept();
}
