// The drivers' CIF check: every serving scanner's conversion and then the analysis one,
// without writing; failing types are dropped with their folders.
#include "installer/steps/cif_validation.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "installer/steps/tests/step_road.hpp"
#include "tools/libgen/parameter_files.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;

class CifValidationTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    libgen::LibrarySpec spec = libgen::StandardLibrary();
    // A second scanner serving Chip_B only: Chip_A has no INI for it.
    spec.devices.push_back({"Scan7G", "Scanner", "Second scanner", "SC7G", "S7G", {"Chip_B"}});
    spec.types.push_back({"Chip_C", "ChipC_Files", "Expression"});
    mLibrary = std::make_unique<libgen::LibraryFolder>(mSandbox.File("source"), spec);
    std::string error;
    ASSERT_TRUE(mLibrary->Write(error)) << error;
    ASSERT_TRUE(libgen::WriteStandardParameterFiles(*mLibrary, error)) << error;
    Configure(mFolders);
  }

  std::unique_ptr<libgen::LibraryFolder> mLibrary;
  InstallStep mFolders;
};

TEST_P(CifValidationTest, ATypeFailingAnyCheckIsDroppedWithItsFolder) {
  std::vector<std::string> types = {"Chip_A", "Chip_B", "Chip_C"};
  std::vector<std::string> folders = {"ChipA_Files", "ChipB_Files", "ChipC_Files"};
  const std::vector<std::string> scanners = {"Scan3000", "Scan7G"};
  EXPECT_TRUE(ValidateTypeCifs(mFolders, scanners, types, folders))
      << ReadWholeFile(mFolders.logPath);
  EXPECT_EQ(types.size(), 3u);

  // Chip_B's CIF misses Scan7G's section: the second scanner's check drops it. Chip_C's
  // misses its Cell section: the analysis check drops it.
  std::vector<libgen::IniSection> sections = libgen::StandardCifSections({"Scan3000"});
  ASSERT_TRUE(
      libgen::WriteTextFile(libgen::CifPath(*mLibrary, "Chip_B"), libgen::IniText(sections)));
  sections.erase(sections.begin() + 2);
  ASSERT_TRUE(
      libgen::WriteTextFile(libgen::CifPath(*mLibrary, "Chip_C"), libgen::IniText(sections)));
  std::filesystem::remove(mFolders.logPath);
  EXPECT_FALSE(ValidateTypeCifs(mFolders, scanners, types, folders));
  EXPECT_EQ(types, std::vector<std::string>{"Chip_A"});
  EXPECT_EQ(folders, std::vector<std::string>{"ChipA_Files"});
  EXPECT_EQ(
      LogMessages(mFolders.logPath),
      (std::vector<std::string>{
          "Validate CIF file for Chip_A...", "Validate CIF file for Chip_A successfully.",
          "Validate CIF file for Chip_B...",
          "ERROR: Scan7G INI section is missing in " + libgen::CifPath(*mLibrary, "Chip_B") + ".",
          "Validate CIF file for Chip_B failed.  Please correct the CIF file " +
              libgen::CifPath(*mLibrary, "Chip_B") + " and retry.",
          "Validate CIF file for Chip_C...",
          "ERROR: Cell INI section is missing in " + libgen::CifPath(*mLibrary, "Chip_C") + ".",
          "Validate CIF file for Chip_C failed.  Please correct the CIF file " +
              libgen::CifPath(*mLibrary, "Chip_C") + " and retry."}));
  // Nothing was written or loaded.
  EXPECT_FALSE(std::filesystem::exists(Work("scan.txt")));
  EXPECT_FALSE(std::filesystem::exists(Work("cif.txt")));
}

INSTANTIATE_TEST_SUITE_P(Roads, CifValidationTest, ::testing::Values(testing::Road::kSqlServer),
                         testing::RoadName);

}  // namespace
}  // namespace quellbrook
