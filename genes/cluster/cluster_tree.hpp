// An agglomerative tree over n items (genes of the gene list, or samples), each described
// by a profile of m values: its nodes, the merges that build it from the profiles, the
// leaf order in which it is drawn, and the walks the cluster view makes over it.
//
// Nodes 0 to n-1 are the leaves in item order, nodes n to 2n-2 the merges in order, and
// node 2n-2 the root. Distances between profiles are in cluster_distance.hpp; the kept
// distance triangle in cluster_triangle.hpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/colour.hpp"
#include "engine/numerics/tree_order_messages.hpp"
#include "genes/cluster/cluster_distance.hpp"
#include "genes/cluster/cluster_settings.hpp"

class DistanceTriangle;

// Coloured branches of one tree.
inline constexpr int kMaxColoredBranches = 20;
// The mark of the leaves of the selected branch.
inline constexpr COLORREF kSelectedBranchMark = 0xFF0000;

inline constexpr const char* kTriangleMemoryMessage =
    "    Error: Not enought memroy for variable DistVec[]";
inline constexpr const char* kAverageNeedsTriangleMessage =
    "    Error: must specify 'Pre-calculate distance' when using Avearge linkage";
inline constexpr const char* kNearNeighborFailedMessage = "    Error in FindNearNeighbor()";
inline constexpr const char* kChildNodeOverflowMessage = "    Error in GetChildNode()";
// printf form with the count.
inline constexpr const char* kNonFiniteValuesMessage =
    "    %d values that are not finite numbers are taken as missing";

// The best-matching branch of a resampling round holds more than 4/5 of the marked leaves.
inline constexpr int kBestMatchShareAbove = 4;
inline constexpr int kBestMatchShareOf = 5;
// The deviates' seed until the view sets another; a fixed seed repeats the rounds exactly.
inline constexpr std::uint64_t kDefaultResampleSeed = 1;

// Branch enrichment: a branch with fewer annotated genes is not tested, a term with fewer
// genes in the branch gets p = 1; a sample category with fewer samples gets p = 1.
inline constexpr int kMinAnnotatedGenes = 4;
inline constexpr int kMinTermGenes = 4;
inline constexpr int kMinCategorySamples = 3;
// printf forms: the column name; the pair found; the tests made.
inline constexpr const char* kFindingTermClustersMessage = "  Finding significant %s clusters...";
inline constexpr const char* kFoundTermClusterMessage =
    "    Found %d \"%s\" genes in a cluster with %d annotated genes (all: %d/%d, PValue: %f)";
inline constexpr const char* kTermPairsAssessedMessage =
    "\n    %d cluster-%s term pairs assessed for enrichment with p-value < %f";
inline constexpr const char* kFindingSampleClustersMessage =
    "  Finding significant sample clusters...";
inline constexpr const char* kFoundSampleClusterMessage =
    "    Found %d \"%s %s\" samples in a cluster with %d annotated samples (all: %d/%d, PValue: "
    "%f)";
inline constexpr const char* kCategoryPairsAssessedMessage =
    "\n    %d cluster-category pairs assessed for enrichment with p-value < %f";

struct CLUSTER_NODE {
  // Leaf: its (possibly standardised) values; internal node: the merged profile.
  std::vector<double> profile;
  // Gene tree only. Leaf: raw value and standard error; internal node: errors receives the
  // per-sample spread of its leaves (BranchSpread).
  std::vector<float> values;
  std::vector<float> errors;
  bool active = false;  // a root of the forest under construction
  int weight = 1;       // leaves under the node
  int parent = -1;
  int child1 = -1;  // drawn first
  int child2 = -1;
  float height = 0.0f;    // 0 for a leaf, else the merge height
  float position = 0.0f;  // along the leaf axis: the leaf in row k is at k + 0.5
  std::int16_t peak = 0;  // index of the largest profile value (By peaking time)
  int nearest = -1;       // nearest active node, -1 none
  // Its distance; kMissingValueFloat when the node only has neighbours without one.
  float nearestDistance = 0.0f;
  int markedCount = 0;  // marked leaves under the node (resampling)
  // Gene tree leaf: the probe set; sample tree leaf: the sample's first array; else -1.
  int item = -1;
  COLORREF mark = 0;  // leaves: 0, or the colour the view marked the leaf with
  int rowNode = -1;   // in node k: the node shown in leaf row k
  int screenX = 0;    // where the view draws the node
  int screenY = 0;
  int support = 0;        // resampling rounds that put the leaf in the best-matching branch
  int leafListSlot = -1;  // GetChildNode writes its k-th node into node k's slot
};

