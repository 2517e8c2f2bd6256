// The one process-wide group of arrays: its state flags, its per-array tables, its
// settings with their file in the home folder, and the start-up and exit that read and
// save them.
//
// The program calls StartGroup once at start with the current folder as home, and
// ExitGroup when it ends (also run at normal process exit if the program did not).
// Everything else reaches the group through TheGroup().
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/base/value_triple.hpp"
#include "engine/group/group_settings.hpp"

// Size of every per-array table. The 1000th array is refused, so a group holds at most
// MAX_ARRAY_NUM - 1 arrays.
inline constexpr int MAX_ARRAY_NUM = 1000;
inline constexpr const char* kMaxArrayNumMessage = "    Error: MAX_ARRAY_NUM limit reached";

// The default group: its settings file holds LAST_GROUP_NAME.
inline constexpr const char* kDefaultGroupName = "Zelko";

// Background zones per side of an array image.
inline constexpr int kBackgroundZones = 10;

// One entry of the per-array tables.
struct ArraySlot {
  std::string dataFile;  // as the array was found
  std::string name;
  std::string timeTag;                     // scan time of the data file
  std::vector<std::uint16_t> intensities;  // dimension x dimension, when probe data are held
  std::vector<VALUE_TRIPLE> values;        // one per probe set
  std::vector<char> calls;                 // one per probe set
  int medianIntensity = 0;
  float arrayOutlierFraction = 0.0f;
  float singleOutlierFraction = 0.0f;
  float presentCallFraction = 0.0f;
  std::array<std::uint16_t, kBackgroundZones * kBackgroundZones> background{};
};

// What the normalisation plot view shows: the array the current array is shown against
// and two words of the view's own. The normalisation review sets them to compare the
// current array with the baseline; the plot dialog chooses the array. Never saved.
inline constexpr int kNormPlotNothing = 0;
inline constexpr int kNormPlotBaselineComparison = 1;
struct NormPlotSelection {
  int array = 0;
  int mode = kNormPlotNothing;
  int option = 0;
};

// Choices that hold while the program runs and are never saved.
struct GroupRunOptions {
  bool appendExpressionExport = false;
  bool celExportProbeSetColumns = false;
  bool celExportSubtractBackground = false;
  bool probeExportPositionColumns = false;
  // Percentile filtering: probe sets whose percentileHigh-th percentile across the
  // samples is at least percentileFold times their percentileLow-th are written to
  // percentileOutput, rescaled between the two.
  float percentileHigh = 90.0f;
  float percentileLow = 10.0f;
  float percentileFold = 5.0f;
  std::string percentileOutput;
  // Correlation filtering against a numeric factor, a gene or a branch: rank correlation
  // instead of Pearson's, and genes of either sign instead of only positively correlated ones.
  bool factorRankCorrelation = false;
  bool factorAbsoluteCorrelation = false;
  // Branch export of the cluster view: standardised values with the average profile; all
  // branches cut at the current branch's height; or every coloured branch.
  bool branchExportStandardized = false;
  bool branchExportCutTree = false;
  bool branchExportColoredBranches = true;
  // SNP export of the chromosome view: 0 the data under view, 1 the regions with a
  // significant curve value; at most this many genes per region, each region in one row.
  int snpExportWhat = 0;
  int snpExportGenesPerRegion = 10;
  bool snpExportRegionPerRow = false;
};

class Group {
 public:
  // An empty group named after the default group, whose settings are all at their
  // start-up values (DATA_PATH the home folder); nothing is read.
  explicit Group(std::string homeFolder);
  Group(const Group&) = delete;
  Group& operator=(const Group&) = delete;

  // State flags; the first four are the status-bar panes.
  bool Normalized = false;           // every array's intensities are normalised
  bool Modelled = false;             // every array has expression values
  bool Logged = false;               // expression values are log-transformed
  bool Adjusted = false;             // batch effect removed
  bool HasCalls = false;             // the call tables carry calls
  bool HasStdErrors = false;         // the value tables carry standard errors
  bool HasProbeData = false;         // opened from array data files: intensities exist
  bool OpenedFromDataFiles = false;  // set while Open Group runs, clear for external data
  // A dimension x dimension plane of 16-bit values for image work, made when a group opens.
  std::vector<std::uint16_t> workPlane;

