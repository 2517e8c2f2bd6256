// The model job's fit on several threads: blocks of probe sets fitted ahead by helper
// threads, one model each, while the calling thread takes the blocks in probe-set order
// and does everything one thread would do between probe sets (log lines, counts, pump,
// stop, progress).
#pragma once

#include <cstdint>

class Group;
struct ModelResults;

// Probe sets per block handed to a helper.
inline constexpr int kModelFitBlock = 64;

// Whether the fit can run on several threads: more than one worker thread, the
// intensities held by the group (the probe data cache is read in order), and no probe
// sensitivity index being written.
bool ModelFitOnThreads(const Group& group);

// Fits every probe set into results as a fit in turn with the process's model would,
// with the same log lines in the same order, and leaves that model holding the last
// probe set; probes receives the total of probes fitted. False on a stop or a probe set
// the model cannot take.
[[nodiscard]] bool FitProbeSetsOnThreads(Group& group, ModelResults& results, std::int64_t& probes);
