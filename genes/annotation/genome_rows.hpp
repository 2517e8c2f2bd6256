// The genome information rows of one probe set: one row "probe set, chromosome, start,
// end, strand" per genome alignment of the annotation file, under the header the genome
// information reader knows (its Cytoband column stays without values).
#pragma once

#include <ostream>
#include <string>
#include <string_view>

inline constexpr const char* kGenomeInfoHeader =
    "Probe Set\tchromosome\tStart\tEnd\tStrand\tCytoband\n";
inline constexpr const char* kGenomeAlignmentErrorMessage =
    "  Error in parsing probe set %s: '%s' in OutputGenomeInfo()";

// Writes a row for each alignment of the multi-valued text, like
// "chr1:1000-2000 (+) // 99 // p36" or "chr1:1000-2000 (+)". An alignment without the
// separators of its parts is logged in red and gives false (rows of the alignments
// before it are written). scratch is a buffer the caller keeps in use.
bool OutputGenomeInfo(std::string_view probeSet, std::string_view alignments, std::string& scratch,
                      std::ostream& out);
