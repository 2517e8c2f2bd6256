// One flusher thread per CommitBehind, started with the first commit it takes. The paths
// of pending commits are kept for the whole process, so that the one opener of files
// (ReadableFile) and FileReplacement::Open can wait for a file still on its way.
#include "platform/commit_behind.hpp"

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

}  // namespace

void WaitForPendingCommit(const std::string& path) {
  if (gPendingCount.load(std::memory_order_acquire) == 0) return;
  std::unique_lock lock(gPendingMutex);
  gPendingChanged.wait(lock, [&] { return gPending.find(path) == gPending.end(); });
}

CommitBehind::CommitBehind() : mPrevious(tBehind) {
  tBehind = this;
}

CommitBehind::~CommitBehind() {
  static_cast<void>(Wait());
  {
    const std::lock_guard lock(mMutex);
    mStopping = true;
  }
  mChanged.notify_all();
  if (mFlusher.joinable()) mFlusher.join();
  tBehind = mPrevious;
}

void CommitBehind::Hand(HandedCommit commit) {
  std::unique_lock lock(mMutex);
  if (!mFlusher.joinable()) {
    try {
      mFlusher = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      // Without a thread of its own the commit finishes here, as it would without us.
      lock.unlock();
      Note(CompleteCommit(commit), commit.path);
      return;
    }
  }
  mChanged.wait(lock, [&] { return mQueue.size() < kMaxPending; });
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

CommitBehind* ThreadCommitBehind() {
  return tBehind;
}

}  // namespace platform
