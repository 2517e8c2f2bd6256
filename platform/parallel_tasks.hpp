// Running independent pieces of one job on several threads: the readers of long files
// split their work into tasks that touch disjoint data, and the calling thread takes
// tasks too, so a machine with one core runs them all in turn on it.
#pragma once

#include <functional>

namespace platform {

// The threads a job may use, the calling one included: the machine's cores, at most 8.
// The one count behind every reader's threads, whether they run through RunTasks or
// keep helpers of their own.
// A limit set with LimitWorkerThreads lowers it.
int WorkerThreadCount();

// Caps WorkerThreadCount at `threads` (at least 1) for the whole process, so that a test or
// benchmark can run every job on one thread and compare; 0 lifts the cap. Set it between
// jobs, not while one runs.
void LimitWorkerThreads(int threads);

// Runs task(i) for every i from 0 to count - 1 on up to threads threads (the calling one
// among them) and returns when all are done. Tasks are handed out in index order. The
// calling thread's tasks are told so, since only that thread may talk to the user. When a
// task throws, no further task starts and the first exception is thrown again here, on the
// calling thread, once the tasks already running have ended.
void RunTasks(int count, int threads,
              const std::function<void(int task, bool onCallingThread)>& task);

}  // namespace platform
