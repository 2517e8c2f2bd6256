// The "group" command of zelko-synth: a group of scanned arrays whose brightness follows
// known curves, with the text files of calls that sit beside each array.
#pragma once

namespace synth {

// Runs "zelko-synth group [options]" (argv[1] is "group"); returns the exit status.
int RunGroupCommand(int argc, char** argv);

}  // namespace synth
