// View/Find Gene and View/Find Next: the one search behind every view that shows probe
// sets. Neither changes anything itself; each view makes the result current and scrolls
// or redraws as it does.
#pragma once

#include <string_view>

class QWidget;

// The pre-filled gene keyword is the current probe set's gene name cut to this length.
inline constexpr std::size_t kFindKeywordPrefill = 30;
inline constexpr const char* kNoKeywordMatchMessage = "Cannot find a gene with keyword ";
inline constexpr const char* kNoProbeSetMatchMessage = "Cannot find the probe set ";
inline constexpr const char* kNoFurtherMatchMessage = "Cannot find another gene with keyword \"";

// Asks for a probe-set number, a probe-set name or gene keywords and searches by the
// first field the user changed, in the order keywords, name, number. Returns the probe
// set to make current, the current one (CUR_UNIT) when nothing changed or on Cancel, or
// -1 after a failed search, whose message was shown. A view keeps its current probe set
// on -1.
int FindGene(QWidget* parent);

// The next probe set after the last hit matching the keyword of the last keyword search,
// round once. -1, after the message naming the keyword, when there is none other than
// the current probe set (or no keyword was searched for yet).
int FindNextGene();

// View/Find Gene (FindGene) or View/Find Next (FindNextGene), by the command's id.
int FindByCommand(int id, QWidget* parent);
