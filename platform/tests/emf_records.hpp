// Test support: reads an enhanced metafile back into its records, checking what every
// reader relies on: the header first with its signature, sizes that are whole words and
// stay inside the file, the counts and byte total the header gives, the end record last.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/emf_writer.hpp"

namespace platform::testing {

struct EmfRecordView {
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  std::span<const std::uint8_t> bytes;  // the whole record, type and size included

  std::int32_t Int(std::size_t offset) const {
    return static_cast<std::int32_t>(LoadU32(bytes.data() + offset));
  }
};

struct EmfContent {
  std::string error;  // empty when the file is sound
  std::vector<EmfRecordView> records;
  EmfRect bounds;
  EmfRect frame;
  std::uint32_t handles = 0;
  // FNV-1a of every record after the header: the same drawing gives the same sum.
  std::uint64_t drawingChecksum = 14695981039346656037ull;

  std::vector<std::uint32_t> Types() const {
    std::vector<std::uint32_t> types;
    for (const EmfRecordView& record : records) types.push_back(record.type);
    return types;
  }
  int CountOf(std::uint32_t type) const {
    int count = 0;
    for (const EmfRecordView& record : records) count += record.type == type ? 1 : 0;
    return count;
  }
};

inline EmfContent ReadEmfRecords(std::span<const std::uint8_t> file) {
  EmfContent content;
  std::size_t position = 0;
  while (position < file.size()) {
    if (file.size() - position < 8) {
      content.error = "a record head is cut off";
      return content;
    }
    EmfRecordView record;
    record.type = LoadU32(file.data() + position);
    record.size = LoadU32(file.data() + position + 4);
    if (record.size < 8 || record.size % 4 != 0 || record.size > file.size() - position) {
      content.error = "record " + std::to_string(content.records.size()) + " has a bad size";
      return content;
    }
    record.bytes = file.subspan(position, record.size);
    if (!content.records.empty())
      for (std::uint8_t byte : record.bytes)
        content.drawingChecksum = (content.drawingChecksum ^ byte) * 1099511628211ull;
    content.records.push_back(record);
    position += record.size;
  }
  if (content.records.empty() || content.records.front().type != emr::kHeader ||
      content.records.front().size < kEmfHeaderSize) {
    content.error = "no header first";
    return content;
  }
  const EmfRecordView& header = content.records.front();
  content.bounds = {header.Int(8), header.Int(12), header.Int(16), header.Int(20)};
  content.frame = {header.Int(24), header.Int(28), header.Int(32), header.Int(36)};
  content.handles = LoadU16(header.bytes.data() + 56);
  if (LoadU32(header.bytes.data() + 40) != kEmfSignature)
    content.error = "no signature";
  else if (LoadU32(header.bytes.data() + 48) != file.size())
    content.error = "the header's byte count is not the file's size";
  else if (LoadU32(header.bytes.data() + 52) != content.records.size())
    content.error = "the header's record count is wrong";
  else if (content.records.back().type != emr::kEof || content.records.back().size != 20)
    content.error = "no end record last";
  return content;
}

}  // namespace platform::testing
