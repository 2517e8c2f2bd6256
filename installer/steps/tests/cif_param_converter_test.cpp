// The CIF parameter converter: load files checked against records typed from the
// conversion rules, for a small analysis definition on both sides of database version
// 3.1 and for the scan entry, then the rescues, failures and refusals one by one.
#include "installer/steps/cif_param_converter.hpp"
#include "installer/framework/tests/log_lines.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/framework/environment.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/tests/registry_sandbox.hpp"
#include "platform/path.hpp"
#include "platform/tests/file_size_limit.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/libgen/cif_files.hpp"
#include "tools/libgen/library_folder.hpp"

namespace quellbrook {
namespace {

using libgen::IniSection;
using libgen::ParameterDeclaration;

using testing::LogMessages;
using testing::ReadWholeFile;

libgen::AnalysisDefinition SmallDefinition() {
  libgen::AnalysisDefinition definition;
  definition.server = {{"ServerA", ""}, {"ServerB", ""}};
  definition.grid = {{"GridA", "Grid"}};
  definition.cell = {{"CellA", "Stat"}};
  definition.chip = {{"ChipA", "Stat"}, {"ChipB", "Grid"}};
  definition.sections = {
      {"ServerA", {{"Old", "", std::nullopt}}, {}, {}},
      {"ServerB",
       {{"Algorithm Name", "", std::nullopt}, {"GridAlignProgID", "", std::nullopt}},
       {},
       {}},
      {"GridA",
       {{"Spacing", "floats", std::nullopt}, {"Mode", "", std::string("auto")}},
       {{"SpacingLow", "int", std::nullopt}},
       {}},
      {"CellA", {{"Edge", "int", std::string()}}, {}, {}},
      {"ChipA", {{"ProgID", "", std::nullopt}}, {}, {}},
      {"ChipB", {{"Scale", "float", std::nullopt}}, {}, {}},
  };
  return definition;
}

std::vector<IniSection> SmallCif() {
  return {{"ServerA", {{"Old", "1"}}},
          {"ServerB", {{"Other", "1"}}},
          {"GridA", {{"Spacing", "1.5\t2.5"}, {"SpacingLow", "1"}}},
          {"CellA", {{"Other", "x"}}},
          {"ChipA", {{"ProgID", "P.Stat"}}},
          {"ChipB", {{"Scale", "0.5"}}},
          libgen::HpSection({"", "20", "20", "2", "2"})};
}

class CifParamConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetVersion("3.1");
    Write(libgen::kAlgorithmIniName,
          libgen::AlgorithmIniText({{"Stat", "1", "Expr", "P.1", "StatCif", ""},
                                    {"Grid", "2", "Expr", "P.2", "GridCif", ""}}));
    Write("TWLib.ini", libgen::IniText({{"TarnwellLibs", {{"ArraySet1", "Chip_A"}}},
                                        {"Chip_A", {{"PartNumber", "900123"}}}}));
    Write(libgen::kHpMapIniName,
          libgen::HpMapText({{"50/3", "10", "10", "1", "1"}, {"100/9", "20", "20", "2", "2"}}));
    Write(libgen::kAnalysisIniName, libgen::AnalysisDefinitionText(SmallDefinition()));
    WriteCif(SmallCif());
  }

  void SetVersion(const char* version) { mRegistry.SetText(kPembVersionKey, nullptr, version); }
  void Write(std::string_view name, const std::string& text) {
    ASSERT_TRUE(libgen::WriteTextFile(mTemp.File("source/" + std::string(name)), text));
  }
  void WriteCif(const std::vector<IniSection>& sections) {
    Write("Chip_A.CIF", libgen::IniText(sections));
  }
  // A converter as the analysis parameter step fills one.
  void Fill(CifParamConverter& converter) const {
    converter.sourceFolder = mTemp.File("source");
    converter.typeName = "Chip_A";
    converter.assayType = "Expression";
    converter.outputFile = mTemp.File("cif.txt");
    converter.cifPath = mTemp.File("source/Chip_A.CIF");
    converter.logPath = mTemp.File("install.log");
    converter.definitionIniPath = mTemp.File("source/Analysis.ini");
  }
  std::string Output() const { return ReadWholeFile(mTemp.File("cif.txt")); }
  std::vector<std::string> Log() const { return LogMessages(mTemp.File("install.log")); }

  testing::RegistrySandbox mRegistry;
  platform::testing::TempFolder mTemp;
};

