// Rescaling one array's unnormalised cell intensities to a chosen median, kept in its QVF
// file for the next opening of the group.
#pragma once

inline constexpr const char* kScaleCelTitle = "{Scale unnormalized CEL values";
inline constexpr const char* kScaleCelSavedMessage =
    "\n    Scaled CEL values are saved in QVF file";
inline constexpr const char* kScaleCelFinishedLine = "Finished}\n";
inline constexpr const char* kScaleCelFailedLine = "Not completed}\n";
// The range the dialog accepts for the new median.
inline constexpr int kScaleCelMinTarget = 0;
inline constexpr int kScaleCelMaxTarget = 2000;
inline constexpr int kScaleCelDefaultTarget = 100;

// Reads the group's array (from its QVF file when there is one) into the working array
// data, multiplies its raw intensities by target / its median and writes its QVF file;
// then the target becomes the array's median in the group and the baseline array is
// chosen again. The group's intensities in memory stay as they are. A block in the log
// from kScaleCelTitle to kScaleCelFinishedLine, or kScaleCelFailedLine when the array
// cannot be read or scaled, in which case its median is left alone.
bool ScaleCelValues(int array, int target);
