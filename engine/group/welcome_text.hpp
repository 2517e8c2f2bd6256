// The log's welcome on the program's first display, and the snapshot of the group's
// settings file that Print Settings writes into the log.
#pragma once

#include <ctime>

// The greeting for an hour of the day (0 to 23).
const char* GreetingForHour(int hour);

// Logs the welcome line in blue, an empty line, and the greeting with the time in black;
// keeps the time ("%m/%d/%y, %H:%M") in the group as the program's start time.
void WelcomeText(const std::tm& now);
void WelcomeText();

// Logs "{Settings at <time>" in blue, the settings file's path and every line of it,
// then "}" in blue; only the opening line when the file does not open.
void WriteSettingsSnapshot(const std::tm& now);
void WriteSettingsSnapshot();
