// Byte entries for the readers that take only a path or a text and have no fuzz entry
// beside them.
#pragma once

#include <cstddef>
#include <cstdint>

bool FuzzParseRegistry(const std::uint8_t* data, std::size_t size);
bool FuzzReadCompareResultFile(const std::uint8_t* data, std::size_t size);
// Needs the loaded layout: the calls are read per unit of the array.
bool FuzzReadRefGenotypeFile(const std::uint8_t* data, std::size_t size);
// The probe group reader with its layout cache sent where no file can be made: a file
// that reads whole still walks the 2560 x 2560 grid for the probe positions, but writes
// no cache of it (the cache writer is reached through the chip description targets).
// The layout is cleared again before the entry returns.
bool FuzzReadPgfWithoutCache(const std::uint8_t* data, std::size_t size);
// The gene ontology reader on one ontology file.
bool FuzzReadOntologyFile(const std::uint8_t* data, std::size_t size);
// The annotation import of an annotation CSV file: the gene information file with its two
// term frequency tables, then the genome information file, written beside the scratch
// file and removed with it. A chip type that names a folder is refused before anything is
// written, so that no input writes outside the scratch folder.
bool FuzzImportAnnotationCsv(const std::uint8_t* data, std::size_t size);
// The common probe-set pair file from an ortholog CSV file, under the same guard.
bool FuzzImportOrthologCsv(const std::uint8_t* data, std::size_t size);
// The sample classification result file as LDA_FILE of the loaded group. The array list
// it names is not read (the array list reader has its own target, and the name could be
// any file of this machine).
bool FuzzReadLdaResultFile(const std::uint8_t* data, std::size_t size);
// Needs the genome state: the MERLIN result read into the curve of the first
// chromosome's markers.
bool FuzzReadMerlinResult(const std::uint8_t* data, std::size_t size);
// Needs the genome state: the bytes are the held intensities of the group's arrays (two
// bytes a cell, little-endian, array after array; cells past the input are 0), laid into
// every SNP's mini-blocks and fitted. True when some SNP was placed.
bool FuzzSnpBlockData(const std::uint8_t* data, std::size_t size);
