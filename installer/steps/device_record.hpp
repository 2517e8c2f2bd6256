// One instrument of the library's devices file, as the installation driver reads it and
// the device step loads it.
#pragma once

#include <string>

namespace quellbrook {

struct DeviceRecord {
  std::string name;
  std::string type;
  std::string description;
  std::string annotationId;
  std::string prefix;
};

}  // namespace quellbrook
