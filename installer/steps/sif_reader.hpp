// Turns an array type's probe sequence (SIF) file into the load file of the sequence step:
// one record per probe set with its sequence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quellbrook {

inline constexpr int kSifReadFailed = 2005;
// A longer sequence is skipped with a warning.
inline constexpr std::size_t kSifMaxSequenceLength = 8000;
// Lines are read whole up to this length; a longer name line fails the read, a longer
// sequence is one more sequence over the limit above.
inline constexpr std::size_t kSifLineLimit = 1 << 20;

class SifReader {
 public:
  SifReader() = default;
  virtual ~SifReader() = default;
  SifReader(const SifReader&) = delete;
  SifReader& operator=(const SifReader&) = delete;

  // Deletes the load file, then reads: 0, 2001 when the load file can't be opened or
  // written whole, or 2005 when the read fails otherwise.
  int RunSifRead();
  // 1 or 0; errors and warnings are logged.
  int ReadSifFile(const std::string& type, const std::string& folder);

  std::string sourceFolder;
  std::string typeName;
  std::string typeFolder;
  std::string outputFile;
  std::string sifPath;
  std::string logPath;
  int recordCount = 0;
  int warningFlag = 0;
  // 1 when the last read failed on its load file (logged as a write failure).
  int writeFailed = 0;
};

// Fuzz entry: the bytes read as a SIF file, its load file discarded; the records it gave.
std::size_t FuzzReadSif(const std::uint8_t* data, std::size_t size);
inline constexpr const char* kSifDiscardFile = "/dev/null";

}  // namespace quellbrook
