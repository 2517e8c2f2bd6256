// The online link dialog.
#include "shell/dialogs/links/online_link_dialog.hpp"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"

OnlineLinkDialog::OnlineLinkDialog(std::string_view address, QWidget* parent) : QDialog(parent) {
  setObjectName(ControlName(ids::kOnlineLinkDialog));
  setWindowTitle(QStringLiteral("Go to an online link"));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(QStringLiteral(
      "The following web address has been copied to the clipboard; please go to the address "
      "bar of your internet browser, and right-click/Paste to go to the page."));
  text->setWordWrap(true);
  layout->addWidget(text);
  auto* edit = new QLineEdit(ToQString(address));
  edit->setObjectName(ControlName(ids::kOnlineLinkAddress));
  edit->setReadOnly(true);
  layout->addWidget(edit);
  auto* note = new QLabel(QStringLiteral(
      "Uncheck \"Tools/Options/Analysis/Show online link dialog\" to disable this dialog."));
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  resize(420, sizeHint().height());
}
