// A CommitBehind's flusher threads are lent to it with the first commit it takes, from
// threads kept for the whole process. The paths of pending commits are kept for the whole
// process too, so that the one opener of files (ReadableFile) and FileReplacement::Open can
// wait for a file still on its way.
#include "platform/commit_behind.hpp"

#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <system_error>
#include <thread>
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

// Flusher threads kept for the whole process, each lent to one CommitBehind at a time. A
// thread's first allocation or release of memory ties it to one of the allocator's arenas,
// which it hands on as it ends to the next thread that starts. Flushers that came and went
// with each job handed their nearly empty arenas to the next job's helper threads, whose
// megabytes then landed on fresh pages while the arenas holding what the earlier jobs had
// freed lay idle (a reopen of a group's 100 QVF files took some 7000 page faults instead of
// a few hundred). Kept, the flushers hold on to their own arenas, and each job's helpers
// take over those of the helpers before them.
class KeptFlushers {
 public:
  using Work = void (*)(CommitBehind*);

  // Never destroyed, as the worker pool: its threads wait to the end of the process.
  static KeptFlushers& Get() {
    static KeptFlushers& kept = *new KeptFlushers;
    return kept;
  }

  // Runs work(behind) on up to count threads, idle ones first and new ones for the rest;
  // the number of threads that took it. The work calls BackToIdle before its last touch of
  // behind, so that a CommitBehind that follows one that ended takes the same threads.
  int Lend(int count, Work work, CommitBehind* behind) {
    const std::lock_guard lock(mMutex);
    int lent = 0;
    for (; lent < count; ++lent) {
      if (mIdle <= mLoans.size()) {
        try {
          std::thread([this] { Serve(); }).detach();
        } catch (const std::system_error&) {
          break;  // fewer flushers, or none
        }
        ++mIdle;
      }
      mLoans.push_back({work, behind});
    }
    mLent.notify_all();
    return lent;
  }

  void BackToIdle() {
    const std::lock_guard lock(mMutex);
    ++mIdle;
  }

 private:
  struct Loan {
    Work work;
    CommitBehind* behind;
  };

  void Serve() {
    std::unique_lock lock(mMutex);
    for (;;) {
      mLent.wait(lock, [&] { return !mLoans.empty(); });
      const Loan loan = mLoans.front();
      mLoans.pop_front();
      --mIdle;
      lock.unlock();
      loan.work(loan.behind);
      lock.lock();
    }
  }

  std::mutex mMutex;
  std::condition_variable mLent;
  std::deque<Loan> mLoans;
  std::size_t mIdle = 0;  // threads waiting for a loan, or started for one
};

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
  // The flushers go back to the kept ones once they are done with this object.
  std::unique_lock lock(mMutex);
  mChanged.wait(lock, [&] { return mReturned == mFlushers; });
  tBehind = mPrevious;
}

void CommitBehind::Hand(HandedCommit commit) {
  StartWriteback(commit.descriptor);
  std::unique_lock lock(mMutex);
  if (!mStarted) {
    mStarted = true;
    mFlushers = KeptFlushers::Get().Lend(
        mFlusherCount, [](CommitBehind* behind) { behind->Run(); }, this);
  }
  if (mFlushers == 0) {
    // Without a thread of its own the commit finishes here, as it would without us.
    lock.unlock();
    Note(CompleteCommit(commit), commit.path);
    return;
  }
  const std::size_t most = kMaxPending * static_cast<std::size_t>(mFlushers);
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
    if (mQueue.empty()) {
      // The last touch of this object, which may end as soon as the lock is let go.
      KeptFlushers::Get().BackToIdle();
      ++mReturned;
      mChanged.notify_all();
      return;
    }
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
