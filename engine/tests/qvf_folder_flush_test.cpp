// The open and the normalisation flush each array's QVF file to the disk before it takes
// its place, and the data folder once after the last file, on one thread and on several;
// the flushes run behind the threads that wrote the files but are all done when the job
// returns. A data
// folder that cannot be flushed, or a file that cannot be flushed or put in place, fails
// the job with a red line naming it, and the file keeps its old bytes. What killed writers
// left in the data folder goes with each job.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/jobs/normalize_arrays.hpp"
#include "engine/jobs/qvf_folder_flush.hpp"
#include "engine/tests/group_job_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/path.hpp"
#include "platform/replacement_names.hpp"
#include "platform/system_error.hpp"
#include "platform/tests/stale_replacements.hpp"
#include "platform/write_fault.hpp"

namespace {

using platform::WriteStep;

struct RecordedStep {
  WriteStep step;
  std::string path;
  std::thread::id thread;
};

// The steps of every thread's writes in the order they ran; a folder named in gFailFolder
// cannot be flushed, the file named in gFailFile fails at gFailStep.
std::mutex gStepsMutex;
std::vector<RecordedStep> gSteps;
std::string gFailFolder;
std::string gFailFile;
WriteStep gFailStep = WriteStep::kSync;

int RecordStep(WriteStep step, const std::string& path) {
  const std::lock_guard lock(gStepsMutex);
  gSteps.push_back({step, path, std::this_thread::get_id()});
  if (step == gFailStep && path == gFailFile) return EIO;
  return step == WriteStep::kFolderSync && path == gFailFolder ? EIO : 0;
}

std::vector<std::uint8_t> Bytes(const std::string& path) {
  const auto bytes = platform::ReadWholeFile(path);
  return bytes ? std::vector<std::uint8_t>(bytes->begin(), bytes->end())
               : std::vector<std::uint8_t>{};
}

bool IsQvf(const std::string& path) {
  return path.size() > 4 && path.compare(path.size() - 4, 4, ".qvf") == 0;
}

class QvfFolderFlushTest : public GroupJobTest {
 protected:
  QvfFolderFlushTest() {
    synth::ArrayGroupOptions options;
    options.arrays = 5;
    options.seed = 3;
    MakeGroup(120, 300, options);
    WriteAllScans();
  }
  ~QvfFolderFlushTest() override {
    platform::SetWriteFault(nullptr);
    platform::LimitWorkerThreads(0);
    gFailFolder.clear();
    gFailFile.clear();
  }

  static void StartRecording() {
    gSteps.clear();
    platform::SetWriteFault(&RecordStep);
  }

  // Every QVF file was flushed before its rename, and the folder of the files was flushed
  // exactly once, after the last rename.
  static void ExpectOneFolderFlushAfterTheFiles(std::size_t files) {
    platform::SetWriteFault(nullptr);
    std::vector<std::string> synced;
    std::size_t renamed = 0;
    std::size_t lastRename = 0;
    std::string folder;
    for (std::size_t i = 0; i < gSteps.size(); ++i) {
      const RecordedStep& step = gSteps[i];
      if (!IsQvf(step.path)) continue;
      if (step.step == WriteStep::kSync) synced.push_back(step.path);
      if (step.step != WriteStep::kRename) continue;
      EXPECT_NE(std::find(synced.begin(), synced.end(), step.path), synced.end()) << step.path;
      folder = platform::FolderOf(step.path);
      lastRename = i;
      ++renamed;
    }
    EXPECT_EQ(renamed, files);
    std::vector<std::size_t> flushes;
    for (std::size_t i = 0; i < gSteps.size(); ++i)
      if (gSteps[i].step == WriteStep::kFolderSync && gSteps[i].path == folder)
        flushes.push_back(i);
    ASSERT_EQ(flushes.size(), 1u) << folder;
    EXPECT_GT(flushes[0], lastRename);
    // Every file in place as the job returned, and nothing left beside them.
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      EXPECT_FALSE(platform::ParseReplacementName(entry.path().filename().string()))
          << entry.path();
      if (!IsQvf(entry.path().string())) continue;
      EXPECT_EQ(entry.file_size(), QvfFileSize(Layout.dimension, Layout.unitCount));
      ++entries;
    }
    EXPECT_EQ(entries, files);
  }

  // Whether every QVF file was flushed behind: on a thread other than the one that wrote
  // its bytes, which went on with its next array meanwhile.
  static bool FlushedBehind() {
    bool behind = true;
    for (std::size_t i = 0; i < gSteps.size(); ++i) {
      const RecordedStep& sync = gSteps[i];
      if (sync.step != WriteStep::kSync || !IsQvf(sync.path)) continue;
      const auto write =
          std::find_if(std::make_reverse_iterator(gSteps.begin() + static_cast<std::ptrdiff_t>(i)),
                       gSteps.rend(), [&](const RecordedStep& step) {
                         return step.step == WriteStep::kWrite && step.path == sync.path;
                       });
      behind = behind && write != gSteps.rend() && write->thread != sync.thread &&
               sync.thread != std::this_thread::get_id();
    }
    return behind;
  }

