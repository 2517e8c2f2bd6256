// The curve file: one value per marker along the genome (a linkage score), written from
// the summary of the current data type and read back for the method "Linkage analysis".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CHROMOSOME;

inline constexpr const char* kCurveFileHeader =
    "SNP\tChromsome\tPosition (Mb)\tGenetic Distance (cM)\tLOD score\n";
inline constexpr std::size_t kCurveLineLength = 1000;
inline constexpr int kCurvePumpStep = 500;

// The group's curve file: nothing (true) when it is unset; read, it becomes the data
// type shown with its limits and regions; otherwise the current type is written.
bool CurveFile(CHROMOSOME& chro, bool read);
// Reads the file's values by unit name into the summary of the "SNP/Presence call" type,
// the type that shows them; an empty or unreadable value is missing, an unknown unit is
// passed over. False, in red, when the file cannot be opened.
bool ReadCurveFile(CHROMOSOME& chro, const std::string& path);
// Writes the current data type's summary, marker by marker in genome order, replacing the
// file only when complete. False, in red, when it cannot be written.
bool WriteCurveFile(const CHROMOSOME& chro, const std::string& path);

// Fuzz entry: the curve reader on the bytes (through a scratch file), into chromosome
// data of the loaded layout's units.
bool FuzzReadCurveFile(const std::uint8_t* data, std::size_t size);
