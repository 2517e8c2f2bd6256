// The "genome" command of zelko-synth: the genome information, refGene and cytoband files
// of a small made-up genome for the units of a chip, and on SNP chips the SNP information
// file and, when asked for, the files of a genome study with their truth.
#pragma once

namespace synth {

// Runs "zelko-synth genome [options]" (argv[1] is "genome"); returns the exit status.
int RunGenomeCommand(int argc, char** argv);

}  // namespace synth
