#include "engine/jobs/current_array_qvf.hpp"

#include "engine/array/chip_data.hpp"
#include "engine/group/group.hpp"

bool WriteCurrentArrayQvf(int* error) {
  if (error != nullptr) *error = 0;
  Group& group = TheGroup();
  const int array = group.Settings().CUR_ARRAY;
  if (array < 0 || array >= group.NumArrays()) return false;
  const ArraySlot& slot = group.Array(array);
  // The planes are read whatever LOAD_PROBE_DATA says: the file is written whole.
  const bool probeLevel = ProbeLevelFlag;
  ProbeLevelFlag = true;
  const bool read = ChipData.ReadArray(slot.dataFile.c_str(), false, false);
  ProbeLevelFlag = probeLevel;
  if (!read || ChipData.plane1.size() != slot.intensities.size()) return false;
  ChipData.plane1 = slot.intensities;
  ChipData.normalised = 0;
  return ChipData.WriteQvf(error);
}
