// The analysis log as an output window.
#include "engine/services/output_window.hpp"

#include "engine/services/log_channel.hpp"

namespace {

class LogWindow final : public OutputWindow {
 public:
  void AppendOutput(std::string_view text) override { AppendLogOutput(text); }
  void EndOutput() override { EndLogOutput(); }
};

}  // namespace

OutputWindow& LogOutputWindow() {
  static LogWindow window;
  return window;
}
