// The controls, registry and fluidics station files as the generator writes them, typed
// here by hand, and the standard contents landing where the steps read them.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/tests/temp_folder.hpp"
#include "tools/libgen/controls_file.hpp"
#include "tools/libgen/fluidics_files.hpp"
#include "tools/libgen/registry_file.hpp"
#include "tools/libgen/standard_contents.hpp"

namespace libgen {
namespace {

TEST(StepContentFiles, IniTextsHoldEveryKeyInOrder) {
  EXPECT_EQ(ControlsIniText({{"Expr3", "Stat", {{"C1", {"a", " "}}, {"C2", {}}}}, {"", "X", {}}}),
            "[Controls]\r\nNumControlSets=2\r\nControlSet1Assay=Expr3\r\nControlSet1Alg=Stat\r\n"
            "ControlSet2Assay=\r\nControlSet2Alg=X\r\n"
            "[Expr3]\r\nNumControls=2\r\nControl1=C1\r\nControl1Name1=a\r\nControl1Name2= \r\n"
            "Control2=C2\r\n");
  EXPECT_EQ(RegistryIniText(2, {{"HKEY_CURRENT_USER", "Software\\Lab", "", "", "v"}}),
            "[Keys]\r\nCount=2\r\nRootKey1=HKEY_CURRENT_USER\r\nKey1=Software\\Lab\r\n"
            "Value1=v\r\n");
  EXPECT_EQ(RegistryIniText(-1, {}), "[Keys]\r\n");
  EXPECT_EQ(StationIniText({{"Hyb", {}}, {"Wash", {}}}),
            "[Protocols]\r\nNumProtocols=2\r\nProtocol1=Hyb\r\nProtocol1NumFiles=1\r\n"
            "Protocol1File1=Hyb.MAC\r\nProtocol1Attr1=R\r\nProtocol2=Wash\r\n"
            "Protocol2NumFiles=1\r\nProtocol2File1=Wash.MAC\r\nProtocol2Attr1=R\r\n");
}

TEST(StepContentFiles, StandardContentsLandWhereTheStepsReadThem) {
  platform::testing::TempFolder folder;
  const LibraryFolder library(folder.File("source"), StandardLibrary());
  std::string error;
  ASSERT_TRUE(library.Write(error)) << error;
  ASSERT_TRUE(WriteStandardContents(library, error)) << error;
  namespace fs = std::filesystem;
  for (const std::string& path :
       {library.LibFiles("Chip_A") + "/Chip_A.GIN", library.LibFiles("Chip_B") + "/Chip_B.GIN",
        library.LibFiles("Chip_A") + "/Chip_A.SIF", library.TypeFolder("Chip_A") + "/Wash450.INI",
        library.LibFiles("Chip_A") + "/Hyb_Chip_A.MAC",
        library.File("Chip_A/LibFiles/Hyb_Chip_A.MAC"),
        library.LibFiles("Chip_A") + "/Wash_Chip_A.MAC", library.File("Controls.INI")})
    EXPECT_TRUE(fs::exists(path)) << path;
  // Chip_B has no sequences and no fluidics station.
  EXPECT_FALSE(fs::exists(library.LibFiles("Chip_B") + "/Chip_B.SIF"));
  EXPECT_FALSE(fs::exists(library.TypeFolder("Chip_B") + "/Wash450.INI"));
}

}  // namespace
}  // namespace libgen
