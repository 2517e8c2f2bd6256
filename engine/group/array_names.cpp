// Array names taken from the data files a group was opened from, followed by the sample
// information that may rename them again.
#include <string>

#include "engine/group/group.hpp"
#include "engine/group/sample_info.hpp"
#include "platform/path.hpp"

bool SetArrayNamesFromFiles() {
  Group& group = TheGroup();
  if (group.OpenedFromDataFiles) {
    for (int i = 0; i < group.NumArrays(); ++i) {
      ArraySlot& slot = group.Array(i);
      std::string name = platform::FileName(slot.dataFile);
      const std::size_t dot = name.rfind('.');
      if (dot != std::string::npos) name.resize(dot);
      slot.name = std::move(name);
    }
  }
  return SampleInfo.ReadSampleInfoFile(group.Settings().SAMPLE_INFO_FILE);
}
