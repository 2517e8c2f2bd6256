#include "platform/parallel_tasks.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
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
    // A task that threw on any thread makes the whole job throw, on the calling thread.
    if (std::exception_ptr failure = std::exchange(mFailure, nullptr))
      std::rethrow_exception(failure);
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
    for (int i = mNext.fetch_add(1); i < mCount; i = mNext.fetch_add(1)) {
      try {
        (*mTask)(i, onCallingThread);
      } catch (...) {
        // An exception must not end a pool thread (and the process with it): the first is
        // kept for the caller and no further task is handed out.
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mFailure) mFailure = std::current_exception();
        mNext.store(mCount);
      }
    }
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
  std::exception_ptr mFailure;  // the first exception a task of the running job threw
};

// Whether this thread is one of the pool's; a job started from inside a job runs there
// alone.
thread_local bool tInsideJob = false;

// Marks this thread as inside a job for a scope and puts back what it was, also when a
// task throws.
class InsideJob {
 public:
  InsideJob() : mOuter(tInsideJob) { tInsideJob = true; }
  ~InsideJob() { tInsideJob = mOuter; }
  InsideJob(const InsideJob&) = delete;
  InsideJob& operator=(const InsideJob&) = delete;

 private:
  bool mOuter;
};

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
    bool ran = false;
    {
      const InsideJob inside;
      const auto marked = [&task](int i, bool onCallingThread) {
        const InsideJob insideTask;
        task(i, onCallingThread);
      };
      ran = WorkerPool::Get().Run(count, helpers, marked);
    }
    if (ran) return;
  }
  for (int i = 0; i < count; ++i) task(i, true);
}

}  // namespace platform
