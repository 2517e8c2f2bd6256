// The installed view requests and their default without a window.
#include "engine/services/view_requests.hpp"

namespace {

class NoWindowViews final : public ViewRequests {
 public:
  void ShowView(RightPaneView) override {}
  bool ShowNormalizationReview() override { return false; }
};

NoWindowViews gNoWindowViews;
ViewRequests* gViews = &gNoWindowViews;

}  // namespace

ViewRequests& Views() {
  return *gViews;
}

ViewRequests* SetViewRequests(ViewRequests* requests) {
  ViewRequests* previous = gViews == &gNoWindowViews ? nullptr : gViews;
  gViews = requests != nullptr ? requests : &gNoWindowViews;
  return previous;
}