// Leaves of a branch that carry annotation, and those of them with one term or category.
struct BranchAnnotation {
  int annotated = 0;
  int hits = 0;
};

class CLUSTER {
 public:
  // n items of m values each; without values the nodes get no value and error arrays (the
  // sample tree). Null when memory runs out.
  [[nodiscard]] static std::unique_ptr<CLUSTER> Create(int n, int m, bool withoutValues);
  CLUSTER(int n, int m, bool withoutValues);
  ~CLUSTER();
  CLUSTER(const CLUSTER&) = delete;
  CLUSTER& operator=(const CLUSTER&) = delete;

  int ItemCount() const { return n; }
  int ValueCount() const { return m; }
  int NodeCount() const { return nodeCount; }
  int Root() const { return nodeCount - 1; }
  CLUSTER_NODE& Node(int node) { return nodes[static_cast<std::size_t>(node)]; }
  const CLUSTER_NODE& Node(int node) const { return nodes[static_cast<std::size_t>(node)]; }
  bool ValidNode(int node) const { return node >= 0 && node < nodeCount; }
  // The node shown in leaf row k (valid after OrderLeaves).
  int RowNode(int row) const { return Node(row).rowNode; }

  // Standardises, computes distances and neighbours, merges and orders, with options.
  // False (logged in red) on a failure or a stop; the tree is then not usable.
  [[nodiscard]] bool Run(bool geneTree);

  // Makes every leaf value that is not a finite number (NaN, infinite) missing, in the
  // profiles and the raw values, logging their count in red when there are any.
  void TakeNonFiniteAsMissing();
  // Standardises every leaf profile as gene rows are (reference sample, blocks) or, for
  // the sample tree, over the whole profile.
  void StandardizeRows(bool geneRows);
  // Distance between the profiles of two nodes under options.distance; MISSING_VALUE when
  // they share too few values for one. Sets signFlag for the correlation measures.
  double Distance(int a, int b);
  // Makes the nearest active node among the first count nodes (other than node) its
  // neighbour; ties keep the lowest index; a pair without a distance is taken only when
  // no pair has one. False when there is no other active node.
  bool FindNearNeighbor(int node, int count);
  // The profile of internal node k from its two children (weighted by their weights).
  void MergeProfiles(int node);
  // Lays the root over rows 0 to n-1 and gives every node its position. False (logged)
  // when the links are inconsistent.
  [[nodiscard]] bool OrderLeaves();

  // Appends to the leaf list every leaf (leaves true) or every internal node of the
  // subtree, depth first, child 1 before child 2, the node itself first.
  void GetChildNode(int node, bool leaves);
  // Clears the leaf list before a GetChildNode walk.
  void ClearLeafList() { leafListCount = 0; }
  // The k-th collected node of the last walks.
  int LeafListEntry(int k) const { return Node(k).leafListSlot; }
  // First and last leaf row of a subtree.
  void BranchEnds(int node, int* first, int* last) const;
  // Swaps the node's two children (the caller assigns the order again).
  void FlipBranch(int node);
  // Per value, the standard deviation of the branch's leaves' profiles, into the node's
  // error array (gene tree only).
  void BranchSpread(int node);
  // The node whose screen point is nearest (city-block) to (x, y); ties keep the lower
  // node; -1 when none is nearer than 10000.
  int NearestNode(int x, int y) const;
  // Colours a branch; false when kMaxColoredBranches are coloured already.
  bool SetBranchColor(int node, COLORREF colour);
  // Marks, marked counts, support counts and the marked total to 0; current and
  // best-matching node to -1.
  void ClearMarks();

