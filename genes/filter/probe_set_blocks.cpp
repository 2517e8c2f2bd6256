#include "genes/filter/probe_set_blocks.hpp"

#include <algorithm>

#include "platform/parallel_tasks.hpp"

namespace {

// Blocks handed out a round, per thread: enough to even out the threads, few enough
// for the progress line to move.
constexpr int kBlocksPerThread = 4;

}  // namespace

void RunProbeSetBlocks(int count, const std::function<void(int first, int end)>& work,
                       const std::function<void(int done)>& progress) {
  const int threads = std::max(platform::WorkerThreadCount(), 1);
  const int blocks = (std::max(count, 0) + kProbeSetBlock - 1) / kProbeSetBlock;
  const int round = threads * kBlocksPerThread;
  for (int firstBlock = 0; firstBlock < blocks; firstBlock += round) {
    const int inRound = std::min(round, blocks - firstBlock);
    platform::RunTasks(inRound, threads, [&](int task, bool) {
      const int first = (firstBlock + task) * kProbeSetBlock;
      work(first, std::min(first + kProbeSetBlock, count));
    });
    progress(std::min((firstBlock + inRound) * kProbeSetBlock, count));
  }
}