  const std::string& HomeFolder() const { return mHomeFolder; }
  const std::string& Name() const { return mName; }
  void SetName(std::string name) { mName = std::move(name); }

  GroupSettings& Settings() { return mSettings; }
  const GroupSettings& Settings() const { return mSettings; }
  GroupRunOptions& RunOptions() { return mRunOptions; }
  const GroupRunOptions& RunOptions() const { return mRunOptions; }

  int NumArrays() const { return mNumArrays; }
  int BaselineArray = 0;  // the array every other one is normalised against
  NormPlotSelection NormPlot;
  // The normalisation plot compares the current array with the baseline array.
  void SelectBaselineComparison() { NormPlot = {BaselineArray, kNormPlotBaselineComparison, 0}; }
  std::string DateText;  // written as "Date=" in expression exports
  // index in [0, MAX_ARRAY_NUM).
  ArraySlot& Array(int index);
  const ArraySlot& Array(int index) const;
  // The slot the next array is read into.
  ArraySlot& NextArraySlot() { return mArrays[static_cast<std::size_t>(mNumArrays)]; }
  // Counts the array just read into NextArraySlot. Refuses the 1000th: logs
  // kMaxArrayNumMessage in red and returns false, the count unchanged.
  [[nodiscard]] bool CountArray();

  // The first array whose name equals text without regard to case, after trailing blanks
  // and tabs were cut from text (in place); -1 when none.
  int FindArrayByName(std::string& text) const;
  // The first array whose data file has the same file name as path (SameFileName); -1
  // when none.
  int FindArrayByFile(std::string_view path) const;
  // The fraction of 'P' calls of the probe set over the listed arrays, or over all arrays
  // when arrays is null; 0 when there is nothing to count.
  double PresentCallFraction(int unit, const int* arrays, int count) const;

  // Back to an empty group: no arrays, HasProbeData, Normalized, Modelled, Logged,
  // HasStdErrors and HasCalls cleared. The tables keep their memory for the next open.
  void ClearGroup();

  // The settings file of a group: "<home>/<name>.ini", or the file of that name in the
  // home folder that differs only in case.
  std::string SettingsPath(std::string_view name) const;

  // Assigns every default (kept settings keep their values) and switches the CEL-export
  // choices and the position columns off; then, when name is not empty and its settings
  // file opens, reads it and makes name the group's name. Returns whether a file was
  // read; a missing file is no error, but one that is there and cannot be read (or is a
  // pipe or a folder) is logged in red.
  bool ReadGroupSettings(std::string_view name);
  // The red line of the last settings file that was there but could not be read; empty
  // when the last read found a file or none. The settings of the start are read before
  // the window can show a line, which tells it again.
  const std::string& SettingsReadFault() const { return mSettingsReadFault; }
  // Writes the settings file of the group's name (nothing when the name is empty).
  // A file that cannot be written is logged in red and gives false; callers go on.
  bool WriteGroupSettings() const;

 private:
  std::string mHomeFolder;
  std::string mName;
  std::string mSettingsReadFault;
  GroupSettings mSettings;
  GroupRunOptions mRunOptions;
  int mNumArrays = 0;
  std::vector<ArraySlot> mArrays;  // MAX_ARRAY_NUM entries for the group's whole life
};

// True when both paths have a folder part and their file names (after the last separator
// of either kind) are equal without regard to case.
bool SameFileName(std::string_view first, std::string_view second);

// Makes a new group in homeFolder (replacing any group without saving it), reads the
// default group's settings from there, and arranges for ExitGroup to run at normal exit.
void StartGroup(std::string homeFolder);

// Saves the group's settings file; for a group other than the default one (names
// compared without regard to case) also records it as LAST_GROUP_NAME in the default
// group's file. Then the group is gone. Does nothing when no group is started.
void ExitGroup();

// Names the started group's arrays after their data files when it was opened from them,
// then reads its SAMPLE_INFO_FILE; the result is that read's (engine/group/array_names.cpp).
[[nodiscard]] bool SetArrayNamesFromFiles();

// Drops the group without saving anything.
void DiscardGroup();

bool GroupStarted();

// The started group; only valid between StartGroup and ExitGroup or DiscardGroup.
Group& TheGroup();
