// The outside gene-ontology browsing tool, which the program starts but does not contain:
// the start-up INI file written into the tool's folder, and the tool started there as a
// program of its own. The tool reads nothing else of ours.
#pragma once

#include <ctime>
#include <string>

inline constexpr const char* kOntoroamProgram = "Kestrum.exe";
inline constexpr const char* kOntoroamIniName = "Ontoroam.ini";
inline constexpr const char* kOntoroamPathFile = "GOpath.txt";

// The Gene Ontology classes the tool draws, in the order of the dialog's radio group.
inline constexpr int kOntologyClassCount = 3;

struct OntoroamRun {
  std::string folder;     // the tool's folder
  std::string infoFile;   // the tool's gene information file
  std::string geneList1;  // gene list 1
  std::string geneList2;  // gene list 2; unset ("None..." or empty) is written empty
  int ontologyClass = 0;  // 0 biological process, 1 molecular function, 2 cellular component
};

// "BP", "MF" or "CC"; a class out of range counts as biological process.
const char* OntologyClassCode(int ontologyClass);

// The tool's program in its folder.
std::string OntoroamProgramPath(const std::string& folder);

// The INI file's text, stamped with the local time given.
std::string OntoroamIniText(const OntoroamRun& run, const std::tm& localTime);

// Writes the INI file into the tool's folder whole or not at all (an old one stays when
// the new one cannot be written). False with the system's error number in error.
bool WriteOntoroamIni(const OntoroamRun& run, int& error);

// Starts the tool from its folder with no arguments, neither waiting for it nor ending it
// later. False with the system's error number in error.
bool StartOntoroam(const std::string& folder, int& error);
