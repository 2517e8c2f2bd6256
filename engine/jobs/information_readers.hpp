// Readers of the gene and SNP information files that opening a group runs. They belong
// to layers above the engine, which install them at start-up; a reader not installed
// reads nothing.
#pragma once

#include <functional>
#include <string>

// Reads the gene information file (rebuilding everything); false on failure.
using GeneInfoReader = std::function<bool(const std::string& path, bool rebuild)>;
// Reads the SNP information file; false on failure.
using SnpInfoReader = std::function<bool(const std::string& path)>;

// An empty function removes the reader. Each returns the previous one.
GeneInfoReader SetGeneInfoReader(GeneInfoReader reader);
SnpInfoReader SetSnpInfoReader(SnpInfoReader reader);

// Run the installed reader; false when none is installed.
bool ReadInstalledGeneInfo(const std::string& path, bool rebuild);
bool ReadInstalledSnpInfo(const std::string& path);