TEST_F(CifParamConverterTest, Version31WritesNineFieldsAndTheAddedParameters) {
  CifParamConverter converter;
  EXPECT_TRUE(IsVersionAtLeast31(converter.dbVersion));
  Fill(converter);
  ASSERT_EQ(converter.RunAnalysisConversion(1), 0);
  // Only the second server section counts; both chip sections do.
  EXPECT_EQ(Output(),
            "Expression;Chip_A;900123;Server;Algorithm Name;VururozuzuDuda;string;Def;Server\n"
            "Expression;Chip_A;900123;Server;GridAlignProgID;Kandorvale.GridAlign.1;string;Def;"
            "Server\n"
            "Expression;Chip_A;900123;GridCif;SpacingMin;1.5;float;Def;Algorithm\n"
            "Expression;Chip_A;900123;GridCif;SpacingMax;2.5;float;Def;Algorithm\n"
            "Expression;Chip_A;900123;GridCif;Mode;auto;string;Def;Algorithm\n"
            "Expression;Chip_A;900123;GridCif;ExpectGhostGrids;TRUE;string;Def;Algorithm\n"
            "Expression;Chip_A;900123;GridCif;SpacingLow;1;int;Min;Algorithm\n"
            "Expression;Chip_A;900123;StatCif;Edge;;int;Def;Algorithm\n"
            "Expression;Chip_A;900123;StatCif;ProgID;P.Stat;string;Def;Algorithm\n"
            "Expression;Chip_A;900123;StatCif;UsersetUsed;;string;Def;Algorithm\n"
            "Expression;Chip_A;900123;GridCif;Scale;0.5;float;Def;Algorithm\n"
            "Expression;Chip_A;900123;GridCif;ProgID;;string;Def;Algorithm\n"
            "Expression;Chip_A;900123;GridCif;UsersetUsed;;string;Def;Algorithm\n");
  EXPECT_EQ(converter.recordCount, 13);
  EXPECT_EQ(converter.warningFlag, 1);
  const std::string cif = mTemp.File("source/Chip_A.CIF");
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"WARNING: Mode is missing in the section GridA inside " +
                                          cif + ".  Default value auto is used.",
                                      "WARNING: Edge is missing in the section CellA inside " +
                                          cif + ".  Default value  is used."}));
}

TEST_F(CifParamConverterTest, Version30WritesEightFieldsWithTheOlderNames) {
  SetVersion("3.0");
  CifParamConverter converter;
  Fill(converter);
  ASSERT_EQ(converter.RunAnalysisConversion(1), 0);
  EXPECT_EQ(Output(),
            "Expression;Chip_A;Server;Algorithm Name;VururozuzuDuda;string;Def;Server\n"
            "Expression;Chip_A;Server;AlignProgID;Kandorvale.GridAlign.1;string;Def;Server\n"
            "Expression;Chip_A;GridCif;SpacingMin;1.5;float;Def;Algorithm\n"
            "Expression;Chip_A;GridCif;SpacingMax;2.5;float;Def;Algorithm\n"
            "Expression;Chip_A;GridCif;Mode;auto;string;Def;Algorithm\n"
            "Expression;Chip_A;GridCif;SpacingLow;1;int;Min;Algorithm\n"
            "Expression;Chip_A;StatCif;Edge;;int;Def;Algorithm\n"
            "Expression;Chip_A;StatCif;ProgID;P.Stat;string;Def;Algorithm\n"
            "Expression;Chip_A;GridCif;Scale;0.5;float;Def;Algorithm\n");
}

TEST_F(CifParamConverterTest, VersionTextJustAbove31AndTheFloatComparison) {
  // The float nearest 3.1 is below the double 3.1: compared as a double, a "3.1" database
  // would be taken for an older one.
  EXPECT_LT(static_cast<double>(3.1f), 3.1);
  EXPECT_TRUE(IsVersionAtLeast31(3.1f));
  EXPECT_FALSE(IsVersionAtLeast31(3.09f));
  SetVersion(" 3.2 ");
  CifParamConverter converter;
  EXPECT_FLOAT_EQ(converter.dbVersion, 3.2f);
  mRegistry.Remove(kPembVersionKey, nullptr);
  CifParamConverter older;
  EXPECT_FLOAT_EQ(older.dbVersion, 3.0f);
}

