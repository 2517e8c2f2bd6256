// zelko-synth, run as a child process, writes byte for byte what the library writes for
// the same options (its per-array seeds, names and brightness steps included), lists
// the files it wrote, and refuses bad options with a message and without writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/tests/temp_folder.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/array_model.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/chip_writers.hpp"
#include "tools/synth/expected_layout.hpp"
#include "tools/synth/result_writers.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using namespace synth::testing;

synth::ChipTruth Chip(synth::ChipKind kind, int dimension, int units, std::uint64_t seed) {
  return ChipWithShape(kind, dimension, units, seed);
}

// The file the program wrote equals the one the library wrote under the same name.
void ExpectSameFile(const platform::testing::TempFolder& program,
                    const platform::testing::TempFolder& library, const std::string& name) {
  const std::vector<std::uint8_t> written = FileBytes(program.File(name));
  EXPECT_FALSE(written.empty()) << name;
  EXPECT_TRUE(written == FileBytes(library.File(name))) << name << " differs from the library's";
}

// The paths the program printed, one a line.
std::vector<std::string> Listed(const ProgramRun& run) {
  return TextLines(run.out);
}

std::size_t FilesIn(const platform::testing::TempFolder& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
    count += entry.is_regular_file() ? 1 : 0;
  return count;
}

}  // namespace

TEST(SynthProgramBytes, ChipFormsAreTheLibrarysAndAnotherSeedGivesOthers) {
  platform::testing::TempFolder program;
  platform::testing::TempFolder library;
  const ProgramRun run = RunSynth(
      "chip --kind exon --dim 40 --units 9 --seed 4 --text-version 3 --out " +
          program.Path().string() + " --forms text-cdf,binary-cdf,pgf,probe-tab,mask,truth",
      program);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const synth::ChipTruth chip = Chip(synth::ChipKind::kExon, 40, 9, 4);
  const std::string type = chip.chipType;
  ASSERT_TRUE(synth::WriteTextCdf(chip, library.File(type + ".cdf"), 3));
  ASSERT_TRUE(synth::WriteBinaryCdf(chip, library.File(type + ".bin.cdf")));
  ASSERT_TRUE(synth::WritePgf(chip, library.File(type + ".pgf")));
  ASSERT_TRUE(
      synth::WriteProbeTab(synth::MakeProbeTab(chip, 4, false), library.File(type + "_probe_tab")));
  ASSERT_TRUE(synth::WriteMask(synth::MakeMask(chip, 4), library.File(type + "_mask.txt")));
  ASSERT_TRUE(synth::WriteTruth(chip, library.File(type + ".truth.txt")));
  const std::vector<std::string> names = {type + ".cdf",      type + ".bin.cdf",
                                          type + ".pgf",      type + "_probe_tab",
                                          type + "_mask.txt", type + ".truth.txt"};
  std::vector<std::string> expectedListing;
  for (const std::string& name : names) {
    ExpectSameFile(program, library, name);
    expectedListing.push_back(program.File(name));
  }
  EXPECT_EQ(Listed(run), expectedListing);

  // A custom SNP chip of a chip type of our own, with the pairs asked for.
  const ProgramRun custom = RunSynth(
      "chip --kind snp3 --dim 30 --units 6 --seed 2 --pairs 8-12 --chip-type Mine --custom --out " +
          program.Path().string() + " --forms binary-cdf,text-cdf",
      program);
  ASSERT_EQ(custom.exitCode, 0) << custom.err;
  synth::ChipOptions options;
  options.kind = synth::ChipKind::kSnp3;
  options.dimension = 30;
  options.unitCount = 6;
  options.seed = 2;
  options.minPairs = 8;
  options.maxPairs = 12;
  options.chipType = "Mine";
  options.custom = true;
  const auto mine = synth::MakeChip(options);
  ASSERT_TRUE(mine.has_value());
  const std::string cdf = synth::FileNameFor(*mine, synth::ChipForm::kTextCdf);
  std::string binary = cdf;
  binary.insert(binary.size() - 4, ".bin");
  ASSERT_TRUE(synth::WriteTextCdf(*mine, library.File(cdf)));
  ASSERT_TRUE(synth::WriteBinaryCdf(*mine, library.File(binary)));
  ExpectSameFile(program, library, cdf);
  ExpectSameFile(program, library, binary);
  EXPECT_EQ(Listed(custom), (std::vector<std::string>{program.File(binary), program.File(cdf)}));

  // Another seed, other bytes.
  platform::testing::TempFolder other;
  ASSERT_EQ(
      RunSynth("chip --kind exon --dim 40 --units 9 --seed 5 --out " + other.Path().string(), other)
          .exitCode,
      0);
  EXPECT_NE(FileBytes(other.File(type + ".cdf")), FileBytes(program.File(type + ".cdf")));
}

