// The probe tab file: a table of probe positions beside the chip description that
// overrides the position numbers of the layout's cells.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The probe tab file names tried for a chip description, in order: the file name with
// its first '_' turned into '-', then (when it had a '_') unchanged, each with everything
// from its first '.' replaced by "_probe_tab". Only the file name is changed, never the
// folders above it.
std::string ProbeTabPath(const std::string& cdfPath, bool keepUnderscore);

// Reads the probe tab file of cdfPath into the cell values. False, without a message,
// when there is no such file; a line naming a cell outside the chip is skipped with a
// red line.
[[nodiscard]] bool ReadProbeTabFile(const std::string& cdfPath);

// Runs ReadProbeTabFile on the bytes as the probe tab file of a chip description in a
// scratch folder (on the layout already loaded).
bool FuzzReadProbeTabFile(const std::uint8_t* data, std::size_t size);