TEST_F(CifParamConverterTest, GhostGridsAndTheBaseCallTypesIdentifiers) {
  // An [HP] section of another scan type, then none at all.
  std::vector<IniSection> cif = SmallCif();
  cif.back() = libgen::HpSection({"", "10", "10", "1", "1"});
  cif[1].keys.emplace_back("BaseCallProgID", "kandorvale.basecaller.1");
  cif[1].keys.emplace_back("ViewProgID1", std::string(kOlderViewerProgId));
  WriteCif(cif);
  libgen::AnalysisDefinition definition = SmallDefinition();
  definition.sections[1].defaults = {{"BaseCallProgID", "", std::nullopt},
                                     {"ViewProgID1", "", std::nullopt}};
  Write(libgen::kAnalysisIniName, libgen::AnalysisDefinitionText(definition));
  CifParamConverter converter;
  Fill(converter);
  converter.typeName = "galdrith";
  ASSERT_EQ(converter.ConvertCifParameters(converter.typeName, 0), 1);
  ASSERT_EQ(converter.serverParams.size(), 2u);
  EXPECT_EQ(converter.serverParams[0].value, kNewerBaseCallProgId);
  EXPECT_EQ(converter.serverParams[1].value, kNewerViewerProgId);
  EXPECT_EQ(converter.gridDefaults.back().name, "ExpectGhostGrids");
  EXPECT_EQ(converter.gridDefaults.back().value, "FALSE");

  cif.pop_back();
  WriteCif(cif);
  CifParamConverter plain;
  Fill(plain);
  ASSERT_EQ(plain.ConvertCifParameters("Chip_A", 0), 1);
  EXPECT_EQ(plain.serverParams[0].value, "kandorvale.basecaller.1");
  EXPECT_EQ(plain.gridDefaults.back().value, "FALSE");
}

TEST_F(CifParamConverterTest, ScanEntryWritesTheChipAndScannerParameters) {
  Write("Scanner.ini", libgen::ScannerIniText("ScanX", {{"Pixel", "int", std::nullopt}},
                                              {{"Laser", "", std::nullopt}}));
  std::vector<IniSection> cif = SmallCif();
  cif.push_back({"Chip", {{"Pixel", "3"}}});
  cif.push_back({"ScanX", {{"Laser", "on"}}});
  WriteCif(cif);
  CifParamConverter converter;
  Fill(converter);
  converter.scanner = "ScanX";
  converter.outputFile = mTemp.File("scan.txt");
  converter.definitionIniPath = mTemp.File("source/Scanner.ini");
  ASSERT_EQ(converter.RunScanConversion(1), 0);
  EXPECT_EQ(ReadWholeFile(mTemp.File("scan.txt")),
            "Expression;Chip_A;900123;ScanX;Pixel;3;int;Scan;Scan\n"
            "Expression;Chip_A;900123;ScanX;Laser;on;string;Scan;Scan\n");
}

TEST_F(CifParamConverterTest, LenientSectionsAndTheMinimumForAMissingDefault) {
  libgen::AnalysisDefinition definition = SmallDefinition();
  definition.sections[2].defaults = {{"DefLevel", "int", std::nullopt}};
  definition.sections[5].defaults.push_back({"DefGain", "", std::nullopt});
  Write(libgen::kAnalysisIniName, libgen::AnalysisDefinitionText(definition));
  std::vector<IniSection> cif = SmallCif();
  cif[2].keys.emplace_back("MinLevel", "4");
  cif.erase(cif.begin() + 5);  // no [ChipB]
  WriteCif(cif);

  // Strict: DefLevel has no default, and nothing rescues it.
  CifParamConverter strict;
  Fill(strict);
  EXPECT_EQ(strict.RunAnalysisConversion(1), kCifReadFailed);
  EXPECT_FALSE(platform::FileExists(mTemp.File("cif.txt")));

  // Lenient with the minimum: DefLevel takes MinLevel; the missing chip section is read as
  // empty, and its Scale, which has no minimum to take, fails.
  CifParamConverter lenient;
  Fill(lenient);
  lenient.gridLenient = lenient.chipLenient = lenient.minForDefault = 1;
  lenient.processMissingChipSection = 1;
  EXPECT_EQ(lenient.ConvertCifParameters("Chip_A", 0), 0);
  ASSERT_FALSE(lenient.gridDefaults.empty());
  EXPECT_EQ(lenient.gridDefaults[0].name, "DefLevel");
  EXPECT_EQ(lenient.gridDefaults[0].value, "4");
  EXPECT_EQ(lenient.warningFlag, 1);

  // Lenient without the minimum rule: the missing section's parameters are written empty.
  CifParamConverter noMinimum;
  Fill(noMinimum);
  noMinimum.gridLenient = noMinimum.chipLenient = noMinimum.processMissingChipSection = 1;
  ASSERT_EQ(noMinimum.ConvertCifParameters("Chip_A", 0), 1);
  EXPECT_EQ(noMinimum.gridDefaults[0].value, "");
  ASSERT_EQ(noMinimum.chipDefaults.size(), 6u);
  EXPECT_EQ(noMinimum.chipDefaults[2].name, "Scale");
  EXPECT_EQ(noMinimum.chipDefaults[3].name, "DefGain");
  EXPECT_EQ(noMinimum.chipDefaults[3].value, "");

  // Lenient without processing a missing section: the section gives nothing.
  CifParamConverter skipped;
  Fill(skipped);
  skipped.gridLenient = skipped.chipLenient = 1;
  ASSERT_EQ(skipped.ConvertCifParameters("Chip_A", 0), 1);
  EXPECT_EQ(skipped.chipDefaults.size(), 4u);

  const std::string path = mTemp.File("source/Chip_A.CIF");
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "ERROR: DefLevel is missing in the section GridA inside file " + path + ".");
  EXPECT_EQ(log[1], "WARNING: DefLevel is missing in the section GridA inside " + path +
                        ".  Minimum value MinLevel=4 is used.");
  EXPECT_EQ(log[3], "ERROR: Scale is missing in the section ChipB inside file " + path + ".");
}

