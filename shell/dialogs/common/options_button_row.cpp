#include "shell/dialogs/common/options_button_row.hpp"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include <utility>

#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"

void AddOptionsButtonRow(QDialog& dialog, QBoxLayout& layout, std::function<void()> openOptions) {
  QDialogButtonBox* buttons = AddOkCancelRow(dialog, layout);
  auto* options = buttons->addButton(QStringLiteral("&Options..."), QDialogButtonBox::ActionRole);
  options->setObjectName(ControlName(ids::kOptionsButton));
  QObject::connect(options, &QPushButton::clicked, &dialog, [openOptions = std::move(openOptions)] {
    if (openOptions) openOptions();
  });
}
