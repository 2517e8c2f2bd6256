// Sniffing a file's form: the binary magic decides first, and a text form's first line
// ends at a line feed, at a NUL byte or at the bound, whichever comes first.
#include "engine/base/file_kind.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/byte_writer.hpp"
#include "platform/tests/temp_folder.hpp"
#include "platform/text_bytes.hpp"

namespace {

constexpr std::int32_t kMagic = 64;
constexpr std::size_t kBound = 1000;

FileForm FormOf(const platform::testing::TempFolder& folder, const std::string& bytes) {
  const std::string path = folder.File("sniffed");
  EXPECT_TRUE(platform::WriteWholeFile(path, platform::TextBytes(bytes)));
  return SniffFileForm(path, kMagic, "[CEL]", kBound);
}

}  // namespace

TEST(FileKind, TheMagicDecidesFirstAndTheFirstLineStopsAtANulByte) {
  const platform::testing::TempFolder folder;
  const std::pair<std::string, FileForm> cases[] = {
      {"[CEL]\nVersion=3\n", FileForm::kText},
      {"x [CEL]\r\nrest", FileForm::kText},
      {std::string("@\0\0\0[CEL]\n", 10), FileForm::kBinary},  // 64 is '@'
      {std::string("ab\0[CEL]\n", 9), FileForm::kOther},
      {"Version=3\n[CEL]\n", FileForm::kOther},
      {std::string(kBound - 4, 'x') + "[CEL]\n", FileForm::kOther},  // past the bound
      {std::string(kBound - 5, 'x') + "[CEL]\n", FileForm::kText},
      {"", FileForm::kOther},
  };
  for (const auto& [bytes, form] : cases) {
    SCOPED_TRACE(bytes.substr(0, 20));
    EXPECT_EQ(FormOf(folder, bytes), form);
  }
  EXPECT_EQ(SniffFileForm(folder.File("absent"), kMagic, "[CEL]", kBound), FileForm::kUnopened);
  EXPECT_EQ(SniffFileForm(folder.Path().string(), kMagic, "[CEL]", kBound), FileForm::kUnopened);
  EXPECT_FALSE(FileStartsWithMagic(folder.File("absent"), kMagic));
}
