// platform::CommitBehind: durable replacements committed under it are flushed and renamed
// on another thread, each flushed before its rename; a reader or a new writer of a file
// still on its way waits for it; Wait gives the first failure with its file, whose old
// bytes stay; the folders are left to the committing thread's batch; threads that share
// one CommitBehind hand their files to its several flushers; its flushers outlive it and
// serve the next one.
#include "platform/commit_behind.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/file_replacement.hpp"
#include "platform/folder_sync_batch.hpp"
#include "platform/tests/folder_entries.hpp"
#include "platform/tests/temp_folder.hpp"
#include "platform/text_bytes.hpp"
#include "platform/write_fault.hpp"

namespace platform {
namespace {

using platform::testing::FolderEntries;
using platform::testing::TempFolder;

struct Step {
  WriteStep step;
  std::string path;
  std::thread::id thread;
  pid_t task;  // the system's number of the thread, never one of a thread that ended
};

std::mutex gMutex;
std::vector<Step> gSteps;
// A file whose flush is slow, and a step that fails for one file.
std::string gSlowPath;
std::string gFailPath;
WriteStep gFailStep = WriteStep::kSync;

int Record(WriteStep step, const std::string& path) {
  {
    const std::lock_guard lock(gMutex);
    gSteps.push_back({step, path, std::this_thread::get_id(), gettid()});
  }
  if (step == WriteStep::kSync && path == gSlowPath)
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  return step == gFailStep && path == gFailPath ? EIO : 0;
}

std::string Text(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("(none)");
}

bool Write(const std::string& path, const std::string& text) {
  return WriteWholeFile(path, TextBytes(text));
}

class CommitBehindTest : public ::testing::Test {
 protected:
  CommitBehindTest() {
    gSteps.clear();
    SetWriteFault(&Record);
  }
  ~CommitBehindTest() override {
    SetWriteFault(nullptr);
    gSlowPath.clear();
    gFailPath.clear();
  }

