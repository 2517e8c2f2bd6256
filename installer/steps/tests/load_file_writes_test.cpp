// Every writer of a load file on a disk that runs out of room part way: each one, given
// the same contents that it writes whole without the limit, fails as a write failure
// (2001, naming the file and the system's reason) instead of handing a cut file to the
// bulk load.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "installer/framework/message_table.hpp"
#include "installer/framework/tests/log_lines.hpp"
#include "installer/steps/algorithm_step.hpp"
#include "installer/steps/device_step.hpp"
#include "installer/steps/gin_reader.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/mac_reader.hpp"
#include "installer/steps/sif_reader.hpp"
#include "platform/path.hpp"
#include "platform/tests/file_size_limit.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/libgen/gin_file.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/mac_file.hpp"
#include "tools/libgen/sif_file.hpp"

namespace quellbrook {
namespace {

// Every load file below is several times this size; the log stays well below it.
constexpr std::uint64_t kRoomLeft = 96 << 10;
constexpr const char* kTooLarge = "File too large";

// One writer: its result (0 when whole) and what it said about the failure.
struct Outcome {
  int result = -1;
  std::string reason;
};

struct Writer {
  const char* name;
  const char* loadFile;
  std::function<Outcome()> run;
};

class LoadFileWritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mPrevious = std::filesystem::current_path();
    std::filesystem::current_path(mTemp.File(""));
  }
  void TearDown() override { std::filesystem::current_path(mPrevious); }

  std::string LastLogLine() const {
    const std::vector<std::string> lines = testing::LogMessages(mTemp.File("install.log"));
    return lines.empty() ? std::string() : lines.back();
  }

  std::vector<Writer> Writers() {
    std::string algorithms = "[Algorithms]\nNumAlgorithms=2000\n";
    for (int i = 1; i <= 2000; ++i)
      algorithms += "Alg" + std::to_string(i) + "Name=Algorithm " + std::to_string(i) + "\nAlg" +
                    std::to_string(i) + "ProgID=" + std::string(100, 'p') + "\n";
    const std::string algorithmIni = mTemp.Write("Algorithm.ini", algorithms);
    for (int i = 0; i < 2000; ++i)
      mDevices.push_back({"Scanner" + std::to_string(i), "Scanner", std::string(100, 'd'),
                          "S-" + std::to_string(i), "SC"});
    const std::string source = mTemp.File("source");
    EXPECT_TRUE(libgen::WriteTextFile(platform::JoinPath(source, "A/LibFiles/Chip_A.GIN"),
                                      libgen::GinText(libgen::StandardGin(1000, 300, 7))));
    EXPECT_TRUE(libgen::WriteTextFile(platform::JoinPath(source, "A/LibFiles/Chip_A.SIF"),
                                      libgen::SifText(libgen::StandardSif(6000, 7))));
    libgen::MacFile mac = libgen::StandardMac();
    for (int i = 0; i < 2000; ++i)
      mac.variables.push_back({"Step" + std::to_string(i), std::string(120, 'v'), ""});
    const std::string macPath = mTemp.Write("WashA.MAC", libgen::MacText(mac));
    const std::string log = mTemp.File("install.log");

    return {
        {"algorithms", kAlgorithmLoadFile,
         [this, algorithmIni] {
           AlgorithmStep step;
           int count = 0;
           Outcome outcome;
           outcome.result = step.WriteAlgorithmFile(algorithmIni, count, &outcome.reason)
                                ? 0
                                : kWriteIntermediateFilesFailed;
           return outcome;
         }},
        {"devices", kDeviceLoadFile,
         [this] {
           DeviceStep step;
           step.devices = &mDevices;
           int count = 0;
           Outcome outcome;
           outcome.result =
               step.WriteDeviceFile(count, &outcome.reason) ? 0 : kWriteIntermediateFilesFailed;
           return outcome;
         }},
        {"gene information", "gin.des",
         [source] {
           GinReader reader;
           reader.sourceFolder = source;
           reader.typeName = "Chip_A";
           reader.typeFolder = "A";
           reader.urlFile = "gin.krx";
           reader.headerFile = "gin.hdr";
           reader.descriptionFile = "gin.des";
           Outcome outcome;
           outcome.result = reader.RunGinRead();
           outcome.reason = reader.refusal;
           return outcome;
         }},
        {"sequences", "sif.txt",
         [this, source, log] {
           SifReader reader;
           reader.sourceFolder = source;
           reader.typeName = "Chip_A";
           reader.typeFolder = "A";
           reader.outputFile = "sif.txt";
           reader.logPath = log;
           Outcome outcome;
           outcome.result = reader.RunSifRead();
           outcome.reason = LastLogLine();
           return outcome;
         }},
        {"fluidics protocol", "mac.txt",
         [this, macPath, log] {
           MacReader reader;
           reader.outputFile = "mac.txt";
           reader.macPath = macPath;
           reader.protocolName = "WashA";
           reader.logPath = log;
           Outcome outcome;
           outcome.result = reader.RunMacRead();
           outcome.reason = LastLogLine();
           return outcome;
         }},
    };
  }

  platform::testing::TempFolder mTemp;
  std::filesystem::path mPrevious;
  std::vector<DeviceRecord> mDevices;
};

TEST_F(LoadFileWritesTest, AFullDiskIsAWriteFailureOfTheFileThatDidNotFit) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.name);
    const Outcome whole = writer.run();
    ASSERT_EQ(whole.result, 0) << whole.reason;
    ASSERT_GT(std::filesystem::file_size(writer.loadFile), 2 * kRoomLeft);

    Outcome cut;
    {
      platform::testing::FileSizeLimit limit(kRoomLeft);
      cut = writer.run();
    }
    EXPECT_EQ(cut.result, kWriteIntermediateFilesFailed);
    EXPECT_NE(cut.reason.find(writer.loadFile), std::string::npos) << cut.reason;
    EXPECT_NE(cut.reason.find(kTooLarge), std::string::npos) << cut.reason;
  }
}

TEST(LoadFileOutput, TellsWhyItCouldNotOpenOrWrite) {
  platform::testing::TempFolder temp;
  LoadFileOutput output;
  EXPECT_FALSE(output.Open(temp.File("no/folder/load.txt")));
  EXPECT_FALSE(output.Close());
  EXPECT_EQ(output.FailureText(), "No such file or directory");

  const std::string path = temp.File("load.txt");
  ASSERT_TRUE(output.Open(path));
  EXPECT_EQ(output.FailureText(), "");
  {
    platform::testing::FileSizeLimit limit(kRoomLeft);
    // Records through the buffer, then one piece larger than the buffer past it.
    for (int i = 0; i < 1000; ++i) output.Field(std::string(80, 'r'), '\n');
    const std::string large(LoadFileOutput::kBufferSize * 2, 'x');
    output.Field(large, '\n');
    EXPECT_FALSE(output.Close());
  }
  EXPECT_EQ(output.FailureText(), kTooLarge);
  EXPECT_EQ(std::filesystem::file_size(path), kRoomLeft);
  EXPECT_EQ(LoadFileWriteFailure(path, output),
            "Failed to write the intermediate files. " + path + ": File too large.");
  // A new file starts with no failure.
  ASSERT_TRUE(output.Open(temp.File("next.txt")));
  output.Append("a;b\n");
  EXPECT_TRUE(output.Close());
  EXPECT_EQ(output.FailureText(), "");
}

}  // namespace
}  // namespace quellbrook