TEST_F(CifParamConverterTest, FailuresCheckingModeAndRefusedValues) {
  // Checking mode reads everything and writes nothing.
  CifParamConverter checking;
  Fill(checking);
  EXPECT_EQ(checking.RunAnalysisConversion(0), 0);
  EXPECT_EQ(checking.recordCount, 0);
  EXPECT_FALSE(platform::FileExists(mTemp.File("cif.txt")));

  // A value with the separator would shift the record's fields.
  std::vector<IniSection> cif = SmallCif();
  cif[4].keys[0].second = "P;Stat";
  WriteCif(cif);
  CifParamConverter refused;
  Fill(refused);
  EXPECT_EQ(refused.RunAnalysisConversion(1), kCifReadFailed);
  EXPECT_FALSE(platform::FileExists(mTemp.File("cif.txt")));

  // An algorithm the algorithm INI doesn't name.
  libgen::AnalysisDefinition definition = SmallDefinition();
  definition.cell[0].algorithm = "Unknown";
  Write(libgen::kAnalysisIniName, libgen::AnalysisDefinitionText(definition));
  CifParamConverter unknown;
  Fill(unknown);
  EXPECT_EQ(unknown.RunAnalysisConversion(1), kCifReadFailed);

  // A declared parameter missing with no default at all.
  definition = SmallDefinition();
  definition.sections[3].defaults = {{"Width", "", std::nullopt}};
  Write(libgen::kAnalysisIniName, libgen::AnalysisDefinitionText(definition));
  CifParamConverter missing;
  Fill(missing);
  EXPECT_EQ(missing.RunAnalysisConversion(1), kCifReadFailed);

  CifParamConverter noCif;
  Fill(noCif);
  noCif.cifPath = mTemp.File("source/None.CIF");
  EXPECT_EQ(noCif.RunAnalysisConversion(1), kCifReadFailed);

  CifParamConverter unwritable;
  Fill(unwritable);
  WriteCif(SmallCif());
  Write(libgen::kAnalysisIniName, libgen::AnalysisDefinitionText(SmallDefinition()));
  unwritable.outputFile = mTemp.File("no/folder/cif.txt");
  EXPECT_EQ(unwritable.RunAnalysisConversion(1), kWriteIntermediateFilesFailed);

  const std::string source = mTemp.File("source");
  std::vector<std::string> errors;
  for (const std::string& line : Log())
    if (line.rfind("ERROR: ", 0) == 0) errors.push_back(line);
  EXPECT_EQ(
      errors,
      (std::vector<std::string>{
          "ERROR: The value 'P;Stat' holds the load file's separator ';'. The parameter "
          "ProgID of " +
              source + "/Chip_A.CIF is not installed.",
          "ERROR: Cannot find the algorithm CIF Name for Unknown in " + source + "/Algorithm.ini.",
          "ERROR: Width is missing in the section CellA inside file " + source + "/Chip_A.CIF.",
          "ERROR: " + source + "/None.CIF file not found."}));
}

