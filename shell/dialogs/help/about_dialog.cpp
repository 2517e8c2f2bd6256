// The About box.
#include "shell/dialogs/help/about_dialog.hpp"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "shell/dialogs/common/static_link.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/services/web_addresses.hpp"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(ControlName(ids::kAboutDialog));
  setWindowTitle(QStringLiteral("About Zelko"));
  auto* layout = new QVBoxLayout(this);
  auto* title =
      new QLabel(QStringLiteral("<b>Zelko</b><br>Analysis of oligonucleotide microarrays"));
  layout->addWidget(title);
  auto* home = new CStaticLink(QStringLiteral("Zelko home page"), kHomePageAddress, this);
  home->setObjectName(ControlName(ids::kHelpLink));
  layout->addWidget(home);
  auto* thanks = new CStaticLink(QStringLiteral("Acknowledgements"), kAcknowledgementAddress, this);
  thanks->setObjectName(ControlName(ids::kAcknowledgementLink));
  layout->addWidget(thanks);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}