TEST(SynthProgramBytes, CellFilesAndImagesAreTheLibrarysForEachArray) {
  platform::testing::TempFolder program;
  platform::testing::TempFolder library;
  const ProgramRun cel = RunSynth(
      "cel --kind snp3-rotated --dim 24 --units 6 --chip-seed 5 --arrays 3 --seed 7 --brightness "
      "1.5 "
      "--background 90 --saturated 2 --outliers 4 --masked 5 --form binary --truth --name scan "
      "--out " +
          program.Path().string(),
      program);
  ASSERT_EQ(cel.exitCode, 0) << cel.err;
  const synth::ChipTruth rotated = Chip(synth::ChipKind::kSnp3Rotated, 24, 6, 5);
  std::vector<std::string> listing;
  for (int a = 0; a < 3; ++a) {
    // Each next array takes the next seed and a brightness ten percent up.
    synth::ArrayOptions options;
    options.name = "scan0" + std::to_string(a + 1);
    options.seed = 7 + static_cast<std::uint64_t>(a);
    options.brightness = 1.5 * (1.0 + 0.1 * a);
    options.background = 90;
    options.saturatedCells = 2;
    options.outlierCells = 4;
    options.maskedCells = 5;
    const auto array = synth::MakeArray(rotated, options);
    ASSERT_TRUE(array.has_value());
    ASSERT_TRUE(
        synth::WriteCel(*array, synth::CelForm::kBinary, library.File(options.name + ".CEL")));
    ASSERT_TRUE(synth::WriteArrayTruth(*array, library.File(options.name + ".truth.txt")));
    ExpectSameFile(program, library, options.name + ".CEL");
    ExpectSameFile(program, library, options.name + ".truth.txt");
    listing.push_back(program.File(options.name + ".CEL"));
    listing.push_back(program.File(options.name + ".truth.txt"));
  }
  EXPECT_EQ(Listed(cel), listing);

  // Kind-1 arrays are written as sub-array B, the one groups open.
  const ProgramRun old = RunSynth(
      "cel --kind snp1 --dim 20 --units 4 --form old-text --scan-time '12/11/10 09:08:07' --out " +
          program.Path().string(),
      program);
  ASSERT_EQ(old.exitCode, 0) << old.err;
  {
    synth::ArrayOptions options;
    options.name = "array01B";
    options.scanTime = "12/11/10 09:08:07";
    const auto array = synth::MakeArray(Chip(synth::ChipKind::kSnp1, 20, 4, 1), options);
    ASSERT_TRUE(array.has_value());
    ASSERT_TRUE(synth::WriteCel(*array, synth::CelForm::kOldText, library.File("array01B.CEL")));
    ExpectSameFile(program, library, "array01B.CEL");
  }

  const ProgramRun dat = RunSynth(
      "dat --dim 16 --units 4 --name img --arrays 2 --seed 9 --pixels-per-cell 5 "
      "--margin 3 --out " +
          program.Path().string(),
      program);
  ASSERT_EQ(dat.exitCode, 0) << dat.err;
  const synth::ChipTruth plain = Chip(synth::ChipKind::kExpression, 16, 4, 1);
  for (int a = 0; a < 2; ++a) {
    synth::ArrayOptions options;
    options.name = "img0" + std::to_string(a + 1);
    options.seed = 9 + static_cast<std::uint64_t>(a);
    options.brightness = 1.0 + 0.1 * a;
    const auto array = synth::MakeArray(plain, options);
    ASSERT_TRUE(array.has_value());
    // The image's pixel noise takes the array's seed.
    const auto image = synth::MakeDatImage(*array, synth::DatOptions{5, 3, options.seed});
    ASSERT_TRUE(image.has_value());
    ASSERT_TRUE(synth::WriteDat(*array, *image, library.File(options.name + ".DAT")));
    ExpectSameFile(program, library, options.name + ".DAT");
  }
}