  TempFolder mFolder;
};

TEST_F(CommitBehindTest, FilesAreFlushedBehindAndReadOnceInPlace) {
  const std::string slow = mFolder.Write("slow.bin", "old");
  gSlowPath = slow;
  FolderSyncBatch batch;
  const DeferFolderSyncs defer(&batch);
  {
    CommitBehind behind;
    EXPECT_EQ(ThreadCommitBehind(), &behind);
    ASSERT_TRUE(Write(slow, "new"));
    // The flush still sleeps; the reader waits for the rename instead of seeing "old".
    EXPECT_EQ(Text(slow), "new");
    // Two commits of one file land in the order they were made.
    const std::string twice = mFolder.File("twice.bin");
    ASSERT_TRUE(Write(twice, "first"));
    ASSERT_TRUE(Write(twice, "second"));
    for (int f = 0; f < 9; ++f)
      ASSERT_TRUE(Write(mFolder.File("f" + std::to_string(f)), std::to_string(f)));
    EXPECT_EQ(behind.Wait(), 0);
    EXPECT_EQ(Text(twice), "second");
    for (int f = 0; f < 9; ++f)
      EXPECT_EQ(Text(mFolder.File("f" + std::to_string(f))), std::to_string(f));
  }
  EXPECT_EQ(ThreadCommitBehind(), nullptr);
  // Nothing left beside the files; every flush ran on the flusher, before its rename.
  EXPECT_EQ(FolderEntries(mFolder.Path()).size(), 11u);
  std::vector<std::string> flushed;
  int folderFlushes = 0;
  for (const Step& step : gSteps) {
    if (step.step == WriteStep::kSync) {
      EXPECT_NE(step.thread, std::this_thread::get_id()) << step.path;
      flushed.push_back(step.path);
    }
    if (step.step == WriteStep::kRename) {
      EXPECT_FALSE(flushed.empty() || flushed.back() != step.path) << step.path;
    }
    folderFlushes += step.step == WriteStep::kFolderSync ? 1 : 0;
  }
  EXPECT_EQ(flushed.size(), 12u);
  // The folder is the batch's, flushed once when it is.
  EXPECT_EQ(folderFlushes, 0);
  EXPECT_EQ(batch.Flush(), 0);
  gSteps.erase(gSteps.begin(), gSteps.end() - 1);
  EXPECT_EQ(gSteps.back().step, WriteStep::kFolderSync);
}

TEST_F(CommitBehindTest, AFileThatCannotBeFlushedOrPlacedIsToldAtWaitAndKeepsItsOldBytes) {
  for (const WriteStep step : {WriteStep::kSync, WriteStep::kRename}) {
    SCOPED_TRACE(static_cast<int>(step));
    const std::string bad = mFolder.Write("bad.bin", "old");
    const std::string good = mFolder.File("good.bin");
    gFailPath = bad;
    gFailStep = step;
    CommitBehind behind;
    ASSERT_TRUE(Write(bad, "new"));
    ASSERT_TRUE(Write(good, "good"));
    std::string path;
    EXPECT_EQ(behind.Wait(&path), EIO);
    EXPECT_EQ(path, bad);
    EXPECT_EQ(Text(bad), "old");
    EXPECT_EQ(Text(good), "good");
    EXPECT_EQ(FolderEntries(mFolder.Path()), (std::vector<std::string>{"bad.bin", "good.bin"}));
    // Told once; what follows is judged on its own.
    EXPECT_EQ(behind.Wait(&path), 0);
    EXPECT_TRUE(path.empty());
  }
}

TEST_F(CommitBehindTest, ScratchFilesAndThreadsWithoutItCommitAtOnce) {
  CommitBehind behind;
  const std::string scratch = mFolder.File("scratch.bin");
  FileReplacement file;
  ASSERT_TRUE(file.Open(scratch, Durability::kScratch));
  ASSERT_TRUE(file.Write(TextBytes("s")));
  ASSERT_TRUE(file.Commit());
  std::thread other([&] {
    EXPECT_EQ(ThreadCommitBehind(), nullptr);
    gFailPath = mFolder.File("other.bin");
    EXPECT_FALSE(Write(gFailPath, "x"));
  });
  other.join();
  // The scratch file was never flushed, and renamed here before Commit returned.
  for (const Step& step : gSteps) {
    if (step.path != scratch) continue;
    EXPECT_NE(step.step, WriteStep::kSync);
    EXPECT_EQ(step.thread, std::this_thread::get_id());
  }
  EXPECT_EQ(Text(scratch), "s");
  EXPECT_EQ(FolderEntries(mFolder.Path()), std::vector<std::string>{"scratch.bin"});
  EXPECT_EQ(behind.Wait(), 0);
}

TEST_F(CommitBehindTest, ThreadsThatShareItFlushBehindOnSeveralFlushersAndAreToldAtWait) {
  FolderSyncBatch batch;
  constexpr int kWriters = 4;
  constexpr int kFilesEach = 6;
  const auto name = [](int writer, int file) {
    return "w" + std::to_string(writer) + "f" + std::to_string(file);
  };
  gFailPath = mFolder.File(name(2, 3));
  gFailStep = WriteStep::kRename;
  // While one flusher sleeps on this file's flush, the others take what comes meanwhile.
  gSlowPath = mFolder.File(name(0, 0));
  {
    CommitBehind behind(3);
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
      writers.emplace_back([&, w] {
        const DeferFolderSyncs defer(&batch);
        const ShareCommitBehind share(&behind);
        EXPECT_EQ(ThreadCommitBehind(), &behind);
        for (int f = 0; f < kFilesEach; ++f)
          EXPECT_TRUE(Write(mFolder.File(name(w, f)), name(w, f)));
      });
    }
    for (std::thread& writer : writers) writer.join();
    std::string path;
    EXPECT_EQ(behind.Wait(&path), EIO);
    EXPECT_EQ(path, gFailPath);
  }
  for (int w = 0; w < kWriters; ++w)
    for (int f = 0; f < kFilesEach; ++f)
      EXPECT_EQ(Text(mFolder.File(name(w, f))), w == 2 && f == 3 ? "(none)" : name(w, f));
  // Each file flushed off the thread that wrote it, before its rename; the flushes spread
  // over more than one flusher, and the folder is left to the batch.
  std::vector<std::thread::id> flushers;
  for (std::size_t i = 0; i < gSteps.size(); ++i) {
    const Step& step = gSteps[i];
    EXPECT_NE(step.step, WriteStep::kFolderSync);
    if (step.step != WriteStep::kSync) continue;
    for (std::size_t j = 0; j < i; ++j) {
      if (gSteps[j].step == WriteStep::kWrite && gSteps[j].path == step.path) {
        EXPECT_NE(gSteps[j].thread, step.thread) << step.path;
      }
    }
    if (std::find(flushers.begin(), flushers.end(), step.thread) == flushers.end())
      flushers.push_back(step.thread);
    const auto rename = std::find_if(gSteps.begin(), gSteps.end(), [&](const Step& other) {
      return other.step == WriteStep::kRename && other.path == step.path;
    });
    EXPECT_TRUE(rename != gSteps.end() && rename - gSteps.begin() > static_cast<std::ptrdiff_t>(i))
        << step.path;
  }
  EXPECT_GT(flushers.size(), 1u);
  EXPECT_LE(flushers.size(), 3u);
  EXPECT_EQ(batch.Flush(), 0);
}

// The threads of this process, by their system numbers.
std::set<pid_t> ProcessThreads() {
  std::set<pid_t> tasks;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
    tasks.insert(static_cast<pid_t>(std::stoi(entry.path().filename().string())));
  return tasks;
}

// Flushers that ended with each CommitBehind would hand their memory arenas to the next
// job's threads, which then fault in fresh pages: they are kept, and the next CommitBehind
// flushes on kept threads without starting any.
TEST_F(CommitBehindTest, ItsFlushersOutliveItAndServeTheNextOne) {
  FolderSyncBatch batch;
  const DeferFolderSyncs defer(&batch);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    gSteps.clear();
    // A slow first file keeps one flusher busy while the other takes the rest.
    gSlowPath = mFolder.File("r" + std::to_string(round) + "f0");
    const std::set<pid_t> before = ProcessThreads();
    {
      CommitBehind behind(2);
      for (int f = 0; f < 6; ++f) {
        const std::string name = "r" + std::to_string(round) + "f" + std::to_string(f);
        ASSERT_TRUE(Write(mFolder.File(name), name));
      }
      EXPECT_EQ(behind.Wait(), 0);
    }
    std::set<pid_t> flushers;
    for (const Step& step : gSteps)
      if (step.step == WriteStep::kSync) flushers.insert(step.task);
    EXPECT_EQ(flushers.size(), 2u);
    EXPECT_EQ(flushers.count(gettid()), 0u);
    const std::set<pid_t> after = ProcessThreads();
    for (const pid_t flusher : flushers) EXPECT_EQ(after.count(flusher), 1u) << flusher;
    // The second flushes on threads that were there before it: kept by the first (or by
    // an earlier test of this process, which keeps its own), none started for it.
    if (round == 1) {
      for (const pid_t flusher : flushers) EXPECT_EQ(before.count(flusher), 1u) << flusher;
      EXPECT_EQ(after, before);
    }
  }
  EXPECT_EQ(batch.Flush(), 0);
}

}  // namespace
}  // namespace platform
