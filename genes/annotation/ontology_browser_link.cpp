// The gene-ontology browsing tool's INI file and start.
#include "genes/annotation/ontology_browser_link.hpp"

#include <cstdio>
#include <span>

#include "engine/base/text_helpers.hpp"
#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/process.hpp"
#include "platform/text_bytes.hpp"

namespace {

// The tool's display settings; it takes them from the INI file on every start.
constexpr int kGeneNoThreshold = 5;
constexpr int kBranchWidth = 1;
constexpr int kNodeRadius = 3;
constexpr int kColorSet = 1;
constexpr int kHighlightType = 1;
constexpr double kPValue = 0.05;

void AppendFormatted(std::string& text, const char* format, auto... values) {
  char buffer[64];
  const int length = std::snprintf(buffer, sizeof buffer, format, values...);
  if (length > 0) text.append(buffer, static_cast<std::size_t>(length));
}

std::string SetPathOrEmpty(const std::string& path) {
  return IsNone(path) ? std::string() : path;
}

}  // namespace

const char* OntologyClassCode(int ontologyClass) {
  switch (ontologyClass) {
    case 1:
      return "MF";
    case 2:
      return "CC";
    default:
      return "BP";
  }
}

std::string OntoroamProgramPath(const std::string& folder) {
  return platform::JoinPath(folder, kOntoroamProgram);
}

std::string OntoroamIniText(const OntoroamRun& run, const std::tm& localTime) {
  std::string text;
  AppendFormatted(text, "This file was written at: %d:%d %d/%d/%d\n", localTime.tm_hour,
                  localTime.tm_min, localTime.tm_mon + 1, localTime.tm_mday,
                  localTime.tm_year + 1900);
  text += "strInFile1 =" + SetPathOrEmpty(run.geneList1) + "\n";
  text += "strInFile2 =" + SetPathOrEmpty(run.geneList2) + "\n";
  text +=
      "strInFile3 =\n"
      "m_strGeneIdType =Vosk\n"
      "strChipType =\n"
      "bAllChip =false\n"
      "m_boolHighlightBranch =true\n"
      "m_boolShowTerm =true\n"
      "m_bShowGoId =false\n"
      "m_boolQuickDisplay =false\n"
      "m_bHideNodes =false\n";
  AppendFormatted(text, "m_nGeneNoThreshold =%d\n", kGeneNoThreshold);
  AppendFormatted(text, "nBranchWidth =%d\n", kBranchWidth);
  AppendFormatted(text, "nNodeRadius =%d\n", kNodeRadius);
  AppendFormatted(text, "nColorSet =%d\n", kColorSet);
  AppendFormatted(text, "m_nHighlightType =%d\n", kHighlightType);
  AppendFormatted(text, "dPValue =%f\n", kPValue);
  text += run.folder + "\n";
  text += platform::JoinPath(run.folder, kOntoroamPathFile) + "\n";
  text += run.infoFile + "\n";
  text += "Directly draw tree =true\n";
  text += std::string("GO category =") + OntologyClassCode(run.ontologyClass) + "\n";
  return text;
}

bool WriteOntoroamIni(const OntoroamRun& run, int& error) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::string text = OntoroamIniText(run, local);
  return platform::WriteWholeFile(platform::JoinPath(run.folder, kOntoroamIniName),
                                  platform::TextBytes(text), &error);
}

bool StartOntoroam(const std::string& folder, int& error) {
  platform::SpawnRequest request;
  request.arguments = {OntoroamProgramPath(folder)};
  request.workingFolder = folder;
  platform::SpawnFailure failure;
  if (platform::StartDetached(request, failure)) return true;
  error = failure.error;
  return false;
}
