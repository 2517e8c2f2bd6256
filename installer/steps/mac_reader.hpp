// Turns a fluidics protocol (MAC) file into the load file of the fluidics step: one record
// per protocol variable, the protocol's name and the variable's value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quellbrook {

inline constexpr int kMacReadFailed = 2003;
// Lines are read whole up to this length; a longer one fails the read rather than being
// split into lines that could pass for variables.
inline constexpr std::size_t kMacLineLimit = 1 << 20;

class MacReader {
 public:
  MacReader() = default;
  virtual ~MacReader() = default;
  MacReader(const MacReader&) = delete;
  MacReader& operator=(const MacReader&) = delete;

  // Deletes the load file, then reads: 0, 2001 when the load file can't be opened or
  // written whole, or 2003 when the read fails otherwise.
  int RunMacRead();
  // 1 or 0; every failure is logged as an error.
  int ReadMacFile(const std::string& protocol);

  std::string outputFile;
  std::string macPath;
  std::string protocolName;
  std::string logPath;
  int recordCount = 0;
  // 1 when the last read failed on its load file (logged as a write failure).
  int writeFailed = 0;
};

// Fuzz entry: the bytes read as a MAC file, its load file discarded; the records it gave.
std::size_t FuzzReadMac(const std::uint8_t* data, std::size_t size);
inline constexpr const char* kMacDiscardFile = "/dev/null";

}  // namespace quellbrook
