#include "platform/parallel_tasks.hpp"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {

int WorkerThreadCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cores, 1u, 8u));
}

void RunTasks(int count, int threads,
              const std::function<void(int task, bool onCallingThread)>& task) {
  std::atomic<int> next{0};
  const auto work = [&](bool onCallingThread) {
    for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) task(i, onCallingThread);
  };
  std::vector<std::thread> helpers;
  const int extra = std::max(0, std::min(threads, count) - 1);
  helpers.reserve(static_cast<std::size_t>(extra));
  for (int t = 0; t < extra; ++t) {
    try {
      helpers.emplace_back(work, false);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones there are share the tasks
    }
  }
  work(true);
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace platform
