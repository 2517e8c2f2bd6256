// Tables written from the current clustering trees on the cluster view's commands: the
// values of selected gene branches, the correlation matrix of the samples over the
// clustered genes, and the probe sets that share a gene with the marked genes. Each file
// replaces the old one only once written whole.
#pragma once

#include <string>

// printf forms: the path.
inline constexpr const char* kCorrelationMatrixWriteFailedMessage =
    "  Write file '%s' failed; is it open in Excel?";
inline constexpr const char* kCorrelationMatrixExportedMessage =
    "  Exported sample correlation into file '%s'; open it by 'Analysis/Get external data' and "
    "cluster to view";
inline constexpr const char* kSameGeneStartMessage =
    "{Export the probe sets belonging to the same gene";
inline constexpr const char* kSameGeneWriteFailedMessage =
    "  Write file '%s' failed; check if 'Options/Analysis/Working directory' is correct";
inline constexpr const char* kSameGeneNotFinishedMessage = "Not finished}\n";
// printf form: the lines written, the path.
inline constexpr const char* kSameGeneWrittenMessage =
    "  Write %d probe sets into '%s'; can use clustering to look at this gene list";
inline constexpr const char* kSameGeneFinishedMessage = "Finished}\n";
// Our own: the same-gene export with no marked gene to name the file after.
inline constexpr const char* kSameGeneNoMarkMessage =
    "  No gene is marked in the clustering tree; select a gene branch first";
// Our own: an export with no gene tree, or with trees made over samples that the array
// list has changed since (printf form: the tree's sample count, the grouping's).
inline constexpr const char* kNoGeneTreeMessage =
    "  No clustering tree of genes; run 'Analysis/Hierarchical Clustering' first";
inline constexpr const char* kTreeSamplesChangedMessage =
    "  The clustering tree has %d samples but the sample grouping now has %d; redo "
    "'Analysis/Hierarchical Clustering'";

// The current gene branch (or, with cutAtHeight, every cluster of the tree cut at its
// height; with allColored, it and every coloured branch) as a table of the displayed
// samples: standardized writes the clustered profiles with each branch's mean and spread,
// else the raw values. False when the file cannot be written (errno then holds the
// system's reason) or no gene branch is current.
[[nodiscard]] bool ExportBranchData(const std::string& path, bool standardized, bool cutAtHeight,
                                    bool allColored);

// "<working dir>/<group> corr matrix.xls": the Pearson correlation of every pair of samples
// over the genes of the gene tree. Logged; false when it cannot be written.
[[nodiscard]] bool ExportCorrelationMatrix();

// "<working dir>/<first marked probe set>_same_gene.txt": for every marked gene of the
// gene tree, each probe set sharing its gene identifier. Reports in the log.
void ExportSameGeneProbeSets();
