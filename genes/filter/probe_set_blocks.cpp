#include "genes/filter/probe_set_blocks.hpp"

#include <algorithm>
#include <atomic>

#include "platform/parallel_tasks.hpp"

void RunProbeSetBlocks(int count, const std::function<void(int first, int end)>& work,
                       const std::function<void(int done)>& progress) {
  const int threads = std::max(platform::WorkerThreadCount(), 1);
  const int blocks = (std::max(count, 0) + kProbeSetBlock - 1) / kProbeSetBlock;
  std::atomic<int> done{0};
  // One hand-out of all blocks: no thread waits for a round's slowest block.
  platform::RunTasks(blocks, threads, [&](int block, bool onCallingThread) {
    const int first = block * kProbeSetBlock;
    const int end = std::min(first + kProbeSetBlock, count);
    work(first, end);
    const int total = done.fetch_add(end - first, std::memory_order_relaxed) + (end - first);
    if (onCallingThread) progress(total);
  });
}