  // One resampling round of the gene tree, and of the sample tree when this is the current
  // gene tree and a sample tree exists. restore false: every present leaf value is
  // replaced in the profile by a normal deviate around its raw value with its standard
  // error as deviation, the trees run again and support is counted (CountSupport). restore
  // true: the unperturbed trees come back, support kept. The first perturbed round keeps
  // the unperturbed trees; a round that fails or is stopped puts them back, so a false
  // result always leaves the original values and trees (the view then shows them).
  [[nodiscard]] bool Resample(bool restore);
  // Whether a perturbed round is shown (Resample(true) would restore something).
  bool Perturbed() const { return !mOriginal.empty(); }
  // Seeds the deviates: gene g of round r draws from a stream fixed by (seed, r, g), so
  // the rounds after a seed repeat exactly on any number of threads. Rounds count from 0.
  void SetResampleSeed(std::uint64_t seed);
  // Marked counts from the leaves marked kSelectedBranchMark, the marked total, the
  // best-matching node (more than 4/5 of the marked leaves; the purest, then the larger
  // share, then the lower node) and one more support for each leaf under it. Nothing is
  // counted, and bestNode is -1, when no leaf is marked.
  void CountSupport();

  // Branch enrichment of this gene tree in the annotation terms of GeneInfo, and of this
  // sample tree in the categories of SampleInfo: every significant branch (a significant
  // ancestor hides the same term below it) is logged and recorded with
  // AddFunctionalCluster. False only when that refuses a pair.
  [[nodiscard]] bool FindGeneClusters();
  [[nodiscard]] bool FindSampleClusters();
  // The branch's annotated leaves and those with the term of the term column (gene tree)
  // or the category of the sample-information column (sample tree); zeros when the node,
  // column, term or category does not exist.
  BranchAnnotation BranchTermCount(int node, int column, int term) const;
  BranchAnnotation BranchCategoryCount(int node, int column, int category) const;

  int n = 0;
  int m = 0;
  int nodeCount = 0;
  int currentNode = -1;
  int coloredCount = 0;
  std::array<int, kMaxColoredBranches> coloredNodes{};
  std::array<COLORREF, kMaxColoredBranches> coloredColors{};
  std::vector<CLUSTER_NODE> nodes;
  int markedTotal = 0;
  int bestNode = -1;
  int leafListCount = 0;
  bool signFlag = false;  // the last correlation distance had r > 0
  ClusterOptions options;

 private:
  bool ComputeDistances();
  bool FindAllNeighbors();
  bool MergeNode(int node);
  bool AssignRows(int node, int first, int last);
  float StoredDistance(int a, int b) const;
  float NodeDistance(int a, int b) const;
  void CenterNode(int node);
  bool PerturbedRound(CLUSTER* samples);
  bool RunSampleRound(CLUSTER& samples, const std::vector<double>& drawn);
  void RestoreOriginal(CLUSTER* samples);

  std::unique_ptr<DistanceTriangle> mTriangle;  // only while Run works, with storeDistance
  // Per node while Run works, for 1 - r and 1 - |r|: the profile prepared for one-product
  // correlations (empty when incomplete); dropped once the node is merged.
  std::vector<CenteredProfile> mCentred;
  std::vector<int> mActive;  // active nodes, ascending
  float mHighestHeight = 0.0f;
  std::uint64_t mResampleSeed = kDefaultResampleSeed;
  std::uint64_t mResampleRound = 0;
  // The unperturbed nodes while a perturbed round is shown; empty otherwise.
  std::vector<CLUSTER_NODE> mOriginal;
};
