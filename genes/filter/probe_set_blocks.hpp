// A pass of a gene filter over every probe set, split into blocks that the worker threads
// take in turn; each block writes only the results of its own probe sets, so that the
// caller writes them out afterwards in probe-set order whatever the threads did.
#pragma once

#include <functional>

// Probe sets a block holds; the progress line moves on by as many.
inline constexpr int kProbeSetBlock = 300;

// work(first, end) for the probe sets first .. end - 1 of 0 .. count - 1, on
// platform::WorkerThreadCount() threads; after each block the calling thread works,
// progress(done) there with the probe sets done so far by all threads.
void RunProbeSetBlocks(int count, const std::function<void(int first, int end)>& work,
                       const std::function<void(int done)>& progress);
