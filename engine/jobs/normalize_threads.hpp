// The normalisation job's arrays on several threads: helper threads read arrays from
// their QVF files and normalise them ahead, each into an array object of its own with its
// own curve, while the calling thread takes them in order and does everything one thread
// would do between arrays.
#pragma once

class CHIP_DATA;
class Group;
class InvariantBaseline;

// Whether the arrays can be normalised on several threads: more than one worker thread
// and array, and no plot review of each array.
bool NormalizeOnThreads(const Group& group);

// Normalises every array against the baseline as NormalizeProbeArray would one after
// another, with the same log lines in the same order, and leaves the working array
// holding the last one. An array whose QVF file a helper cannot read is read and
// normalised by the calling thread itself. A stop is noticed between arrays; arrays a
// helper finished beyond that point keep their written QVF files. False on a failure or
// a stop.
// prepared, when given, is read by every thread.
[[nodiscard]] bool NormalizeArraysOnThreads(Group& group, const CHIP_DATA& baseline,
                                            const InvariantBaseline* prepared, bool force);
