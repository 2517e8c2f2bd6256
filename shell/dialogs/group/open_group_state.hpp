// What the Open Group and Get External Data sheets leave for the opening that follows:
// which sheet owns the "Other information" page, and the two one-off rebuild choices
// that are never saved with the settings.
#pragma once

// The sheet the "Other information" page belongs to.
inline constexpr int kOpenGroupModeExternal = 0;  // Get External Data: no chip description
inline constexpr int kOpenGroupModeArrays = 1;    // Open Group, and a group opened from files

struct OpenGroupState {
  int mode = kOpenGroupModeArrays;
  bool ignoreExistingQvf = false;   // read every array from its DAT or CEL file again
  bool rebuildLayoutCache = false;  // convert the chip description even when its cache exists
};

// The program's one state.
OpenGroupState& TheOpenGroupState();
