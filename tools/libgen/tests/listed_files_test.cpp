// The listed library files: the [Protocols] section reads back as the groups it came from,
// and each file lies, with its content, where the copier takes it from.
#include "tools/libgen/listed_files.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/path.hpp"
#include "platform/profile.hpp"
#include "platform/tests/temp_folder.hpp"

namespace libgen {
namespace {

TEST(ListedFiles, TheProtocolsSectionAndTheFilesReadBackAsTheirGroups) {
  platform::testing::TempFolder temp;
  const LibraryFolder library(temp.File("source"), StandardLibrary());
  const std::vector<ProtocolGroup> groups = StandardListedFiles("Chip_A");
  // The type's own folder holds the INI; the listed files sit under the type's name.
  const std::string ini = platform::JoinPath(library.TypeFolder("Chip_A"), "Analysis.ini");
  ASSERT_TRUE(WriteTextFile(ini, IniText({ProtocolsSection(groups)})));
  ASSERT_TRUE(WriteListedFiles(library, "Chip_A", groups));
  EXPECT_EQ(ListedFilesFolder(library, "Chip_A"), temp.File("source/Chip_A/LibFiles"));

  ASSERT_EQ(platform::ReadProfileInt(ini, "Protocols", "NumProtocols", 0), 2);
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const std::string group = "Protocol" + std::to_string(g + 1);
    ASSERT_EQ(platform::ReadProfileInt(ini, "Protocols", group + "NumFiles", 0),
              static_cast<int>(groups[g].size()));
    for (std::size_t f = 0; f < groups[g].size(); ++f) {
      const ListedFile& file = groups[g][f];
      const std::string number = std::to_string(f + 1);
      EXPECT_EQ(platform::ReadProfileString(ini, "Protocols", group + "File" + number, ""),
                file.name);
      EXPECT_EQ(platform::ProfileValue(ini, "Protocols", group + "Attr" + number).value_or(""),
                file.attribute);
      std::ifstream in(platform::JoinPath(ListedFilesFolder(library, "Chip_A"), file.name),
                       std::ios::binary);
      std::ostringstream content;
      content << in.rdbuf();
      EXPECT_EQ(content.str(), file.content) << file.name;
    }
  }
  // The second group's first file has no attribute: the copier's running default decides.
  EXPECT_FALSE(platform::ProfileValue(ini, "Protocols", "Protocol2Attr1"));
  EXPECT_EQ(MaskText("Chip_A"), "\r\n  \r\n  Chip_A\r\nprobe set 1\r\n");
}

}  // namespace
}  // namespace libgen
