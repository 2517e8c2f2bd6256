// The hidden wait on a batch file's tools: lines run one after another as child processes
// with their output redirected, the host's messages pumped meanwhile, and a request to quit
// kept until the running tool has ended.
#include "installer/framework/hidden_wait.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "installer/framework/tests/log_lines.hpp"
#include "platform/path.hpp"
#include "platform/tests/temp_folder.hpp"

namespace quellbrook {
namespace {

using testing::ReadWholeFile;

// Runs the test in a folder of its own, where the batch file is written.
class HiddenWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mPreviousFolder = std::filesystem::current_path();
    std::filesystem::current_path(mTemp.Path());
  }
  void TearDown() override { std::filesystem::current_path(mPreviousFolder); }

  std::string Work(std::string_view name) const { return mTemp.File(name); }
  void WriteText(const std::string& path, std::string_view text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  platform::testing::TempFolder mTemp;
  std::filesystem::path mPreviousFolder;
};

// Takes a quit request at the first look at the queue.
class QuittingPump final : public ToolWaitPump {
 public:
  bool PumpWaiting() override { return ++pumps == 1 && quit; }
  void RepostQuit() override { ++reposts; }
  bool quit = true;
  int pumps = 0;
  int reposts = 0;
};

class PumpScope {
 public:
  explicit PumpScope(ToolWaitPump* pump) { SetToolWaitPump(pump); }
  ~PumpScope() { SetToolWaitPump(nullptr); }
};

TEST_F(HiddenWaitTest, QuitDuringTheWaitIsHandedBackOnlyAfterTheToolEnds) {
  QuittingPump pump;
  PumpScope scope(&pump);
  WriteText(Work("slow.bat"),
            "/bin/sh -c \"sleep 0.3; echo finished\" >> \"out put.txt\"\n"
            "/bin/sh -c \"echo never\" >> \"out put.txt\"\n");
  EXPECT_EQ(RunHiddenAndWait(Work("slow.bat")), 0);
  EXPECT_EQ(ReadWholeFile(Work("out put.txt")), "finished\n");
  EXPECT_EQ(pump.reposts, 1);

  pump.quit = false;
  pump.pumps = 0;
  EXPECT_EQ(RunCommandBatch("/bin/sh -c \"echo \\$0 one; echo two\" > \"out put.txt\""), 1);
  EXPECT_EQ(ReadWholeFile(Work("out put.txt")), "$0 one\ntwo\n");
  EXPECT_GE(pump.pumps, 1);
  EXPECT_EQ(pump.reposts, 1);
  EXPECT_FALSE(platform::FileExists(Work(kBatchFileName)));

  // The batch still ran to its end, and its file is gone, when a quit came meanwhile.
  pump.quit = true;
  pump.pumps = 0;
  EXPECT_EQ(RunCommandBatch("/bin/sh -c \"sleep 0.2; echo late\" >> \"out put.txt\""), 1);
  EXPECT_EQ(ReadWholeFile(Work("out put.txt")), "$0 one\ntwo\nlate\n");
  EXPECT_EQ(pump.reposts, 2);
  EXPECT_FALSE(platform::FileExists(Work(kBatchFileName)));

  EXPECT_EQ(RunHiddenAndWait(Work("missing.bat")), 0);
  // A batch file that can't be written runs nothing.
  std::filesystem::create_directories(Work(kBatchFileName) + "/keep");
  EXPECT_EQ(RunCommandBatch("/bin/sh -c \"echo x\" >> \"out put.txt\""), 0);
  EXPECT_EQ(ReadWholeFile(Work("out put.txt")), "$0 one\ntwo\nlate\n");
}

}  // namespace
}  // namespace quellbrook
