// Scale CEL Value: one array's raw intensities to a new median.
#include "engine/jobs/scale_cel_values.hpp"

#include "engine/array/chip_data.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/baseline_array.hpp"
#include "engine/services/log_channel.hpp"

bool ScaleCelValues(int array, int target) {
  Group& group = TheGroup();
  if (array < 0 || array >= group.NumArrays()) return false;
  LogMessage(kScaleCelTitle, 0, kLogBlue);
  // The readers and the scaling tell their own failures in red.
  if (!ChipData.ReadArray(group.Array(array).dataFile.c_str(), false, true) ||
      !ChipData.ScaleIntensities(target)) {
    LogMessage(kScaleCelFailedLine, 0, kLogBlue);
    return false;
  }
  LogMessage(kScaleCelSavedMessage, 0, kLogBlack);
  group.Array(array).medianIntensity = target;
  ChooseBaselineArray();
  LogMessage(kScaleCelFinishedLine, 0, kLogBlue);
  return true;
}