TEST(SynthProgramBytes, GroupArraysCallsAndCurvesAreTheLibrarys) {
  platform::testing::TempFolder program;
  platform::testing::TempFolder library;
  const ProgramRun run = RunSynth(
      "group --dim 30 --units 20 --chip-seed 3 --arrays 3 --seed 4 --noise 0.1 "
      "--changed 20 --name grp --form binary --out " +
          program.Path().string(),
      program);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const synth::ChipTruth chip = Chip(synth::ChipKind::kExpression, 30, 20, 3);
  synth::ArrayGroupOptions options;
  options.arrays = 3;
  options.seed = 4;
  options.noise = 0.1;
  options.changedPercent = 20;
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, options);
  for (int a = 0; a < 3; ++a) {
    const std::string stem = "grp0" + std::to_string(a + 1);
    ASSERT_TRUE(synth::WriteCel(synth::ScannedArray(chip, group, a, stem), synth::CelForm::kBinary,
                                library.File(stem + ".CEL")));
    std::vector<char> calls;
    std::vector<double> signals;
    synth::ResultsOf(group, a, calls, signals);
    ASSERT_TRUE(synth::WriteResultText(chip, calls, signals, library.File(stem + ".txt")));
    ExpectSameFile(program, library, stem + ".CEL");
    ExpectSameFile(program, library, stem + ".txt");
  }
  EXPECT_EQ(Listed(run).size(), 7u);

  // The listing of the truth: each array's curve, then each changed probe set's fold.
  const std::vector<std::string> lines = TextLines(FileText(program.File("grp.curves.txt")));
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "array\tscale\tpower\toffset");
  for (std::size_t a = 0; a < 3; ++a) {
    const std::vector<std::string> fields = Fields(lines[a + 1]);
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[0], "grp0" + std::to_string(a + 1));
    const synth::BrightnessCurve& curve = group.arrays[a].curve;
    EXPECT_NEAR(std::stod(fields[1]), curve.scale, 1e-8 * curve.scale);
    EXPECT_NEAR(std::stod(fields[2]), curve.power, 1e-8);
    EXPECT_NEAR(std::stod(fields[3]), curve.offset, 1e-7);
  }
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines.at(5), "array\tprobe set\tfold");
  std::size_t changed = 0;
  for (int a = 0; a < 3; ++a)
    for (int u = 0; u < 20; ++u) changed += group.Changed(a, u) ? 1 : 0;
  ASSERT_EQ(lines.size(), 6 + changed);
  for (std::size_t i = 6; i < lines.size(); ++i) {
    const std::vector<std::string> fields = Fields(lines[i]);
    ASSERT_EQ(fields.size(), 3u);
    const int a = std::stoi(fields[0]) - 1;
    const auto unit =
        static_cast<std::size_t>(std::find_if(chip.units.begin(), chip.units.end(),
                                              [&](const auto& u) { return u.name == fields[1]; }) -
                                 chip.units.begin());
    ASSERT_LT(unit, chip.units.size());
    EXPECT_TRUE(group.Changed(a, static_cast<int>(unit)));
    EXPECT_NEAR(std::stod(fields[2]), group.arrays[static_cast<std::size_t>(a)].fold[unit], 1e-8);
  }

  // SNP groups carry genotype calls; kind-1 arrays are sub-array B and read the call
  // file named without the sub-array letter.
  for (const auto& [kind, form] :
       {std::pair{synth::ChipKind::kSnp1, synth::GenotypeForm::kAllelePairs},
        std::pair{synth::ChipKind::kSnp2, synth::GenotypeForm::kCallWords}}) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    platform::testing::TempFolder snpProgram;
    platform::testing::TempFolder snpLibrary;
    const std::string kindName(synth::ChipKindName(kind));
    const ProgramRun snp =
        RunSynth("group --kind " + kindName + " --dim 30 --units 12 --arrays 2 --seed 6 --out " +
                     snpProgram.Path().string(),
                 snpProgram);
    ASSERT_EQ(snp.exitCode, 0) << snp.err;
    const synth::ChipTruth snpChip = Chip(kind, 30, 12, 1);
    synth::ArrayGroupOptions snpOptions;
    snpOptions.arrays = 2;
    snpOptions.seed = 6;
    const synth::ArrayGroupTruth snpGroup = synth::MakeArrayGroup(snpChip, snpOptions);
    for (int a = 0; a < 2; ++a) {
      const std::string stem = "group0" + std::to_string(a + 1);
      const std::string arrayName = kind == synth::ChipKind::kSnp1 ? stem + "B" : stem;
      ASSERT_TRUE(synth::WriteCel(synth::ScannedArray(snpChip, snpGroup, a, arrayName),
                                  synth::CelForm::kText, snpLibrary.File(arrayName + ".CEL")));
      ASSERT_TRUE(synth::WriteGenotypeCalls(
          snpChip, synth::MakeGenotypes(snpChip, 6 + static_cast<std::uint64_t>(a)),
          snpLibrary.File(stem + ".txt"), form));
      ExpectSameFile(snpProgram, snpLibrary, arrayName + ".CEL");
      ExpectSameFile(snpProgram, snpLibrary, stem + ".txt");
    }
  }
}

