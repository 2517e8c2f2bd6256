// Byte entries for the installer's readers, each reading the bytes as the installation
// would, beside the fixture's library (FuzzInstallerStart), with no database. The INI
// readers that take the file's text read the bytes in memory; the others take only a path
// and get the bytes in a scratch file.
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes as an array type's CIF file, converted for the analysis and the scan
// definitions, checking only.
bool FuzzConvertCif(const std::uint8_t* data, std::size_t size);
// The bytes as the analysis definition, then as the scanner's definition, over the
// fixture's CIF.
bool FuzzConvertCifDefinition(const std::uint8_t* data, std::size_t size);
// The bytes as an assay protocol or template file, its data lines copied into a load file
// beside it.
bool FuzzCopyDataLines(const std::uint8_t* data, std::size_t size);
// The bytes as the library's devices file.
bool FuzzReadDevices(const std::uint8_t* data, std::size_t size);
// The bytes as TWLib.ini: each section's and the fixture type's folder, assay type and
// sequences, and the part numbers.
bool FuzzReadTypeIni(const std::uint8_t* data, std::size_t size);
// The bytes as Controls.INI.
bool FuzzReadControlsIni(const std::uint8_t* data, std::size_t size);
// The bytes as an array type's Registry.ini.
bool FuzzReadRegistryIni(const std::uint8_t* data, std::size_t size);
// The bytes as an array type's CIF, a scanner's section put after its [HP] section in memory;
// traps when the result is not the CIF with one stretch of new text inside.
bool FuzzInsertScannerSection(const std::uint8_t* data, std::size_t size);
