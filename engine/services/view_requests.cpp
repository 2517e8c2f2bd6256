// The installed view requests and their default without a window.
#include "engine/services/view_requests.hpp"

#include "engine/services/installed_service.hpp"

namespace {

class NoWindowViews final : public ViewRequests {
 public:
  void ShowView(RightPaneView) override {}
  bool ShowNormalizationReview() override { return false; }
};

NoWindowViews gNoWindowViews;
constinit InstalledService<ViewRequests> gViews{gNoWindowViews};

}  // namespace

ViewRequests& Views() {
  return gViews.Get();
}

ViewRequests* SetViewRequests(ViewRequests* requests) {
  return gViews.Install(requests);
}
