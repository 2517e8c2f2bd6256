// The chromosome data export ("Export SNP data"): per marker, chromosome by chromosome,
// its place and the current data type's value for every sample (or sample group),
// tab-delimited. Written while the inferred copy number is shown it is the inferred copy
// number file, which the copy-number method "Read from file" reads back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CHROMOSOME;

inline constexpr const char* kExportDataTypeWords = "Data type: ";
inline constexpr const char* kExportInferredWord = "Inferred ";
inline constexpr const char* kInferredCopyFileMark = "Data type: Inferred Copy number";
inline constexpr const char* kExportHeader =
    "Marker\tdbSNP\tChromosome\tPosition (Mb)\tGenetic (cM)\tScore\t";
// Columns before the first sample's.
inline constexpr int kExportLeadingColumns = 6;
// The second column of a sample's parent-specific copy number ends in this.
inline constexpr const char* kSecondParentSuffix = "(M)";
inline constexpr int kExportPumpStep = 50;
// The inferred copy number reader takes lines of at least this length, and as long as
// the export writes them for the samples.
inline constexpr std::size_t kInferredCopyLineLength = 20000;
// Room in a marker line for what precedes the samples' values (unit name, dbSNP text,
// chromosome, position, genetic position, score and their tabs), and for one value of a
// sample with its tab.
inline constexpr std::size_t kExportPlaceRoom = 256;
inline constexpr std::size_t kExportValueRoom = 32;
inline constexpr int kInferredCopyPumpStep = 100;

inline constexpr const char* kExportOpenFailedMessage =
    "  Error: Write file '%s' failed; is it open?";
inline constexpr const char* kInferredCopyOpenFailedMessage =
    "  Reading file '%s' failed; is it open in Excel?";
inline constexpr const char* kReadingInferredCopyMessage =
    "  Reading inferred copy number file '%s'...";
inline constexpr const char* kNotInferredCopyFileMessage = "    Not a inferred copy number file";
inline constexpr const char* kInferredCopyColumnMessage =
    "    Column '%s' does not match sample name '%s', data file columns should match array "
    "list file";
inline constexpr const char* kInferredCopySnpMessage = "    SNP '%s' is not the expected SNP '%s'";
inline constexpr const char* kInferredCopyValueMessage = "    Expect data at SNP '%s', sample '%s'";
inline constexpr const char* kInferredCopyLongLineMessage =
    "    Line %lld is longer than the %zu characters the export writes for these samples";
inline constexpr const char* kInferredCopyFallbackMessage =
    "    Inferred copy number file not read; copy number by median smoothing instead";
inline constexpr const char* kInferredCopyNoTableMessage =
    "    No inferred copy number table to read into";

// Writes the current data type of the gathered data into path, replacing it only when
// complete; false, with the open failure in red, when it cannot be written.
bool ExportData(const CHROMOSOME& chro, const std::string& path);

// The longest line the export writes with one column per sample for the first `samples`
// samples of the grouping (two each with parentPairs), at least kInferredCopyLineLength.
std::size_t SampleColumnsLineBound(int samples, bool parentPairs);

// Reads an inferred copy number file into chro.inferred: its columns must name the
// samples of the sample grouping in order (with parent-specific copy number two each, the
// second named with "(M)", whose copy numbers become the cell's two copy states) and
// its lines the markers of genome_info in genome order. An empty value (or "NA") reads as
// missing; any other text must be a number.
// False, with the fault in red, on the first line that does not fit (one longer than the
// export writes included); cells read before it keep their values.
bool ReadInferredCopyFile(CHROMOSOME& chro, const std::string& path);

// Fuzz entry: the inferred copy number reader on the bytes (through a scratch file), into
// chromosome data of the loaded layout and the sample grouping.
bool FuzzReadInferredCopyFile(const std::uint8_t* data, std::size_t size);
