// Gene list files made from the gene information: the probe sets carrying selected terms
// of one annotation column, and the probe sets whose name or description matches
// keywords. Each line is the probe set's name, a tab and a text of the gene.
#pragma once

#include <span>
#include <string>
#include <string_view>

inline constexpr const char* kGeneListByTermsStart =
    "{Output gene list file by functional annotation";
inline constexpr const char* kGeneListByTermsSaved = "  %d probe sets are saved in file '%s'";
inline constexpr const char* kGeneListByTermsFinished = "Finished}\n";
// One line for both refusals: no gene information in use, or the file not writable.
inline constexpr const char* kGeneListByTermsFailed =
    "  No gene information is in use, or the file '%s' cannot be written; does the file name "
    "contain special characters?";

inline constexpr const char* kNoGeneInfoAvailableMessage = "No gene information available";
inline constexpr const char* kFileWritingErrorMessage = "File writing error";
inline constexpr const char* kExportGeneListCaption = "Export gene list";
inline constexpr const char* kKeywordGenesExported =
    "%d genes matching keywords \"%s\" are exported to file %s";

// Writes outputFile with one line per probe set, in unit order, that carries in column
// any of the terms (union) or all of them (intersection): its name, a tab and the gene's
// Name. With no term, intersection writes every probe set and union none. The file is
// replaced only once complete and then registered. False, with a red line, when no gene
// information is loaded, the column does not exist or the file cannot be written.
[[nodiscard]] bool OutputGeneListByTerms(const std::string& outputFile,
                                         std::span<const int> termIndices, int column,
                                         bool intersection);

// Writes outputFile with one line per probe set whose name or description matches the
// keywords (any letter case, the wildcards of MatchWildcard): its name, a tab and the
// gene's Name when the group's LOCUS_LINK_NAME is on, else its Description. Tells the
// user how many were written, or why nothing was, in a message box.
void ExportGeneListByKeywords(const std::string& outputFile, std::string_view keywords);
