// The installed R connection; by default the one real R child.
#include "engine/services/r_link.hpp"

#include <utility>

#include "engine/services/stat_connector.hpp"
#include "engine/services/user_prompt.hpp"

namespace {

RLink* gLink = nullptr;

}  // namespace

bool RLink::StartR(bool showMessage) {
  if (Start()) return true;
  if (showMessage) AfxMessageBox(kCouldNotStartRMessage);
  return false;
}

RLink& RConnection() {
  return gLink != nullptr ? *gLink : DefaultStatConnector();
}

RLink* SetRLink(RLink* link) {
  return std::exchange(gLink, link);
}
