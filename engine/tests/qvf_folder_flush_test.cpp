// The open and the normalisation flush each array's QVF file to the disk before it takes
// its place, and the data folder once after the last file, on one thread and on several;
// a data folder that cannot be flushed fails the job with a red line naming it.
#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include "engine/jobs/normalize_arrays.hpp"
#include "engine/jobs/qvf_folder_flush.hpp"
#include "engine/tests/group_job_test_support.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/replacement_names.hpp"
#include "platform/system_error.hpp"
#include "platform/write_fault.hpp"

namespace {

using platform::WriteStep;

struct RecordedStep {
  WriteStep step;
  std::string path;
};

// The steps of every thread's writes in the order they ran; a folder named in failFolder
// cannot be flushed.
std::mutex gStepsMutex;
std::vector<RecordedStep> gSteps;
std::string gFailFolder;

int RecordStep(WriteStep step, const std::string& path) {
  const std::lock_guard lock(gStepsMutex);
  gSteps.push_back({step, path});
  return step == WriteStep::kFolderSync && path == gFailFolder ? EIO : 0;
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
  }
};

}  // namespace

TEST_F(QvfFolderFlushTest, EachJobFlushesTheDataFolderOnceAfterItsFiles) {
  for (const int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    platform::LimitWorkerThreads(threads);
    StartRecording();
    ASSERT_TRUE(Open(OpenGroupOptions{.ignoreExistingQvf = true}));
    ExpectOneFolderFlushAfterTheFiles(5);
    // As the Open Group command marks a group read from its data files.
    TheGroup().HasProbeData = true;
    StartRecording();
    ASSERT_TRUE(NormalizeArrays(true));
    // The baseline's file too, its plane 2 a copy of its raw plane.
    ExpectOneFolderFlushAfterTheFiles(5);
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
