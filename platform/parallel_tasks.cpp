#include "platform/parallel_tasks.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {

namespace {

// The machine's cores, at most 8: the pool's size whatever limit is set later.
int MachineThreadCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cores, 1u, 8u));
}

std::atomic<int> gThreadLimit{0};

// Threads that wait for jobs, made on the first job and kept to the end of the process:
// a reader runs several jobs in a row, and making threads anew for each costs more than
// a short job.
class WorkerPool {
 public:
  // Never destroyed: its threads wait to the end of the process, which ends them. A
  // process forked from one that used the pool has none of its threads, and joining them
  // at its exit would fail.
  static WorkerPool& Get() {
    static WorkerPool& pool = *new WorkerPool(MachineThreadCount() - 1);
    return pool;
  }

  ~WorkerPool() {
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mClosing = true;
    }
    mWake.notify_all();
    for (std::thread& worker : mWorkers) worker.join();
  }

  // Runs the job with up to helpers of the pool's threads beside the calling one. False
  // when the pool is busy with another caller's job (the caller then runs it alone).
  bool Run(int count, int helpers,
           const std::function<void(int task, bool onCallingThread)>& task) {
    std::unique_lock<std::mutex> busy(mBusy, std::try_to_lock);
    if (!busy.owns_lock()) return false;
    helpers = std::min(helpers, static_cast<int>(mWorkers.size()));
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mTask = &task;
      mCount = count;
      mNext = 0;
      mHelpers = helpers;
      mActive = helpers;
      ++mGeneration;
    }
    mWake.notify_all();
    Work(true);
    std::unique_lock<std::mutex> lock(mMutex);
    mDone.wait(lock, [this] { return mActive == 0; });
    mTask = nullptr;
    return true;
  }

 private:
  explicit WorkerPool(int workers) {
    for (int w = 0; w < workers; ++w) {
      try {
        mWorkers.emplace_back([this, w] { Wait(w); });
      } catch (const std::system_error&) {
        break;  // no more threads to be had: the ones there are share the jobs
      }
    }
  }

  void Work(bool onCallingThread) {
    for (int i = mNext.fetch_add(1); i < mCount; i = mNext.fetch_add(1))
      (*mTask)(i, onCallingThread);
  }

  void Wait(int index) {
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mMutex);
    for (;;) {
      mWake.wait(lock, [&] { return mClosing || mGeneration != seen; });
      if (mClosing) return;
      seen = mGeneration;
      if (index >= mHelpers) continue;
      lock.unlock();
      Work(false);
      lock.lock();
      if (--mActive == 0) mDone.notify_one();
    }
  }

  std::vector<std::thread> mWorkers;
  std::mutex mBusy;  // held by the caller whose job runs
  std::mutex mMutex;
  std::condition_variable mWake;
  std::condition_variable mDone;
  const std::function<void(int, bool)>* mTask = nullptr;
  int mCount = 0;
  std::atomic<int> mNext{0};
  int mHelpers = 0;
  int mActive = 0;
  std::uint64_t mGeneration = 0;
  bool mClosing = false;
};

// Whether this thread is one of the pool's; a job started from inside a job runs there
// alone.
thread_local bool tInsideJob = false;

}  // namespace

int WorkerThreadCount() {
  const int limit = gThreadLimit.load(std::memory_order_relaxed);
  const int machine = MachineThreadCount();
  return limit > 0 ? std::min(limit, machine) : machine;
}

void LimitWorkerThreads(int threads) {
  gThreadLimit.store(std::max(threads, 0), std::memory_order_relaxed);
}

void RunTasks(int count, int threads,
              const std::function<void(int task, bool onCallingThread)>& task) {
  const int helpers = std::min(threads, count) - 1;
  if (helpers > 0 && !tInsideJob) {
    tInsideJob = true;
    const auto marked = [&task](int i, bool onCallingThread) {
      const bool outer = tInsideJob;
      tInsideJob = true;
      task(i, onCallingThread);
      tInsideJob = outer;
    };
    const bool ran = WorkerPool::Get().Run(count, helpers, marked);
    tInsideJob = false;
    if (ran) return;
  }
  for (int i = 0; i < count; ++i) task(i, true);
}

}  // namespace platform
