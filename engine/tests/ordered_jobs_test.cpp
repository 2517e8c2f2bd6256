// OrderedJobs: with any number of helpers, every result is taken in order, is the one of
// its job, stays untouched while the calling thread uses it, and each thread keeps to its
// own context; leaving before the last job ends the helpers; a slot per job lets them run
// all ahead; the helpers are counted from the one count of worker threads.
#include "engine/base/ordered_jobs.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

struct Outcome {
  std::size_t number = 0;
  std::vector<std::uint64_t> values;
};

struct OwnerContext {
  std::thread::id owner;
  int jobs = 0;
};

// Fills its result with values only job `number` gives; counts every job it runs.
class CountingJob {
 public:
  using Result = Outcome;
  using Context = OwnerContext;

  explicit CountingJob(std::atomic<int>& runs) : mRuns(runs) {}
  OwnerContext MakeContext() const { return {}; }
  void Run(std::size_t number, Outcome& outcome, OwnerContext& context) const {
    // A context never passes from one thread to another.
    if (context.jobs++ == 0) context.owner = std::this_thread::get_id();
    if (context.owner != std::this_thread::get_id()) mForeignContexts.fetch_add(1);
    outcome.number = number;
    outcome.values.assign(64 + number % 7 * 100, 0);
    for (std::size_t i = 0; i < outcome.values.size(); ++i) outcome.values[i] = number * 1000 + i;
    mRuns.fetch_add(1);
  }
  int ForeignContexts() const { return mForeignContexts.load(); }

 private:
  std::atomic<int>& mRuns;
  mutable std::atomic<int> mForeignContexts{0};
};

bool HoldsJob(const Outcome& outcome, std::size_t number) {
  if (outcome.number != number || outcome.values.size() != 64 + number % 7 * 100) return false;
  for (std::size_t i = 0; i < outcome.values.size(); ++i)
    if (outcome.values[i] != number * 1000 + i) return false;
  return true;
}

}  // namespace

TEST(OrderedJobs, ResultsComeInOrderAndStayWhileInUse) {
  for (const int helpers : {0, 1, 3, 6}) {
    for (const std::size_t count :
         {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{150}}) {
      SCOPED_TRACE(testing::Message() << helpers << " helpers, " << count << " jobs");
      std::atomic<int> runs{0};
      const CountingJob job(runs);
      {
        OrderedJobs<CountingJob> jobs(job, count, helpers);
        for (std::size_t number = 0; number < count; ++number) {
          const Outcome& outcome = jobs.Take(number);
          ASSERT_TRUE(HoldsJob(outcome, number));
          // Helpers run ahead meanwhile; they must not touch a result in use.
          std::this_thread::yield();
          ASSERT_TRUE(HoldsJob(outcome, number));
          jobs.Done(number);
        }
      }
      EXPECT_EQ(runs.load(), static_cast<int>(count));  // each job once
      EXPECT_EQ(job.ForeignContexts(), 0);
    }
  }
}

TEST(OrderedJobs, LeavingEarlyEndsTheHelpers) {
  std::atomic<int> runs{0};
  const CountingJob job(runs);
  {
    OrderedJobs<CountingJob> jobs(job, 10000, 3);
    for (std::size_t number = 0; number < 5; ++number) {
      ASSERT_TRUE(HoldsJob(jobs.Take(number), number));
      jobs.Done(number);
    }
  }
  // The helpers ran at most a ring of slots ahead of the last job handed back.
  EXPECT_GE(runs.load(), 5);
  EXPECT_LE(runs.load(), 5 + 2 * 3);
}

// With a slot per job the helpers run every job while the calling thread has not come back
// for the first, and the results are still each their job's, in order.
TEST(OrderedJobs, ASlotPerJobLetsTheHelpersRunAllAhead) {
  constexpr std::size_t kCount = 40;
  std::atomic<int> runs{0};
  const CountingJob job(runs);
  OrderedJobs<CountingJob> jobs(job, kCount, 3, kCount);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (runs.load() < static_cast<int>(kCount) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(runs.load(), static_cast<int>(kCount));
  for (std::size_t number = 0; number < kCount; ++number) {
    ASSERT_TRUE(HoldsJob(jobs.Take(number), number));
    jobs.Done(number);
  }
  EXPECT_EQ(runs.load(), static_cast<int>(kCount));
}

// The helpers of a job list come out of the same count of worker threads as the
// platform's task runner: never more than it allows besides the calling thread, never
// more than asked for, and none for a single job.
TEST(OrderedJobs, HelpersComeFromTheWorkerThreadCount) {
  const int workers = platform::WorkerThreadCount();
  ASSERT_GE(workers, 1);
  EXPECT_EQ(HelperThreadsFor(0, 3), 0);
  EXPECT_EQ(HelperThreadsFor(1, 3), 0);
  EXPECT_EQ(HelperThreadsFor(100, 0), 0);
  for (const int most : {1, 3, 64}) {
    const int helpers = HelperThreadsFor(100, most);
    EXPECT_EQ(helpers, std::min(workers - 1, most)) << most;
    EXPECT_LT(helpers, workers) << most;
  }
  // A calling thread that only collects leaves its core to one more helper, but a limit of
  // one thread still runs every job on it.
  for (const int limit : {1, 2, 3}) {
    platform::LimitWorkerThreads(limit);
    const int allowed = platform::WorkerThreadCount();
    for (const int most : {1, 3, 64}) {
      EXPECT_EQ(CollectedHelperThreadsFor(100, most), allowed < 2 ? 0 : std::min(allowed, most))
          << limit << " " << most;
      EXPECT_EQ(CollectedHelperThreadsFor(1, most), 0) << limit << " " << most;
    }
  }
  platform::LimitWorkerThreads(0);
}
