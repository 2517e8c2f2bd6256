#include "installer/framework/progress_window.hpp"

#include <algorithm>
#include <cstdarg>
#include <utility>

#include "installer/framework/text_functions.hpp"

namespace quellbrook {

ProgressWindow::ProgressWindow(std::optional<std::string> owner, std::string_view title,
                               int /*flag*/)
    : mOwner(std::move(owner)) {
  mTitle = std::string(title);
  mExists = true;
  mWindowText = mTitle;
  Note(FormatText("create %dx%d", kProgressWindowWidth, kProgressWindowHeight));
}

ProgressWindow::~ProgressWindow() {
  DestroyWindow();
}

void ProgressWindow::Note(std::string event) {
  mEvents.push_back(std::move(event));
}

void ProgressWindow::SetWindowText(std::string text) {
  mWindowText = std::move(text);
  Note("title " + mWindowText);
}

void ProgressWindow::SetRange(int lower, int upper, int step) {
  if (!mExists) return;
  mBarLower = lower;
  mBarUpper = upper;
  mBarPosition = std::clamp(mBarPosition, std::min(lower, upper), std::max(lower, upper));
  mBarStep = step;
  Note(FormatText("range %d %d", lower, upper));
  Note(FormatText("step %d", step));
  mLower = lower;
  mUpper = upper;
  mStep = step;
}

int ProgressWindow::SetStep(int step) {
  const int remembered = mStep;
  mStep = step;
  if (!mExists) return remembered;
  const int previous = mBarStep;
  mBarStep = step;
  Note(FormatText("step %d", step));
  return previous;
}

int ProgressWindow::SetPos(int position) {
  if (!mExists) return mPosition;
  Show();
  mPosition = position;
  // The lower end is not taken from the position: the percentage is of the range's width.
  const int percent = mUpper > mLower ? position * 100 / (mUpper - mLower) : 0;
  if (percent != mShownPercent) {
    mShownPercent = percent;
    SetWindowText(FormatText("%s [%d%%]", mTitle.c_str(), percent));
  }
  const int previous = mBarPosition;
  mBarPosition =
      std::clamp(position, std::min(mBarLower, mBarUpper), std::max(mBarLower, mBarUpper));
  Note(FormatText("pos %d", mBarPosition));
  return previous;
}

int ProgressWindow::StepIt() {
  if (!mExists) return mPosition;
  Show();
  const int previous = SetPos(mPosition + mStep);
  Note("redraw");
  Note("foreground");
  return previous;
}

void ProgressWindow::SetText(const char* format, ...) {
  if (!mExists) return;
  std::va_list args;
  va_start(args, format);
  mTextLine = FormatTextV(format, args);
  va_end(args);
  Note("text " + mTextLine);
}

void ProgressWindow::Show() {
  if (!mExists) return;
  if (!mVisible) {
    mVisible = true;
    Note("show");
  }
  Note("foreground");
}

void ProgressWindow::Hide() {
  if (!mExists || !mVisible) return;
  mVisible = false;
  Note("hide");
}

void ProgressWindow::Clear() {
  SetText("%s", "");
  SetPos(0);
  mPosition = 0;
  if (mExists) Note("update");
}

bool ProgressWindow::DestroyWindow() {
  if (!mExists) return false;
  mExists = false;
  mVisible = false;
  Note("destroy");
  return true;
}

}  // namespace quellbrook
