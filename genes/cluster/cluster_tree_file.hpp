// The tree file: a finished gene tree, and the sample tree when there is one, as a
// tab-separated table of nodes, so a clustering can be shown again without recomputing
// it. Its gene rows also serve as a gene list (see ReadGeneList).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "genes/cluster/cluster_tree.hpp"

inline constexpr const char* kTreeFileMagic = "TREE_FILE";
inline constexpr const char* kTreeFileHeader =
    "Name\tNumber\tParent\tChild1\tChild2\tWeight\tDistance";
inline constexpr const char* kSuperGeneName = "SUPER_GENE";
inline constexpr const char* kSuperSampleName = "SUPER_SAMPLE";
// Lines of the tree file are read up to this many characters.
inline constexpr std::size_t kTreeFileLineLength = 20000;

// printf forms: the path; the column counts.
inline constexpr const char* kTreeFileOpenFailedMessage = "  Reading tree file %s failed\n";
inline constexpr const char* kTreeFileReadingMessage = "  Reading tree file %s";
inline constexpr const char* kTreeColumnsMessage =
    "    The number of columns %d in the tree file does not match the number %d current in use";
inline constexpr const char* kTreeColumnsHintMessage =
    "    Check the \"Analysis/Hierarchical Clustering/Sample handling\" tab";
inline constexpr const char* kTreeGeneNameMessage =
    "    Inconsistent gene name found in the tree file";
inline constexpr const char* kIgnoreSampleTreeMessage =
    "     Ignore sample clustering tree in the file";
inline constexpr const char* kSampleTreeNotFoundMessage = "    Sample clustering tree not found";
// Our own: a line that is no node line, or nodes whose links do not make one tree.
// printf forms with the line number and what is wrong.
inline constexpr const char* kTreeBadLineMessage =
    "    Line %lld of the tree file is not valid: %s";
inline constexpr const char* kTreeBadLinksMessage =
    "    The %s tree in the tree file is not valid: %s";

// How leaves are named and looked up: the probe sets of the layout and the samples of the
// grouping in the program, anything in tests.
struct TreeFileNames {
  std::function<std::string(int item)> geneName;       // leaf item (unit) -> name
  std::function<int(std::string_view name)> findGene;  // name -> unit, -1 none
  std::function<std::string(int sample)> sampleName;   // sample index -> name
  // name -> the sample's first array, -1 none
  std::function<int(std::string_view name)> findSampleArray;
};
// Names of the open group's layout and sample grouping.
TreeFileNames GroupTreeFileNames();

// Writes the trees; false when the file cannot be written (nothing is replaced then), with
// errno the system's reason.
[[nodiscard]] bool WriteTreeFile(const std::string& path, const CLUSTER& genes,
                                 const CLUSTER* samples, const TreeFileNames& names);
// The current trees with the group's names.
[[nodiscard]] bool WriteTreeFile(const char* path);

// Reads the file into genes (and samples, when not null) whose leaves are filled (their
// items set; a leaf line must name the gene or sample of its node): links,
// weights and heights, then the gene rows standardised, the merged profiles and the leaf
// order. When the file has no sample lines, samplesRead is false. On any failure
// (logged) the trees are left half-filled, for the caller to discard.
[[nodiscard]] bool ReadTreeFileInto(const std::string& path, CLUSTER& genes, CLUSTER* samples,
                                    const TreeFileNames& names, bool* samplesRead);
// Reads GENE_LIST_FILE into the trees RunHierarchicalClustering has just made; with
// CLUSTER_SAMPLE on and no sample lines in the file, the setting is switched off and
// samples is freed.
[[nodiscard]] bool ReadTreeFile(CLUSTER& genes, std::unique_ptr<CLUSTER>& samples);

// Fuzz entry: a tree file of these bytes read into small trees.
bool FuzzReadTreeFile(const std::uint8_t* data, std::size_t size);
