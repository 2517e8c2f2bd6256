// The library skeleton as the installer reads it: every value through the profile rules
// gives back the LibrarySpec it was written from.
#include "tools/libgen/library_folder.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/path.hpp"
#include "platform/profile.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/libgen/command_line.hpp"

namespace libgen {
namespace {

TEST(LibraryFolder, TheStandardLibraryReadsBackAsItsSpec) {
  platform::testing::TempFolder temp;
  const LibraryFolder library(temp.File("source"), StandardLibrary());
  std::string error;
  ASSERT_TRUE(library.Write(error)) << error;
  const LibrarySpec& spec = library.Spec();

  const std::string types = library.File(kTypeIniName);
  for (const ArrayType& type : spec.types) {
    EXPECT_EQ(platform::ReadProfileString(types, type.name, "Path", ""), type.folder);
    EXPECT_EQ(platform::ReadProfileString(types, type.name, "Type", ""), type.assayType);
    EXPECT_EQ(platform::ReadProfileInt(types, type.name, "Sequences", 0) == 1, type.sequences);
    EXPECT_TRUE(std::filesystem::is_directory(library.LibFiles(type.name)));
    EXPECT_EQ(library.TypeFolder(type.name), platform::JoinPath(library.Source(), type.folder));
  }

  const std::string devices = library.File(kDevicesIniName);
  ASSERT_EQ(spec.devices.size(), 2u);
  for (std::size_t n = 0; n < spec.devices.size(); ++n) {
    const Device& device = spec.devices[n];
    EXPECT_EQ(platform::ReadProfileString(devices, "Devices", "Device" + std::to_string(n + 1), ""),
              device.name);
    EXPECT_EQ(platform::ReadProfileString(devices, device.name, "DeviceType", ""), device.type);
    EXPECT_EQ(platform::ReadProfileString(devices, device.name, "DeviceAnnoID", ""),
              device.annotationId);
    EXPECT_EQ(platform::ReadProfileString(devices, device.name, "DevicePrefix", ""), device.prefix);
    EXPECT_EQ(platform::ReadProfileString(devices, device.name, "DeviceDesc", ""),
              device.description);
    std::vector<std::string> sets;
    for (int set = 1;; ++set) {
      const auto value =
          platform::ProfileValue(devices, device.name, "ArraySet" + std::to_string(set));
      if (!value) break;
      sets.push_back(*value);
    }
    EXPECT_EQ(sets, device.arraySets);
  }
  EXPECT_FALSE(platform::ProfileValue(devices, "Devices", "Device3"));

  const std::string algorithms = library.File(kAlgorithmIniName);
  EXPECT_EQ(platform::ReadProfileInt(algorithms, "Algorithms", "NumAlgorithms", -1), 2);
  EXPECT_EQ(platform::ReadProfileString(algorithms, "Algorithms", "Alg2ProgID", ""),
            spec.algorithms[1].progId);
  EXPECT_EQ(platform::ReadProfileString(algorithms, "Algorithms", "Alg1UsersetFlag", ""), "1");
  // An empty flag is left out, so the reader's own default applies.
  EXPECT_FALSE(platform::ProfileValue(algorithms, "Algorithms", "Alg2UsersetFlag"));
}

TEST(LibraryFolder, OptionalFilesAndFolderlessTypes) {
  platform::testing::TempFolder temp;
  LibrarySpec spec;
  spec.types = {{"Bare", ""}};
  spec.devicesFile = false;
  spec.algorithmFile = false;
  const LibraryFolder library(temp.File("source"), spec);
  std::string error;
  ASSERT_TRUE(library.Write(error)) << error;
  EXPECT_TRUE(platform::ProfileSectionExists(library.File(kTypeIniName), "Bare"));
  EXPECT_FALSE(platform::ProfileValue(library.File(kTypeIniName), "Bare", "Path"));
  EXPECT_EQ(library.TypeFolder("Bare"), library.File("Bare"));
  EXPECT_FALSE(std::filesystem::exists(library.File(kDevicesIniName)));
  EXPECT_FALSE(std::filesystem::exists(library.File(kAlgorithmIniName)));

  // A file standing where the source folder should be cannot be written into.
  temp.Write("blocked", "x");
  const LibraryFolder blocked(temp.File("blocked"), StandardLibrary());
  EXPECT_FALSE(blocked.Write(error));
  EXPECT_NE(error.find("blocked"), std::string::npos);
}

TEST(LibgenCommandLine, WritesTheSkeletonItIsAskedFor) {
  platform::testing::TempFolder temp;
  std::string error;
  EXPECT_EQ(RunCommandLine({"skeleton", temp.File("std")}, error), 0) << error;
  EXPECT_EQ(platform::ReadProfileString(temp.File("std/TWLib.ini"), "Chip_B", "Path", ""),
            "ChipB_Files");
  EXPECT_TRUE(std::filesystem::exists(temp.File("std/Devices.ini")));

  EXPECT_EQ(RunCommandLine({"skeleton", temp.File("own"), "--types", "T1=Files/T1,T2",
                            "--no-devices", "--no-algorithms"},
                           error),
            0)
      << error;
  EXPECT_EQ(platform::ReadProfileString(temp.File("own/TWLib.ini"), "T1", "Path", ""), "Files/T1");
  EXPECT_EQ(platform::ReadProfileString(temp.File("own/TWLib.ini"), "T2", "Path", ""), "T2");
  EXPECT_TRUE(std::filesystem::is_directory(temp.File("own/Files/T1/LibFiles")));
  EXPECT_FALSE(std::filesystem::exists(temp.File("own/Devices.ini")));
  EXPECT_FALSE(std::filesystem::exists(temp.File("own/Algorithm.ini")));

  // A whole library holds the contents of every step beside the skeleton.
  EXPECT_EQ(RunCommandLine({"library", temp.File("all"), "--types", "Chip_A"}, error), 0) << error;
  for (const char* file : {"all/Controls.INI", "all/Assay_protocol.txt", "all/Template.txt",
                           "all/Chip_A/LibFiles/Chip_A.GIN", "all/Algorithm.ini"})
    EXPECT_GT(std::filesystem::file_size(temp.File(file)), 0u) << file;

  EXPECT_EQ(RunCommandLine({"skeleton"}, error), 2);
  EXPECT_EQ(RunCommandLine({"layout", temp.File("x")}, error), 2);
  EXPECT_EQ(RunCommandLine({"skeleton", temp.File("x"), "--types", "A,,B"}, error), 2);
  EXPECT_EQ(RunCommandLine({"skeleton", temp.File("x"), "--bogus"}, error), 2);
  EXPECT_FALSE(std::filesystem::exists(temp.File("x")));
  temp.Write("file", "");
  EXPECT_EQ(RunCommandLine({"skeleton", temp.File("file")}, error), 1);
}

}  // namespace
}  // namespace libgen
