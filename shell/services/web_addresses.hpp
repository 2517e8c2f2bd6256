// The program's own web pages, opened by the Help menu and the help links of dialogs.
#pragma once

inline constexpr const char* kHomePageAddress = "https://zelko.example.org/";
inline constexpr const char* kManualAddress = "https://zelko.example.org/manual.html";
inline constexpr const char* kAcknowledgementAddress =
    "https://zelko.example.org/manual.html#acknowledgements";
inline constexpr const char* kDiscussionGroupAddress = "https://zelko.example.org/forum/";
