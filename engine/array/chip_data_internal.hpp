// Private to the array readers and writers: the group settings they consult, which are
// the defaults while no group is started (tests and tools that read one array).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "engine/group/group_settings.hpp"
#include "platform/byte_writer.hpp"

GroupSettings& ArraySettings();

// What StoreQvfValues writes its pieces through, one call per step: platform's
// OverwritePieces. Tests put a writer here that stops part way, as a killed process would.
using QvfPieceWrite = bool (*)(const std::string& path, std::span<const platform::FilePiece> pieces,
                               int* error, platform::Durability durability);
extern QvfPieceWrite QvfPieceWriter;

class CHIP_DATA;
// Both arrays hold raw intensities for every cell of the loaded layout; otherwise logs
// in red.
bool PlanesFitLayout(const CHIP_DATA& array, const CHIP_DATA& baseline);

// The column-th tab-separated field of a line, counting from 1; false when the line has
// fewer fields.
inline bool TabField(std::string_view line, int column, std::string_view& field) {
  if (column < 1) return false;
  for (int i = 1; i < column; ++i) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return false;
    line.remove_prefix(tab + 1);
  }
  field = line.substr(0, line.find('\t'));
  return true;
}
