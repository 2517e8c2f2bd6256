// Process-wide state for the installer's fuzz targets: a scratch working folder, so that
// a load file written into the current folder lands nowhere else, and in it a small
// library whose files the readers consult beside the one under test.
#pragma once

#include <string>

struct InstallerFixture {
  std::string work;         // the current folder of the reads (InWorkFolder)
  std::string source;       // the library: TWLib.ini, Devices.ini, Algorithm.ini, HPMap.INI
  std::string analysisIni;  // the analysis definition
  std::string scannerIni;   // the scanner's definition: [Chip] and its own section
  std::string cif;          // a CIF that satisfies both definitions
  std::string scanner;      // the scanner's section name
  std::string type;         // the array type of the CIF
};

// Writes the fixture on the first call (its folder goes when the process exits); the
// same fixture on every call.
const InstallerFixture& FuzzInstallerStart();

// The fixture's folder is the current folder while one lives. Only for the read itself:
// libFuzzer opens the corpus and writes its findings by the paths it was given, which may
// be relative to the folder it started in.
class InWorkFolder {
 public:
  InWorkFolder();
  ~InWorkFolder();
  InWorkFolder(const InWorkFolder&) = delete;
  InWorkFolder& operator=(const InWorkFolder&) = delete;

 private:
  std::string mBack;  // the folder to go back to
};

// The fixture's own texts, which also seed the targets of the definition and CIF readers.
std::string FixtureAnalysisText();
std::string FixtureScannerText();
std::string FixtureCifText();
