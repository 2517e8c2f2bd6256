// The one pathway of the program: named boxes (genes, or placeholders for genes still to
// be found) and the arrows between them that say how one acts on another and after how
// many time points; with its text file. The editor view and the pathway gene filter work
// on it through these routines only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr int kMaxPathwayNodes = 50;
inline constexpr int kMaxPathwayArrows = 50;
inline constexpr int kMaxEffectTime = 1000;
// Lines of the pathway file are read up to this many characters.
inline constexpr std::size_t kPathwayLineLength = 1000;
// Node names are kept to this length, so that a node's line fits the reader's.
inline constexpr std::size_t kMaxNodeNameLength = 900;
// Box corners read from a file lie within this distance of the page's origin.
inline constexpr int kMaxPagePosition = 1000000;
// Placeholder names start with this text (and any name containing it is a placeholder).
inline constexpr const char* kPlaceholderName = "Unknown";

inline constexpr const char* kTooManyNodesMessage = "Exceeds the maximum number of node limit";
inline constexpr const char* kTooManyArrowsMessage = "Exceeds the maximum number of arrow limit";
inline constexpr const char* kArrowExistsMessage = "An arrow already exists; delete it first";
inline constexpr const char* kNoArrowMessage = "The arrow does not exist";
inline constexpr const char* kNoCurrentNodeMessage = "Select a current node first";
inline constexpr const char* kPathwayWriteFailedMessage = "Writing file filed";
// printf form with the path.
inline constexpr const char* kPathwayReadFailedMessage = "Reading file '%s' failed";
// A file that opens but does not hold a valid pathway; printf form with the path, the
// line number and what is wrong. The pathway in memory is kept then.
inline constexpr const char* kPathwayBadLineMessage = "Pathway file '%s', line %d: %s";

enum PathwayInteraction { kActivation = 0, kInhibition = 1, kBinding = 2 };

struct PATHWAY_NODE {
  int left = 0, top = 0, right = 0, bottom = 0;  // the box on the editor's page, pixels
  bool placeholder = false;  // the name holds "Unknown", or the filter did not find it
  std::string name;
  int unit = -1;  // the probe set the gene filter found for the name
};

struct PATHWAY_ARROW {
  int startNode = 0, endNode = 0;  // acting node, node acted on
  int effectTime = 0;              // lag in time points, 0 to kMaxEffectTime
  int interaction = kActivation;   // PathwayInteraction
};

struct PATHWAY {
  std::array<PATHWAY_NODE, kMaxPathwayNodes> nodes;
  std::array<PATHWAY_ARROW, kMaxPathwayArrows> arrows;
  int nodeCount = 0, arrowCount = 0;
  int currentNode = -1;      // -1 none
  int placeholderCount = 0;  // numbers the placeholders
};

PATHWAY& ThePathway();

// The display name of an interaction ("Activation", "Inhibition", "Binding/Association").
const char* InteractionName(int interaction);

// No nodes, no arrows, no current node, placeholder count 0.
void ClearPathway();
// A new placeholder node placed by FindFreeSpot, made current; false (with a message box)
// at the node limit.
bool AddNode();
// Stores the name; the node is a placeholder when the name contains "Unknown".
void SetNodeName(int node, const std::string& name);
// An empty name becomes "Unknown"; without a current node a message box.
void RenameCurrentNode(const std::string& name);
// Removes the current node and every arrow at it; later nodes and arrow ends move down.
void DeleteCurrentNode();
// The placeholders, in node order, are named "Unknown1", "Unknown2", ...
void RenumberUnknownNodes();
// Adds the arrow, or removes the (last) arrow joining the two nodes in either direction;
// false with a message box when the limit is reached, an arrow already joins them
// (adding) or none does (removing).
bool EditArrow(int start, int end, int effectTime, bool add, int interaction);
// Removes arrow index; later arrows move down.
void DeleteArrow(int index);

struct PathwayBox {
  int left = 0, top = 0, right = 0, bottom = 0;
};
// The first box of the 4-column grid, row by row, that meets no node of the pathway.
PathwayBox FindFreeSpot(const PATHWAY& pathway);

// The path becomes PATHWAY_FILE. Writes through a replacement file; false with a message
// box when the file cannot be written.
bool WritePathwayFile(const std::string& path);
// The path becomes PATHWAY_FILE. The file is read into a copy that replaces the pathway
// only when the whole file is valid; a file that does not open empties the pathway (red
// log line), a malformed one is refused with its line number and leaves the pathway as it
// was. False on either.
bool ReadPathwayFile(const std::string& path);

// Fuzz entry: a pathway file of these bytes read into a scratch pathway.
bool FuzzReadPathwayFile(const std::uint8_t* data, std::size_t size);
