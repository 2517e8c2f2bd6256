#include "shell/dialogs/common/manual_link.hpp"

#include <string>

#include "shell/dialogs/common/static_link.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/services/web_addresses.hpp"

CStaticLink* ManualLink(const char* section, QWidget* parent, const char* text) {
  auto* link = new CStaticLink(QString::fromLatin1(text),
                               std::string(kManualAddress) + "#" + section, parent);
  link->setObjectName(ControlName(ids::kHelpLink));
  return link;
}
