#include "installer/framework/part_numbers.hpp"

#include <cstdint>
#include <cstring>

#include "installer/framework/ini_readers.hpp"
#include "installer/framework/text_functions.hpp"
#include "platform/byte_reader.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"
#include "scramble/tamsk.h"

namespace quellbrook {
namespace {

// The file is small data that ships with the library files; anything larger is damage.
constexpr std::uint64_t kMaxPartNumberFileBytes = std::uint64_t{64} << 20;

std::string NameKey(std::string_view name) {
  return UpperText(TrimText(name));
}

void ReadBinary(PartNumberMap& out, std::span<const std::uint8_t> bytes) {
  platform::ByteReader reader(bytes);
  std::uint32_t count = 0;
  if (!reader.ReadUInt32(count)) return;
  for (std::uint32_t record = 0; record < count; ++record) {
    std::int32_t length = 0;
    if (!reader.ReadInt32(length)) return;
    std::string name;
    if (length > 0) {
      if (static_cast<std::uint64_t>(length) > reader.Remaining()) return;
      name.assign(reinterpret_cast<const char*>(reader.Rest().data()),
                  static_cast<std::size_t>(length));
      if (!reader.Skip(static_cast<std::size_t>(length))) return;
      DecryptText(name.data());
      name.resize(std::strlen(name.c_str()));
    }
    std::int32_t partNumber = 0;
    if (!reader.ReadInt32(partNumber)) return;
    out[NameKey(name)] = FormatText("%ld", static_cast<long>(partNumber));
  }
}

}  // namespace

bool LoadPartNumbers(PartNumberMap& out, const std::string& binaryPath,
                     const std::string& iniPath) {
  out.clear();
  if (platform::FileExists(binaryPath)) {
    const std::optional<platform::ByteBuffer> bytes =
        platform::ReadWholeFile(binaryPath, kMaxPartNumberFileBytes);
    if (bytes) ReadBinary(out, std::span<const std::uint8_t>(bytes->data(), bytes->size()));
    return true;
  }
  if (!platform::FileExists(iniPath)) return false;
  ReadIniPartNumbers(out, platform::ProfileText::Read(iniPath));
  return true;
}

void ReadIniPartNumbers(PartNumberMap& out, const platform::ProfileText& ini) {
  for (int n = 1;; ++n) {
    const std::string set =
        ini.String("TarnwellLibs", FormatText("ArraySet%d", n), "", kIniValueBufferSize);
    if (set.empty()) break;
    const std::string name = NameKey(set);
    if (name.empty()) continue;
    const std::string partNumber =
        TrimText(ini.String(name, "PartNumber", "", kIniValueBufferSize));
    if (!partNumber.empty()) out[name] = partNumber;
  }
}

std::size_t FuzzLoadPartNumbers(const std::uint8_t* data, std::size_t size) {
  PartNumberMap map;
  ReadBinary(map, std::span<const std::uint8_t>(data, size));
  return map.size();
}

std::string LookupPartNumber(const PartNumberMap& map, std::string_view name) {
  const auto found = map.find(NameKey(name));
  return found == map.end() ? std::string() : found->second;
}

}  // namespace quellbrook
