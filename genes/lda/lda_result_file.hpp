// The sample classification result file: the array and gene list files, the classes and
// their samples, and in the full file the table of every sample's place on the plane.
// Tab- and line-based text that the program writes and reads its classes back from.
#pragma once

#include <string>

// Lines are read up to this length: the class lines of 1000 samples fit.
inline constexpr std::size_t kLdaFileLineLength = 20000;

inline constexpr const char* kLdaFileWriteFailedMessage =
    "  Writing file '%s' failed. Possibly the file is open in Excel or wrong directory name\n";
inline constexpr const char* kLdaFileWritingMessage = "  Writing %s result in %s...\n";
inline constexpr const char* kPredictionRateMessage =
    "  Prediction rate for samples with known class: %.2f (%d/%d)";
inline constexpr const char* kNoPredictionRateMessage =
    "  Prediction rate for samples with known class: none, no sample has a class";
inline constexpr const char* kLdaFileMissingMessage = "  LDA result file %s not found\n";
inline constexpr const char* kLdaFileFoundMessage = "  Found %d classes in file %s\n";
// Our own: a file whose class lines do not hold together; its classes are not taken.
inline constexpr const char* kLdaFileBadMessage =
    "  LDA result file %s is not valid (%s); its classes are not used\n";

// The file's text for the open group and TheLdaResult(): the list and class lines, and
// with full the table of the result rows.
std::string LdaResultFileText(bool full);

// Writes the full file LDA_FILE names, announced in the log, registered as an output file
// and followed by the prediction rate (LDA) or an empty line (PCA); true at once when no
// file is named. False when the file is not written, with a red line naming it and the
// system's reason.
[[nodiscard]] bool WriteLdaResultFile();
