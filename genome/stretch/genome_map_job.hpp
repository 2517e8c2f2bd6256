// The work of Analysis/Genome below the window: the genome information file read into
// genome_info, the gene list read, and its gene stretches assessed.
#pragma once

struct GroupSettings;

// False only when the genome information file could not be read. Without a gene list
// (none chosen, unreadable or empty) the list is emptied and no stretch is assessed; a
// failing assessment is logged and keeps the stretches found so far.
bool MapGenesToGenome(const GroupSettings& settings);
