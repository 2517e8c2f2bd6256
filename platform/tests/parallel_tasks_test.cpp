// Running a job's tasks on several threads: every task exactly once, the calling thread
// among the workers, and one thread running everything in turn.
#include "platform/parallel_tasks.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(ParallelTasks, RunsEveryTaskOnceAndTellsTheCallingThread) {
  for (const int threads : {1, 3, 8}) {
    constexpr int kTasks = 200;
    std::vector<std::atomic<int>> runs(kTasks);
    std::vector<std::thread::id> ranOn(kTasks);
    std::vector<char> onCaller(kTasks, 0);
    platform::RunTasks(kTasks, threads, [&](int task, bool onCallingThread) {
      runs[static_cast<std::size_t>(task)]++;
      ranOn[static_cast<std::size_t>(task)] = std::this_thread::get_id();
      onCaller[static_cast<std::size_t>(task)] = onCallingThread ? 1 : 0;
    });
    for (int task = 0; task < kTasks; ++task) {
      const auto t = static_cast<std::size_t>(task);
      EXPECT_EQ(runs[t].load(), 1) << "task " << task << " on " << threads << " threads";
      EXPECT_EQ(onCaller[t] != 0, ranOn[t] == std::this_thread::get_id());
    }
    if (threads == 1) {
      for (char caller : onCaller) EXPECT_EQ(caller, 1);
    }
  }
}

TEST(ParallelTasks, NoTasksAndFewerTasksThanThreads) {
  int calls = 0;
  platform::RunTasks(0, 8, [&](int, bool) { ++calls; });
  EXPECT_EQ(calls, 0);
  std::atomic<int> done{0};
  platform::RunTasks(2, 8, [&](int, bool) { ++done; });
  EXPECT_EQ(done.load(), 2);
  EXPECT_GE(platform::WorkerThreadCount(), 1);
  EXPECT_LE(platform::WorkerThreadCount(), 8);
}

// A task throwing on a pool thread ends neither the thread nor the process: the job throws
// on the calling thread, and the next job again runs on several threads.
TEST(ParallelTasks, AnExceptionOfATaskOnAnyThreadReachesTheCaller) {
  if (platform::WorkerThreadCount() < 2) GTEST_SKIP() << "one core: no pool threads";
  const auto job = [](bool throwOffCaller, std::atomic<int>& offCaller) {
    platform::RunTasks(200, platform::WorkerThreadCount(), [&](int, bool onCallingThread) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (onCallingThread) return;
      ++offCaller;
      if (throwOffCaller) throw std::runtime_error("no memory for this stretch");
    });
  };
  std::atomic<int> offCaller{0};
  EXPECT_THROW(job(true, offCaller), std::runtime_error);
  EXPECT_GE(offCaller.load(), 1);
  std::atomic<int> again{0};
  job(false, again);
  EXPECT_GE(again.load(), 1);
}

// A limit caps the count every job asks for, and lifting it gives the machine's count back;
// the pool made under a limit still serves the full count afterwards.
TEST(ParallelTasks, LimitCapsTheWorkerCountUntilLifted) {
  const int machine = platform::WorkerThreadCount();
  platform::LimitWorkerThreads(1);
  EXPECT_EQ(platform::WorkerThreadCount(), 1);
  std::atomic<int> offCallingThread{0};
  platform::RunTasks(16, platform::WorkerThreadCount(), [&](int, bool onCallingThread) {
    if (!onCallingThread) ++offCallingThread;
  });
  EXPECT_EQ(offCallingThread.load(), 0);
  platform::LimitWorkerThreads(machine + 5);
  EXPECT_EQ(platform::WorkerThreadCount(), machine);
  platform::LimitWorkerThreads(0);
  EXPECT_EQ(platform::WorkerThreadCount(), machine);
}

}  // namespace
