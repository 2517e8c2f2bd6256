#include "installer/steps/cif_scanner_section.hpp"

#include <cerrno>

#include <cstdint>
#include <span>

#include "platform/byte_reader.hpp"
#include "platform/file_replacement.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

std::string SectionBlock(std::string_view section, const SectionKeys& keys,
                         std::string_view lineEnd) {
  std::string block = "[" + std::string(section) + "]" + std::string(lineEnd);
  for (const auto& [key, value] : keys) block += key + "=" + value + std::string(lineEnd);
  return block;
}

}  // namespace

std::optional<std::string> InsertSectionText(std::string_view text, std::string_view anchor,
                                             std::string_view section, const SectionKeys& keys) {
  const std::size_t firstEnd = text.find('\n');
  const std::string_view lineEnd =
      firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r' ? "\r\n"
                                                                                       : "\n";
  const std::string header = "[" + std::string(anchor) + "]";
  std::string out;
  out.reserve(text.size() + 256);
  bool found = false;
  bool inserted = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const bool ended = end != std::string_view::npos;
    end = ended ? end + 1 : text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end;
    if (found && !inserted && !line.empty() && line.front() == '[') {
      out += SectionBlock(section, keys, lineEnd);
      out += lineEnd;
      inserted = true;
    }
    if (!found && line.substr(0, header.size()) == header) found = true;
    out += line;
    // A last line without its end still gets one, as every copied line does.
    if (!ended) out += lineEnd;
  }
  if (!found) return std::nullopt;
  if (!inserted) {
    out += lineEnd;
    out += SectionBlock(section, keys, lineEnd);
    out += lineEnd;
  }
  return out;
}

SectionInsert InsertSectionIntoFile(const std::string& path, std::string_view anchor,
                                    std::string_view section, const SectionKeys& keys) {
  platform::FileReplacement replacement;
  // The system's reason of a failed write stays in errno for the caller's message.
  if (!replacement.Open(path)) {
    errno = replacement.Error();
    return SectionInsert::kNoReplacement;
  }
  const std::optional<platform::ByteBuffer> bytes =
      platform::ReadWholeFile(path, platform::kMaxProfileFileBytes);
  if (!bytes) return SectionInsert::kUnreadable;
  const std::optional<std::string> text = InsertSectionText(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), anchor,
      section, keys);
  if (!text) return SectionInsert::kAnchorMissing;
  const std::span<const std::uint8_t> out(reinterpret_cast<const std::uint8_t*>(text->data()),
                                          text->size());
  if (!replacement.Write(out) || !replacement.Commit()) {
    errno = replacement.Error();
    return SectionInsert::kNotWritten;
  }
  return SectionInsert::kInserted;
}

}  // namespace quellbrook
