// Where an outside program's output is shown as it comes: text appended at the end of a
// window, with no line break added. The analysis log is one; tests capture the text.
#pragma once

#include <string_view>

class OutputWindow {
 public:
  virtual ~OutputWindow() = default;
  // Puts text at the end and keeps the end in view.
  virtual void AppendOutput(std::string_view text) = 0;
  // The program's output is complete.
  virtual void EndOutput() {}
};

// The analysis log as an output window (through the installed log sink).
OutputWindow& LogOutputWindow();
