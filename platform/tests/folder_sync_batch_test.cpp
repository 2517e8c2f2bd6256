// platform::FolderSyncBatch: replacements committed under a batch, on any thread, are
// flushed and in place at once, and their folders are flushed once each when the batch
// is, the first failure told with its folder; without a batch each commit flushes its
// folder as before. What ended writers left in a folder is cleared by the batch's first
// replacement there and not looked for again until the next batch.
#include "platform/folder_sync_batch.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/file_replacement.hpp"
#include "platform/tests/folder_entries.hpp"
#include "platform/tests/stale_replacements.hpp"
#include "platform/tests/temp_folder.hpp"
#include "platform/write_fault.hpp"

namespace platform {
namespace {

using platform::testing::EndedProcess;
using platform::testing::FolderEntries;
using platform::testing::LeftNewFileName;
using platform::testing::TempFolder;

std::mutex gMutex;
std::vector<std::pair<WriteStep, std::string>> gSteps;
std::string gFailFolder;

int Record(WriteStep step, const std::string& path) {
  const std::lock_guard lock(gMutex);
  gSteps.emplace_back(step, path);
  return step == WriteStep::kFolderSync && path == gFailFolder ? EIO : 0;
}

int FolderFlushes(const std::string& folder) {
  int count = 0;
  for (const auto& [step, path] : gSteps)
    count += step == WriteStep::kFolderSync && path == folder ? 1 : 0;
  return count;
}

class FolderSyncBatchTest : public ::testing::Test {
 protected:
  FolderSyncBatchTest() {
    gSteps.clear();
    gFailFolder.clear();
    SetWriteFault(&Record);
  }
  ~FolderSyncBatchTest() override { SetWriteFault(nullptr); }

