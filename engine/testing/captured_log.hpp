// Test support: captures every line written to the analysis log while it is alive and
// restores the previous sink when it goes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/services/log_channel.hpp"

struct CapturedLine {
  std::string text;
  bool replaceLastLine;
  COLORREF colour;
};

class CapturedLog final : public LogSink {
 public:
  CapturedLog() : mPrevious(SetLogSink(this)) {}
  ~CapturedLog() override { SetLogSink(mPrevious); }
  CapturedLog(const CapturedLog&) = delete;
  CapturedLog& operator=(const CapturedLog&) = delete;

  void AddText(std::string_view text, bool replaceLastLine, COLORREF colour) override {
    mLines.push_back({std::string(text), replaceLastLine, colour});
  }

  const std::vector<CapturedLine>& Lines() const { return mLines; }
  void Clear() { mLines.clear(); }

  // True when some line in the colour contains the text.
  bool Contains(std::string_view text, COLORREF colour) const {
    for (const auto& line : mLines)
      if (line.colour == colour && line.text.find(text) != std::string::npos) return true;
    return false;
  }
  bool ContainsRed(std::string_view text) const { return Contains(text, kLogRed); }
  int CountInColour(COLORREF colour) const {
    int count = 0;
    for (const auto& line : mLines) count += line.colour == colour ? 1 : 0;
    return count;
  }

 private:
  LogSink* mPrevious;
  std::vector<CapturedLine> mLines;
};
