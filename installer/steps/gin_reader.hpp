// Splits an array type's gene information (GIN) file into the three load files of the gene
// information step: URLs and the column header (';'-separated) and the descriptions
// (tab-separated).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quellbrook {

inline constexpr int kGinReadFailed = 2004;
// The description and each classification value are cut to this many characters.
inline constexpr std::size_t kGinValueLimit = 2000;
// Lines are read whole up to this length; a longer one fails the read rather than being
// split into records that the file doesn't hold.
inline constexpr std::size_t kGinLineLimit = 1 << 20;
// Columns of a row: version 2 has an identifier source column that version 1 lacks.
inline constexpr int kGinColumnsVersion2 = 17;
inline constexpr int kGinClassifications = 10;
// Separator of the description load file.
inline constexpr char kGinDescriptionSeparator = '\t';

// How ReadGinFile shares out a file's rows: stretches of about stretchBytes, each cut into
// its lines and converted by any of the worker threads, written in file order. The load
// files, counts and refusals never depend on it; tests make the stretches tiny.
struct GinSplit {
  std::size_t stretchBytes = 256 << 10;
};
extern GinSplit GinSplitting;

class GinReader {
 public:
  GinReader() = default;
  virtual ~GinReader() = default;
  GinReader(const GinReader&) = delete;
  GinReader& operator=(const GinReader&) = delete;

  // 0, 2001 when a load file could not be written whole, or 2004 when the read fails
  // otherwise (a load file that can't be opened included).
  int RunGinRead();
  // 1 or 0. A missing GIN file is success with nothing written.
  int ReadGinFile(const std::string& type, const std::string& folder);
  // 2 when the first line is "Version" "=" and "2" (the value trimmed), else 1.
  static int GetGinVersion(const std::string& path);
  // The number after the first '=' of the third line, as atoi reads it.
  static int ReadUrlCount(const std::string& path);

  std::string sourceFolder;
  std::string typeName;
  std::string typeFolder;
  std::string ginPath;
  std::string descriptionFile;
  std::string urlFile;
  std::string headerFile;
  int rowCount = 0;
  int headerCount = 0;
  int urlCount = 0;
  int populatedDescriptionCount = 0;
  int descriptionCount = 0;
  int version = 1;
  int headerLineSeen = 0;
  // Why the last read failed when the file held something that can't be loaded safely
  // (a value with a load file's separator or a line break, an over-long line, a name
  // that leaves its folder); empty otherwise.
  std::string refusal;
  // 1 when the last read failed because a load file could not be written whole (a full
  // disk); refusal then names the file and the system's reason.
  int writeFailed = 0;
};

// Fuzz entry: the bytes read as a GIN file, its load files discarded; the description
// records it gave.
std::size_t FuzzReadGin(const std::uint8_t* data, std::size_t size);
// Where the fuzz entries send their load files.
inline constexpr const char* kGinDiscardFile = "/dev/null";

}  // namespace quellbrook
