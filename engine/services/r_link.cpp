// The installed R connection and its unconnected default.
#include "engine/services/r_link.hpp"

#include "engine/services/user_prompt.hpp"

namespace {

class UnconnectedR final : public RLink {
 public:
  RReply Start() override { return NotConnected(); }
  RReply SetVector(std::string_view, std::span<const double>) override { return NotConnected(); }
  RReply SetMatrix(std::string_view, const RMatrix&) override { return NotConnected(); }
  RReply GetMatrix(std::string_view, RMatrix&) override { return NotConnected(); }
  RReply ExecuteCommand(std::string_view) override { return NotConnected(); }

 private:
  static RReply NotConnected() { return RReply::Failure(kRNotConnectedError); }
};

UnconnectedR gUnconnectedR;
RLink* gLink = &gUnconnectedR;

}  // namespace

bool RLink::StartR(bool showMessage) {
  if (Start()) return true;
  if (showMessage) AfxMessageBox(kCouldNotStartRMessage);
  return false;
}

RLink& RConnection() {
  return *gLink;
}

RLink* SetRLink(RLink* link) {
  RLink* previous = gLink == &gUnconnectedR ? nullptr : gLink;
  gLink = link != nullptr ? link : &gUnconnectedR;
  return previous;
}