  TempFolder mFirst;
  TempFolder mSecond;
};

TEST_F(FolderSyncBatchTest, FoldersAreFlushedOnceWhenTheBatchIs) {
  FolderSyncBatch batch;
  const std::vector<std::uint8_t> bytes{1, 2, 3};
  std::vector<std::string> paths;
  for (int f = 0; f < 6; ++f)
    paths.push_back((f % 2 == 0 ? mFirst : mSecond).File("file" + std::to_string(f)));
  // Four files from threads of their own under the batch, two from this thread.
  std::vector<std::thread> threads;
  for (int f = 0; f < 4; ++f)
    threads.emplace_back([&, f] {
      const DeferFolderSyncs defer(&batch);
      EXPECT_TRUE(WriteWholeFile(paths[static_cast<std::size_t>(f)], bytes));
    });
  for (std::thread& thread : threads) thread.join();
  {
    const DeferFolderSyncs defer(&batch);
    EXPECT_EQ(ThreadFolderSyncBatch(), &batch);
    for (int f = 4; f < 6; ++f)
      EXPECT_TRUE(WriteWholeFile(paths[static_cast<std::size_t>(f)], bytes));
  }
  EXPECT_EQ(ThreadFolderSyncBatch(), nullptr);
  // Every file is in place, flushed before its rename, and no folder flushed yet.
  for (const std::string& path : paths) {
    EXPECT_EQ(ReadWholeFile(path).value_or(ByteBuffer{}), ByteBuffer(bytes));
    std::size_t synced = gSteps.size();
    std::size_t renamed = gSteps.size();
    for (std::size_t i = 0; i < gSteps.size(); ++i) {
      if (gSteps[i].second != path) continue;
      if (gSteps[i].first == WriteStep::kSync) synced = i;
      if (gSteps[i].first == WriteStep::kRename) renamed = i;
    }
    EXPECT_LT(synced, renamed) << path;
    EXPECT_LT(renamed, gSteps.size()) << path;
  }
  EXPECT_EQ(FolderFlushes(mFirst.Path().string()), 0);
  EXPECT_EQ(FolderFlushes(mSecond.Path().string()), 0);
  EXPECT_EQ(batch.Flush(), 0);
  EXPECT_EQ(FolderFlushes(mFirst.Path().string()), 1);
  EXPECT_EQ(FolderFlushes(mSecond.Path().string()), 1);
  // Flushed folders are not flushed again; without a batch each commit flushes its own.
  EXPECT_EQ(batch.Flush(), 0);
  EXPECT_TRUE(WriteWholeFile(paths[0], bytes));
  EXPECT_EQ(FolderFlushes(mFirst.Path().string()), 2);
}

TEST_F(FolderSyncBatchTest, TheFirstFolderThatCannotBeFlushedIsTold) {
  gFailFolder = mSecond.Path().string();
  std::string failed;
  {
    FolderSyncBatch batch;
    const DeferFolderSyncs defer(&batch);
    EXPECT_TRUE(WriteWholeFile(mFirst.File("a"), std::vector<std::uint8_t>{1}));
    EXPECT_TRUE(WriteWholeFile(mSecond.File("b"), std::vector<std::uint8_t>{2}));
    EXPECT_EQ(batch.Flush(&failed), EIO);
    EXPECT_EQ(failed, mSecond.Path().string());
    EXPECT_EQ(FolderFlushes(mFirst.Path().string()), 1);
    // A batch left with folders flushes them as it ends.
    EXPECT_TRUE(WriteWholeFile(mFirst.File("c"), std::vector<std::uint8_t>{3}));
  }
  EXPECT_EQ(FolderFlushes(mFirst.Path().string()), 2);
}

TEST_F(FolderSyncBatchTest, AFolderIsClearedOfWhatEndedWritersLeftOnceForTheBatch) {
  const pid_t ended = EndedProcess();
  const std::vector<std::uint8_t> bytes{4};
  const auto plant = [&](TempFolder& folder, int number) {
    const std::string name = LeftNewFileName("file", ended, number);
    EXPECT_TRUE(WriteWholeFile(folder.File(name), bytes));
    return name;
  };
  plant(mFirst, 0);
  plant(mSecond, 0);
  FolderSyncBatch batch;
  // Helpers and this thread write into both folders under the one batch.
  std::vector<std::thread> threads;
  for (int f = 0; f < 3; ++f)
    threads.emplace_back([&, f] {
      const DeferFolderSyncs defer(&batch);
      EXPECT_TRUE(WriteWholeFile(mFirst.File("file" + std::to_string(f)), bytes));
    });
  for (std::thread& thread : threads) thread.join();
  {
    const DeferFolderSyncs defer(&batch);
    EXPECT_TRUE(WriteWholeFile(mSecond.File("file"), bytes));
  }
  EXPECT_EQ(FolderEntries(mFirst.Path()), (std::vector<std::string>{"file0", "file1", "file2"}));
  EXPECT_EQ(FolderEntries(mSecond.Path()), (std::vector<std::string>{"file"}));
  // Left after the batch cleared the folder, a file stays through the batch's later writes,
  // and goes with the first write outside a batch.
  const std::string late = plant(mFirst, 1);
  {
    const DeferFolderSyncs defer(&batch);
    EXPECT_TRUE(WriteWholeFile(mFirst.File("file0"), bytes));
  }
  EXPECT_EQ(FolderEntries(mFirst.Path()),
            (std::vector<std::string>{late, "file0", "file1", "file2"}));
  EXPECT_TRUE(WriteWholeFile(mFirst.File("file1"), bytes));
  EXPECT_EQ(FolderEntries(mFirst.Path()), (std::vector<std::string>{"file0", "file1", "file2"}));
  // A folder cleared once for the job by name is not listed by the first file either.
  plant(mSecond, 2);
  FolderSyncBatch next;
  const DeferFolderSyncs defer(&next);
  RemoveStaleReplacementsForThread(mSecond.Path().string());
  EXPECT_EQ(FolderEntries(mSecond.Path()), (std::vector<std::string>{"file"}));
  plant(mSecond, 3);
  EXPECT_TRUE(WriteWholeFile(mSecond.File("file"), bytes));
  EXPECT_EQ(FolderEntries(mSecond.Path()).size(), 2u);
}

}  // namespace
}  // namespace platform
