// The pages of the options sheet in their order; OPTION_PAGE holds one of these, and a
// dialog's "&Options..." button opens the sheet at the page that concerns it.
#pragma once

#include <functional>

class ShellFrame;

inline constexpr int kClusteringOptionsPageIndex = 0;
inline constexpr int kAnalysisOptionsPageIndex = 1;
inline constexpr int kModelOptionsPageIndex = 2;
inline constexpr int kChromosomeOptionsPageIndex = 3;
inline constexpr int kOptionsPageCount = 4;

// What such a button runs: the frame's Options sheet opened at page.
std::function<void()> OptionsOpener(ShellFrame& frame, int page);