TEST(SynthProgramBytes, BadOptionsAreRefusedWithTheirReasonAndNothingWritten) {
  platform::testing::TempFolder folder;
  platform::testing::TempFolder out;
  const std::string into = " --out " + out.Path().string();
  struct Refusal {
    std::string arguments;
    std::string reason;
  };
  const Refusal refusals[] = {
      {"frobnicate", "unknown command 'frobnicate'"},
      {"chip --dim 1", "--dim takes 2 to 8192"},
      {"chip --dim 20x", "--dim takes 2 to 8192"},
      {"chip --units -1", "--units takes 0 to 1000000"},
      {"chip --seed abc", "--seed takes a whole number"},
      {"chip --seed 99999999999999999999", "--seed takes a whole number"},
      {"chip --kind nonsense", "unknown kind 'nonsense'"},
      {"chip --pairs 5", "--pairs takes MIN-MAX"},
      {"chip --pairs 5-3", "--pairs takes MIN-MAX"},
      {"chip --text-version 4", "--text-version takes 1 to 3"},
      {"chip --forms text-cdf,weird", "unknown form 'weird'"},
      {"chip --forms text-cdf,pgf",
       "probe group files hold perfect-match-only chips (pm-only, exon)"},
      {"chip --dim 10 --units 10 --pairs 6-6",
       "the probe sets need 60 probe pairs but the chip holds 50"},
      {"chip --bogus 1", "unknown option --bogus"},
      {"chip --bogus", "unknown option --bogus"},
      {"chip --seed", "option --seed needs a value"},
      {"cel --form nonsense", "unknown form 'nonsense'"},
      {"cel --arrays 0", "--arrays takes 1 to 999"},
      {"cel --arrays 2 --scan-time '01/02/03 04:05:06'",
       "--scan-time names the scan of one array only"},
      {"cel --scan-time 1/2/03", "the scan time must read MM/DD/YY hh:mm:ss"},
      {"cel --name 'a b'", "the array name must be 1 to 64 letters, digits, '_' or '-'"},
      {"cel --chip-type a.b", "the chip type must not hold '.', '/', line ends or 0x14"},
      {"cel --brightness 0", "--brightness takes 0.001 to 1000"},
      {"cel --dim 20 --masked 201", "at most half the cells may be saturated, outliers or masked"},
      {"cel --pixels-per-cell 8", "unknown option --pixels-per-cell"},
      {"dat --pixels-per-cell 2", "--pixels-per-cell takes 3 to 64"},
      // A chip type too long for the image header beside the longest array name.
      {"dat --chip-type " + std::string(101, 'c'), "the chip type must be at most 100 characters"},
      {"dat --margin 1001", "--margin takes 0 to 1000"},
      {"dat --form text", "unknown option --form"},
      {"group --noise 2", "--noise takes 0 to 1"},
      {"group --changed 101", "--changed takes 0 to 100"},
      {"group --form old-text", "unknown form 'old-text'"},
      {"group --arrays 1000", "--arrays takes 1 to 999"},
      {"group --name ../up", "--name takes 1 to 60 letters, digits, '_' or '-'"},
      {"group --name " + std::string(61, 'n'), "--name takes 1 to 60 letters, digits, '_' or '-'"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.arguments);
    // The output folder right after the command, so that a missing value stays missing.
    std::string arguments = refusal.arguments;
    arguments.insert(std::min(arguments.find(' '), arguments.size()), into);
    const ProgramRun run = RunSynth(arguments, folder);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.starts_with("zelko-synth: " + refusal.reason + "\n")) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(FilesIn(out), 0u);
  }
  // Without a command: the usage, on the error stream.
  const ProgramRun bare = RunSynth("", folder);
  EXPECT_EQ(bare.exitCode, 2);
  EXPECT_TRUE(bare.err.starts_with("usage: zelko-synth <command> [options]")) << bare.err;
  // Asked for, the usage goes to the output stream.
  for (const char* command : {"chip", "cel", "dat", "group"}) {
    const ProgramRun help = RunSynth(std::string(command) + " --help", folder);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("usage: zelko-synth " + std::string(command) + " [options]"))
        << help.out;
    EXPECT_EQ(help.err, "");
  }
}