// As many declarations as are read, in a chip section whose algorithm is the last of the
// most algorithms: every INI is read once, so the conversion takes moments. The same
// records on a disk that fills while they are written fail as a write failure.
TEST_F(CifParamConverterTest, TheMostDeclarationsConvertInOneReadOfEachFile) {
  std::vector<libgen::Algorithm> algorithms;
  for (int i = 1; i < kMaxIniEntries; ++i)
    algorithms.push_back({"Alg" + std::to_string(i), "", "", "", "cif" + std::to_string(i), ""});
  algorithms.push_back({"Stat", "", "", "", "StatCif", ""});
  Write(libgen::kAlgorithmIniName, libgen::AlgorithmIniText(algorithms));
  libgen::DeclaredSection chip{"ChipBig", {}, {}, {}};
  libgen::IniSection values{"ChipBig", {}};
  for (int i = 1; i <= kMaxDeclaredParameters; ++i) {
    const std::string name = "Param" + std::to_string(i);
    chip.defaults.push_back({name, "int", std::nullopt});
    values.keys.push_back({name, std::to_string(i * 3)});
  }
  libgen::AnalysisDefinition definition;
  definition.chip = {{"ChipBig", "Stat"}};
  definition.sections = {chip};
  Write(libgen::kAnalysisIniName, libgen::AnalysisDefinitionText(definition));
  WriteCif({values});

  CifParamConverter converter;
  Fill(converter);
  ASSERT_EQ(converter.RunAnalysisConversion(1), 0) << ::testing::PrintToString(Log());
  // Each declared value, then the two records that newer databases expect.
  EXPECT_EQ(converter.recordCount, kMaxDeclaredParameters + 2);
  const std::string output = Output();
  EXPECT_NE(output.find("Expression;Chip_A;900123;StatCif;Param4096;12288;int;Def;Algorithm\n"),
            std::string::npos);

  CifParamConverter full;
  Fill(full);
  full.outputFile = mTemp.File("full.txt");
  {
    platform::testing::FileSizeLimit limit(64 << 10);
    EXPECT_EQ(full.RunAnalysisConversion(1), kWriteIntermediateFilesFailed);
  }
  EXPECT_EQ(std::filesystem::file_size(full.outputFile), 64u << 10);
  EXPECT_EQ(Log().back(), "ERROR: Failed to write the intermediate files. " + full.outputFile +
                              ": File too large.");
}

TEST(CifDefinitions, SectionListStopsAtTheFirstMissingKey) {
  platform::testing::TempFolder temp;
  const std::string ini = temp.Write(
      "a.ini",
      "[AnalysisSections]\nGrid1=\nGrid2=GridB\nCell1= CellA \nCell1Alg= Stat \nCell2=CellB\n"
      "[CellA]\nDefParamCount=3\nDefParam1=A\nDefParam1DefValue=_DEF_STRING_\nDefParam3=C\n"
      "DefParam3Type=ints\nDefParam3DefValue=\n");
  EXPECT_TRUE(ReadAnalysisSectionList("Grid", ini).empty());
  const std::vector<AnalysisSection> cells = ReadAnalysisSectionList("Cell", ini);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].name, "CellA");
  EXPECT_EQ(cells[0].algorithm, "Stat");
  EXPECT_EQ(cells[1].algorithm, "");
  ParamList declared;
  ReadParamDefinitions(ini, "CellA", "Def", declared);
  ASSERT_EQ(declared.size(), 2u);
  EXPECT_EQ(declared[0].name, "A");
  EXPECT_EQ(declared[0].type, "string");
  EXPECT_EQ(declared[0].hasDefault, 0);
  EXPECT_EQ(declared[1].type, "ints");
  EXPECT_EQ(declared[1].hasDefault, 1);
  EXPECT_EQ(declared[1].value, "");

  // A shipped count past the limit is cut to it, and says so.
  const std::string many = temp.Write(
      "b.ini", "[S]\nDefParamCount=99999\nDefParam1=A\nDefParam4096=B\nDefParam4097=C\n");
  EXPECT_FALSE(ReadParamDefinitions(many, "S", "Def", declared));
  ASSERT_EQ(declared.size(), 2u);
  EXPECT_EQ(declared[1].name, "B");
  EXPECT_TRUE(ReadParamDefinitions(ini, "CellA", "Def", declared));
}

}  // namespace
}  // namespace quellbrook
