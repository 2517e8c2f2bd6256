#include "fuzz/installer_state.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/path.hpp"
#include "platform/registry.hpp"
#include "tools/libgen/cif_files.hpp"
#include "tools/libgen/library_folder.hpp"

namespace {

constexpr const char* kScanner = "Scan3000";

std::string& FolderToRemove() {
  static std::string folder;
  return folder;
}

void RemoveWorkFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(FolderToRemove(), ignored);
}

}  // namespace

std::string FixtureAnalysisText() {
  libgen::AnalysisDefinition definition;
  definition.server = {{"ServerA", ""}};
  definition.grid = {{"GridA", "Stat"}};
  definition.cell = {{"CellA", "Stat"}};
  definition.chip = {{"ChipA", "Stat"}, {"ChipB", "Geno"}};
  definition.sections = {
      {"ServerA",
       {{"Algorithm Name", "", std::nullopt},
        {"GridAlignProgID", "", std::nullopt},
        {"BaseCallProgID", "", std::nullopt}},
       {},
       {}},
      {"GridA",
       {{"Spacing", "floats", std::nullopt},
        {"DefMode", "", std::nullopt},
        {"Count", "ints", std::string("1\t9")}},
       {{"SpacingLow", "int", std::nullopt}},
       {{"SpacingHigh", "int", std::string("4")}}},
      {"CellA", {{"Edge", "int", std::string()}}, {{"EdgeLow", "int", std::nullopt}}, {}},
      {"ChipA", {{"ProgID", "", std::nullopt}, {"Scale", "float", std::nullopt}}, {}, {}},
      {"ChipB", {{"Target", "int", std::nullopt}}, {}, {{"TargetHigh", "", std::nullopt}}},
  };
  return libgen::AnalysisDefinitionText(definition);
}

std::string FixtureScannerText() {
  return libgen::ScannerIniText(kScanner, {{"Rows", "int", std::nullopt}},
                                {{"Pixel", "float", std::string("3")}, {"Lamp", "", std::nullopt}});
}

std::string FixtureCifText() {
  return libgen::IniText(
      {{"ServerA", {{"Algorithm Name", "Stat"}, {"BaseCallProgID", "B.1"}}},
       {"GridA",
        {{"Spacing", "1.5\t2.5"}, {"MinMode", "2"}, {"SpacingLow", "1"}, {"SpacingHigh", "3"}}},
       {"CellA", {{"Edge", "2"}, {"EdgeLow", "1"}}},
       {"ChipA", {{"ProgID", "P.Stat"}, {"Scale", "0.5"}}},
       {"ChipB", {{"Target", "100"}, {"TargetHigh", "900"}}},
       {"Chip", {{"Rows", "20"}}},
       {kScanner, {{"Pixel", "2.5"}, {"Lamp", "on"}}},
       libgen::HpSection({"", "20", "20", "2", "2"})});
}

InWorkFolder::InWorkFolder() {
  std::error_code error;
  mBack = std::filesystem::current_path(error).string();
  if (error || ::chdir(FuzzInstallerStart().work.c_str()) != 0) std::abort();
}

InWorkFolder::~InWorkFolder() {
  if (::chdir(mBack.c_str()) != 0) std::abort();
}

const InstallerFixture& FuzzInstallerStart() {
  static const std::unique_ptr<InstallerFixture> made = [] {
    auto fixture = std::make_unique<InstallerFixture>();
    std::error_code error;
    const auto folder = std::filesystem::temp_directory_path(error) /
                        ("zelko-fuzz-installer-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder, error);
    if (error) std::abort();
    FolderToRemove() = folder.string();
    std::atexit(RemoveWorkFolder);
    fixture->work = folder.string();
    fixture->source = platform::JoinPath(fixture->work, "library");
    const libgen::LibraryFolder library(fixture->source, libgen::StandardLibrary());
    std::string reason;
    if (!library.Write(reason)) std::abort();
    fixture->type = library.Spec().types.front().name;
    fixture->scanner = kScanner;
    fixture->analysisIni = library.File(libgen::kAnalysisIniName);
    fixture->scannerIni = library.File(std::string(kScanner) + ".ini");
    fixture->cif = library.File(fixture->type + ".CIF");
    if (!libgen::WriteTextFile(fixture->analysisIni, FixtureAnalysisText()) ||
        !libgen::WriteTextFile(fixture->scannerIni, FixtureScannerText()) ||
        !libgen::WriteTextFile(fixture->cif, FixtureCifText()) ||
        !libgen::WriteTextFile(
            library.File(libgen::kHpMapIniName),
            libgen::HpMapText({{"50/3", "10", "10", "1", "1"}, {"100/9", "20", "20", "2", "2"}})))
      std::abort();
    // The converter reads the database version from the registry: an empty one of the
    // fixture's own rather than the user's.
    ::setenv(platform::kRegistryPathVariable, (folder / "registry").c_str(), 1);
    return fixture;
  }();
  return *made;
}
