// A CommitBehind's flusher threads start with the first commit it takes. The paths
// of pending commits are kept for the whole process, so that the one opener of files
// (ReadableFile) and FileReplacement::Open can wait for a file still on its way.
#include "platform/commit_behind.hpp"

#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <system_error>
#include <utility>

namespace platform {
namespace {

thread_local CommitBehind* tBehind = nullptr;

// The paths whose commits are pending, with how many of each.
std::mutex gPendingMutex;
std::condition_variable gPendingChanged;
std::map<std::string, int> gPending;
std::atomic<int> gPendingCount{0};

void AddPending(const std::string& path) {
  const std::lock_guard lock(gPendingMutex);
  ++gPending[path];
  gPendingCount.fetch_add(1, std::memory_order_release);
}

void RemovePending(const std::string& path) {
  {
    const std::lock_guard lock(gPendingMutex);
    if (auto found = gPending.find(path); found != gPending.end() && --found->second == 0)
      gPending.erase(found);
    gPendingCount.fetch_sub(1, std::memory_order_release);
  }
  gPendingChanged.notify_all();
}

// Asks the disk for a new file's bytes now, without waiting for them: its flush behind then
// waits for what is still on its way rather than starting all of it. A file system that
// cannot start it leaves it to the flush.
void StartWriteback(int descriptor) {
  static_cast<void>(sync_file_range(descriptor, 0, 0, SYNC_FILE_RANGE_WRITE));
}

}  // namespace

void WaitForPendingCommit(const std::string& path) {
  if (gPendingCount.load(std::memory_order_acquire) == 0) return;
  std::unique_lock lock(gPendingMutex);
  gPendingChanged.wait(lock, [&] { return gPending.find(path) == gPending.end(); });
}

CommitBehind::CommitBehind(int flushers)
    : mPrevious(tBehind), mFlusherCount(std::max(flushers, 1)) {
  tBehind = this;
}

CommitBehind::~CommitBehind() {
  static_cast<void>(Wait());
  {
    const std::lock_guard lock(mMutex);
    mStopping = true;
  }
  mChanged.notify_all();
  for (std::thread& flusher : mFlushers) flusher.join();
  tBehind = mPrevious;
}

void CommitBehind::Hand(HandedCommit commit) {
  StartWriteback(commit.descriptor);
  std::unique_lock lock(mMutex);
  if (!mStarted) {
    mStarted = true;
    for (int f = 0; f < mFlusherCount; ++f) {
      try {
        mFlushers.emplace_back([this] { Run(); });
      } catch (const std::system_error&) {
        break;  // fewer flushers, or none
      }
    }
  }
  if (mFlushers.empty()) {
    // Without a thread of its own the commit finishes here, as it would without us.
    lock.unlock();
    Note(CompleteCommit(commit), commit.path);
    return;
  }
  const std::size_t most = kMaxPending * mFlushers.size();
  mChanged.wait(lock, [&] { return mQueue.size() < most; });
  AddPending(commit.path);
  mQueue.push_back(std::move(commit));
  lock.unlock();
  mChanged.notify_all();
}

int CommitBehind::Wait(std::string* path) {
  std::unique_lock lock(mMutex);
  mChanged.wait(lock, [&] { return mQueue.empty() && mRunning == 0; });
  if (path != nullptr) *path = mFailedPath;
  mFailedPath.clear();
  return std::exchange(mError, 0);
}

void CommitBehind::Run() {
  std::unique_lock lock(mMutex);
  for (;;) {
    mChanged.wait(lock, [&] { return mStopping || !mQueue.empty(); });
    if (mQueue.empty()) return;
    HandedCommit commit = std::move(mQueue.front());
    mQueue.pop_front();
    ++mRunning;
    lock.unlock();
    const int error = CompleteCommit(commit);
    RemovePending(commit.path);
    Note(error, commit.path);
    lock.lock();
    --mRunning;
    mChanged.notify_all();
  }
}

void CommitBehind::Note(int error, const std::string& path) {
  if (error == 0) return;
  const std::lock_guard lock(mMutex);
  if (mError != 0) return;
  mError = error;
  mFailedPath = path;
}

ShareCommitBehind::ShareCommitBehind(CommitBehind* behind) : mPrevious(tBehind) {
  tBehind = behind;
}

ShareCommitBehind::~ShareCommitBehind() {
  tBehind = mPrevious;
}

CommitBehind* ThreadCommitBehind() {
  return tBehind;
}

}  // namespace platform
