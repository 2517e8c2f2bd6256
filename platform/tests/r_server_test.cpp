// The R child's pictures of its graphics devices, taken while R draws: one per device
// whose drawing changed, a device's number kept for its life, and every picture a whole
// PNG file of the device's drawing so far. A long statement is interrupted as Ctrl+C would
// at R's console, and R goes on with its workspace.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/r_server.hpp"

namespace {

// The PNG signature and the picture's width and height from its header.
bool ReadPngSize(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
  std::ifstream file(path, std::ios::binary);
  unsigned char head[24] = {};
  if (!file.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (!std::equal(kSignature, kSignature + 8, head)) return false;
  width = (head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19];
  height = (head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23];
  return true;
}

TEST(RServerTest, PicturesFollowEachDeviceAsItDraws) {
  platform::RServer r;
  std::string error;
  ASSERT_TRUE(r.Start(error)) << error;
  std::vector<platform::RPicture> pictures;
  // Each step: the statement, then the windows whose pictures should change.
  struct Step {
    const char* statement;
    std::vector<int> changed;
  };
  const std::vector<Step> steps = {
      {"x <- 1:10", {}},
      {"windows()", {}},  // nothing drawn yet
      {"plot(x, x^2)", {1}},
      {"y <- 2", {}},
      {"points(3, 50, col = 2)", {1}},
      {"windows(); plot(1:3)", {2}},
      {"dev.set(dev.prev()); abline(0, 1)", {1}},
      {"dev.off(dev.cur())", {}},  // a closed device shows nothing more
      {"lines(1:3, 3:1)", {2}},
  };
  std::vector<std::string> seen;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.statement);
    ASSERT_TRUE(r.Execute(step.statement, error)) << error;
    ASSERT_TRUE(r.TakePictures(pictures, error)) << error;
    std::vector<int> windows;
    for (const platform::RPicture& picture : pictures) {
      windows.push_back(picture.window);
      std::uint32_t width = 0;
      std::uint32_t height = 0;
      ASSERT_TRUE(ReadPngSize(picture.file, width, height)) << picture.file;
      EXPECT_EQ(width, 640u);
      EXPECT_EQ(height, 480u);
      EXPECT_EQ(std::find(seen.begin(), seen.end(), picture.file), seen.end()) << "a new file";
      seen.push_back(picture.file);
      std::filesystem::remove(picture.file);
    }
    EXPECT_EQ(windows, step.changed);
  }
  // The devices' own image files are still given when they close.
  std::vector<std::string> files;
  ASSERT_TRUE(r.TakeImages(files, error)) << error;
  EXPECT_EQ(files.size(), 2u);
  ASSERT_TRUE(r.TakePictures(pictures, error)) << error;
  EXPECT_TRUE(pictures.empty());
  r.Stop();
}

// A Sys.sleep loop of ten seconds, stopped by the wait hook after a moment, each time
// with R and its workspace intact: the loop's counter shows how far it came. A request
// made from inside the hook is refused, and statements after the stop run untouched.
TEST(RServerTest, TheWaitHookInterruptsALongStatementAndRGoesOn) {
  platform::RServer r;
  std::string error;
  ASSERT_TRUE(r.Start(error)) << error;
  using Clock = std::chrono::steady_clock;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const auto start = Clock::now();
    std::string nested;
    r.SetWaitHook([&] {
      if (nested.empty() && !r.Execute("z <- 1", nested)) nested = "refused: " + nested;
      return Clock::now() - start > std::chrono::milliseconds(600);
    });
    EXPECT_FALSE(r.Execute("i <- 0; for (i in 1:200) Sys.sleep(0.05)", error));
    EXPECT_EQ(error, platform::kRInterruptedError);
    r.SetWaitHook({});
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(8)) << "stopped well before its end";
    EXPECT_EQ(nested, std::string("refused: ") + platform::kRBusyError);
    std::vector<double> counter;
    ASSERT_TRUE(r.Fetch("i", 1, 1, counter, error)) << error;
    EXPECT_GE(counter[0], 1.0);
    EXPECT_LT(counter[0], 200.0);
    ASSERT_TRUE(r.Execute("x <- 0; for (k in 1:20000) x <- x + 1", error)) << error;
    ASSERT_TRUE(r.Fetch("x", 1, 1, counter, error)) << error;
    EXPECT_EQ(counter[0], 20000.0) << "the next statement runs whole";
  }
  r.Stop();
}

}  // namespace
