// Numbered jobs run on helper threads a few ahead of the calling thread, which takes
// their results strictly in order. A job no helper has started when its result is
// wanted runs on the calling thread, so without helpers (or with helpers that get no
// processor) all jobs run there in turn. Results live in a ring of slots that the calling
// thread hands back when it is done with one, so no result is overwritten while in use.
// The readers of large files use it to scan pieces side by side while only the calling
// thread writes shared state and talks to the user.
//
// A Job provides
//   using Result = ...;   // one per slot, reused from job to job
//   using Context = ...;  // one per thread
//   Context MakeContext() const;
//   void Run(std::size_t number, Result& result, Context& context) const;
// where neither MakeContext nor Run may throw.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/parallel_tasks.hpp"

template <typename Job>
class OrderedJobs {
 public:
  using Result = typename Job::Result;
  using Context = typename Job::Context;

  // Jobs 0 to count - 1, with up to `helpers` threads besides the calling one, which run at
  // most `slots` jobs ahead of the last one handed back (0: two per helper). Results that
  // are small may take a slot per job, so that a calling thread that is slow to come back
  // for them (waiting for a processor) never holds the helpers up.
  OrderedJobs(const Job& job, std::size_t count, int helpers, std::size_t slots = 0)
      : mJob(job),
        mCount(count),
        mSlots(slots > 0 ? slots : static_cast<std::size_t>(2 * std::max(helpers, 1))),
        mContext(job.MakeContext()) {
    for (int i = 0; i < helpers; ++i) {
      try {
        mHelpers.emplace_back([this] { Help(); });
      } catch (const std::exception&) {
        break;  // fewer helpers, or none: the calling thread runs what is left
      }
    }
  }
  ~OrderedJobs() {
    {
      const std::lock_guard<std::mutex> lock(mMutex);
      mCancelled = true;
    }
    mSlotFree.notify_all();
    for (std::thread& helper : mHelpers) helper.join();
  }
  OrderedJobs(const OrderedJobs&) = delete;
  OrderedJobs& operator=(const OrderedJobs&) = delete;

  // The result of job `number`; jobs are taken in order, each after the one before was
  // handed back with Done.
  const Result& Take(std::size_t number) {
    Slot& slot = SlotOf(number);
    std::unique_lock<std::mutex> lock(mMutex);
    if (mNextToStart == number) {
      ++mNextToStart;
      slot.number = number;
      slot.ready = false;
      lock.unlock();
      mJob.Run(number, slot.result, mContext);
      lock.lock();
      slot.ready = true;
      return slot.result;
    }
    mCallerWaits = true;
    mResultReady.wait(lock, [&] { return slot.number == number && slot.ready; });
    mCallerWaits = false;
    return slot.result;
  }
  // The result taken last is done with; its slot may take another job.
  void Done(std::size_t number) {
    bool helperWaits = false;
    {
      const std::lock_guard<std::mutex> lock(mMutex);
      mDone = number + 1;
      helperWaits = mHelpersWaiting > 0;
    }
    // One slot came free, for one job: waking more helpers would only send them back to
    // sleep, and a wakeup costs far more than a piece of work on a virtual machine.
    if (helperWaits) mSlotFree.notify_one();
  }

 private:
  // Each on cache lines of its own: helpers write their results all the time.
  struct alignas(128) Slot {
    Result result{};
    std::size_t number = SIZE_MAX;
    bool ready = false;
  };

  Slot& SlotOf(std::size_t number) { return mSlots[number % mSlots.size()]; }

  void Help() {
    Context context = mJob.MakeContext();
    for (;;) {
      std::size_t number = 0;
      {
        std::unique_lock<std::mutex> lock(mMutex);
        // A slot is free once the job that used it last is done with.
        ++mHelpersWaiting;
        mSlotFree.wait(lock, [&] {
          return mCancelled || mNextToStart >= mCount || mNextToStart < mDone + mSlots.size();
        });
        --mHelpersWaiting;
        if (mCancelled || mNextToStart >= mCount) return;
        number = mNextToStart++;
        SlotOf(number).number = number;
        SlotOf(number).ready = false;
      }
      Slot& slot = SlotOf(number);
      mJob.Run(number, slot.result, context);
      bool callerWaits = false;
      {
        const std::lock_guard<std::mutex> lock(mMutex);
        slot.ready = true;
        callerWaits = mCallerWaits;
      }
      if (callerWaits) mResultReady.notify_one();
    }
  }

  const Job& mJob;
  std::size_t mCount;
  std::vector<Slot> mSlots;
  Context mContext;  // the calling thread's
  std::mutex mMutex;
  // Each side is woken only when it waits: the calling thread for a result, helpers for
  // a free slot.
  std::condition_variable mResultReady;
  std::condition_variable mSlotFree;
  bool mCallerWaits = false;
  int mHelpersWaiting = 0;
  std::size_t mNextToStart = 0;
  std::size_t mDone = 0;
  bool mCancelled = false;
  std::vector<std::thread> mHelpers;
};

// Helper threads for a job list: none for a single job, else the worker threads a job
// may use besides the calling one, at most `most` (the calling thread takes every result
// in turn, so more gain little).
inline int HelperThreadsFor(std::size_t jobs, int most) {
  if (jobs < 2) return 0;
  return std::clamp(platform::WorkerThreadCount() - 1, 0, std::max(most, 0));
}

// Helper threads for a job list whose calling thread only collects each result in a moment
// and otherwise sleeps while the helpers work (the model's fit): one per worker thread, at
// most `most`, so that no core stays idle beside the sleeping caller. None for a single job,
// or when one worker thread is allowed.
inline int CollectedHelperThreadsFor(std::size_t jobs, int most) {
  const int workers = platform::WorkerThreadCount();
  if (jobs < 2 || workers < 2) return 0;
  return std::clamp(workers, 0, std::max(most, 0));
}
