// The small popup every install step shows while it works: a line of text over a bar,
// the percentage in the window's title. The library has no window of its own, so this is
// the window's state and behaviour, with a trace of what a real window would have been
// told (shown, hidden, retitled, redrawn...) that a host or a test can read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellbrook {

inline constexpr int kProgressWindowWidth = 390;
inline constexpr int kProgressWindowHeight = 130;
inline constexpr int kProgressTextId = 11;
inline constexpr int kProgressBarId = 12;

class ProgressWindow {
 public:
  // owner: the name of the host window it belongs to, none when no such window was found.
  // The flag has no effect. The window starts hidden.
  ProgressWindow(std::optional<std::string> owner, std::string_view title, int flag);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  void SetRange(int lower, int upper, int step);
  // The bar's previous step; without a window the previously remembered one.
  int SetStep(int step);
  // Shows the window; the title becomes "<title> [<percent>%]" when the whole percentage
  // (position x 100 / (upper - lower), 0 for an empty range) changes. The bar's previous
  // position; without a window the remembered position.
  int SetPos(int position);
  int StepIt();
  void SetText(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Show();
  void Hide();
  void Clear();
  // Destroys the window; later operations do nothing and give remembered values.
  bool DestroyWindow();

  bool IsWindow() const { return mExists; }
  bool IsVisible() const { return mVisible; }
  const std::string& WindowText() const { return mWindowText; }
  const std::string& TextLine() const { return mTextLine; }
  int Position() const { return mPosition; }
  int BarPosition() const { return mBarPosition; }
  const std::optional<std::string>& Owner() const { return mOwner; }
  // What the window was told, in order: "create", "show", "hide", "foreground",
  // "title <text>", "text <text>", "range <lower> <upper>", "step <step>", "pos <position>",
  // "redraw", "update", "destroy".
  const std::vector<std::string>& Events() const { return mEvents; }

 private:
  void Note(std::string event);
  void SetWindowText(std::string text);

  std::optional<std::string> mOwner;
  bool mExists = false;
  bool mVisible = false;
  std::string mTitle = "Progress";
  std::string mWindowText;
  std::string mTextLine;
  int mPosition = 0;
  int mShownPercent = 0;
  int mStep = 1;
  int mUpper = 100;
  int mLower = 0;
  // The bar control's own state: its defaults, and positions held inside its range.
  int mBarLower = 0;
  int mBarUpper = 100;
  int mBarStep = 10;
  int mBarPosition = 0;
  std::vector<std::string> mEvents;
};

}  // namespace quellbrook