  // The job fails with the red line of the file that failed at step, which keeps the bytes
  // it had before the job; the other files are in place and nothing is left beside them.
  template <typename Job>
  void ExpectAFailedFileFailsTheJob(WriteStep step, const std::string& qvf, Job job) {
    const std::vector<std::uint8_t> before = Bytes(qvf);
    mLog.Clear();
    gFailFile = qvf;
    gFailStep = step;
    StartRecording();
    EXPECT_FALSE(job());
    platform::SetWriteFault(nullptr);
    gFailFile.clear();
    EXPECT_TRUE(mLog.ContainsRed(
        platform::WithSystemReason(MessageBuffer(kQvfWriteFailedMessage, qvf.c_str()), EIO)));
    EXPECT_EQ(Bytes(qvf), before);
    for (const auto& entry : std::filesystem::directory_iterator(DataFolder()))
      EXPECT_FALSE(platform::ParseReplacementName(entry.path().filename().string()))
          << entry.path();
  }
};

}  // namespace

TEST_F(QvfFolderFlushTest, EachJobFlushesTheDataFolderOnceAfterItsFiles) {
  for (const int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    platform::LimitWorkerThreads(threads);
    StartRecording();
    ASSERT_TRUE(Open(OpenGroupOptions{.ignoreExistingQvf = true}));
    EXPECT_TRUE(FlushedBehind());
    ExpectOneFolderFlushAfterTheFiles(5);
    // As the Open Group command marks a group read from its data files.
    TheGroup().HasProbeData = true;
    StartRecording();
    ASSERT_TRUE(NormalizeArrays(true));
    EXPECT_TRUE(FlushedBehind());
    // The baseline's file too, its plane 2 a copy of its raw plane.
    ExpectOneFolderFlushAfterTheFiles(5);
  }
}

TEST_F(QvfFolderFlushTest, WhatEndedWritersLeftInTheDataFolderGoesWithEachJob) {
  const pid_t ended = platform::testing::EndedProcess();
  int planted = 0;
  const auto plant = [&] {
    const std::string path = platform::JoinPath(
        DataFolder(), platform::testing::LeftNewFileName("scan1.qvf", ended, planted++));
    EXPECT_TRUE(platform::WriteWholeFile(path, std::vector<std::uint8_t>{1}));
    return path;
  };
  for (const int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    platform::LimitWorkerThreads(threads);
    const std::string beforeOpen = plant();
    ASSERT_TRUE(Open(OpenGroupOptions{.ignoreExistingQvf = true}));
    EXPECT_FALSE(std::filesystem::exists(beforeOpen));
    TheGroup().HasProbeData = true;
    const std::string beforeNormalisation = plant();
    ASSERT_TRUE(NormalizeArrays(true));
    EXPECT_FALSE(std::filesystem::exists(beforeNormalisation));
  }
}

TEST_F(QvfFolderFlushTest, AFileThatCannotBeFlushedOrPutInPlaceFailsTheJobAndKeepsItsOldBytes) {
  for (const int threads : {1, 3}) {
    for (const WriteStep step : {WriteStep::kSync, WriteStep::kRename}) {
      SCOPED_TRACE(testing::Message() << threads << " threads, step " << static_cast<int>(step));
      platform::LimitWorkerThreads(threads);
      ASSERT_TRUE(Open(OpenGroupOptions{.ignoreExistingQvf = true}));
      const std::string qvf = QvfPathFor(TheGroup().Array(2).dataFile);
      // The open's files are written anew, so the one that fails is made other first.
      std::vector<std::uint8_t> other = Bytes(qvf);
      other.back() ^= 1;
      ASSERT_TRUE(platform::WriteWholeFile(qvf, other));
      ExpectAFailedFileFailsTheJob(
          step, qvf, [this] { return Open(OpenGroupOptions{.ignoreExistingQvf = true}); });
      ASSERT_TRUE(Open(OpenGroupOptions{.ignoreExistingQvf = true}));
      TheGroup().HasProbeData = true;
      ExpectAFailedFileFailsTheJob(step, qvf, [] { return NormalizeArrays(true); });
    }
  }
}

TEST_F(QvfFolderFlushTest, AFolderThatCannotBeFlushedFailsTheJob) {
  for (const int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    platform::LimitWorkerThreads(threads);
    mLog.Clear();
    gFailFolder = DataFolder();
    StartRecording();
    EXPECT_FALSE(Open(OpenGroupOptions{.ignoreExistingQvf = true}));
    platform::SetWriteFault(nullptr);
    EXPECT_TRUE(mLog.ContainsRed(platform::WithSystemReason(
        MessageBuffer(kQvfFolderFlushFailedMessage, DataFolder().c_str()), EIO)));
    gFailFolder.clear();
  }
}
