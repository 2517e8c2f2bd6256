// Classifying the genes of a gene list by their annotation terms: per term column of the
// gene information, every term the listed genes carry, how many of them carry it, and the
// chance of that many or more (upper-tail hypergeometric), with the listed genes' own
// lines under each term.
#pragma once

#include <string>

inline constexpr const char* kNoHeaderLineText = "No heander line";
inline constexpr const char* kAllocatingFileLinesMessage = "  Allocating 'group.FileLines' failed";
// The list file's path goes between the two parts.
inline constexpr const char* kReadingGeneListFailedMessage = "  Reading gene list file ";
inline constexpr const char* kReadingGeneListFailedTail = " failed";
inline constexpr const char* kClassifyWriteFailedMessage =
    "  Writing file '%s' failed; probably the file is open in Excel or or wrong directory name";

// Below this p-value every further factor of ten adds no star.
inline constexpr double kSmallestStarredPValue = 1e-9;

// Reads the gene list file (listed genes marked in GeneList with their lines and the
// header line kept) and writes outputFile: the header line, then per term column every
// term the listed genes carry, in the table's order, with its count, the p-value and its
// stars, followed by the lines of the listed genes carrying it, and a closing line with
// the number of terms assessed. With onlySignificant a term is written only when its
// p-value lies below the group's SIG_GENE_PVALUE and more than one listed gene carries
// it. The file is replaced only once complete. False, with a red line, when the list
// cannot be read or the file cannot be written.
[[nodiscard]] bool ClassifyGenesByTerms(const std::string& listFile, const std::string& outputFile,
                                        bool onlySignificant);

// The stars of a p-value below threshold: one, and one more for every factor of ten
// below one the p-value (at least kSmallestStarredPValue) lies; none at or above it.
std::string EnrichmentStars(double pValue, double threshold);
