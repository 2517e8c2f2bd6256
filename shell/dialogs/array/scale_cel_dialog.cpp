// The Scale CEL values dialog.
#include "shell/dialogs/array/scale_cel_dialog.hpp"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "engine/group/group.hpp"
#include "engine/jobs/scale_cel_values.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/services/text_conversion.hpp"

ScaleCelDialog::ScaleCelDialog(QWidget* parent, int array)
    : NamedDialog(parent, kDialogId, QStringLiteral("Scale CEL values")),
      mTarget(kScaleCelDefaultTarget) {
  const ArraySlot& slot = TheGroup().Array(array);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto* name = new QLabel(ToQString(slot.name), this);
  name->setObjectName(ControlName(kArrayName));
  form->addRow(QStringLiteral("Array:"), name);
  auto* median = new QLabel(QString::number(slot.medianIntensity), this);
  median->setObjectName(ControlName(kMedian));
  form->addRow(QStringLiteral("Median intensity:"), median);
  mTargetEdit = OptionEdit(kTarget, this);
  ShowInt(mTargetEdit, kScaleCelDefaultTarget);
  form->addRow(QStringLiteral("Scale to median intensity:"), mTargetEdit);
  layout->addLayout(form);
  auto* note = new QLabel(
      QStringLiteral("(Note: all the unnormalized CEL values will be multiplied by a factor, and "
                     "the results will be saved in QVF file; redo \"Analysis/Open group\" to use "
                     "the scaled values)"),
      this);
  note->setObjectName(ControlName(kNote));
  note->setWordWrap(true);
  layout->addWidget(note);
  AddOkCancelRow(*this, *layout);
}

void ScaleCelDialog::accept() {
  if (!ReadIntField(mTargetEdit, kScaleCelMinTarget, kScaleCelMaxTarget, mTarget)) return;
  QDialog::accept();
}
