// Stand-in for the outside linkage programs (built as "pedstats" and as "merlin"): checks
// the command line and the input files against their fixed layouts, says what is wrong
// and fails, or prints a summary (pedstats) or a score table in the layout the program
// reads back (merlin). Its score of a marker is the number of affected persons called
// heterozygous plus a thousandth per person called, so a test can tell that every column
// arrived where it belongs.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifndef STANDIN_MERLIN
#define STANDIN_MERLIN 0
#endif

namespace {

[[noreturn]] void Fail(const std::string& why) {
  std::cout << "FAULT: " << why << std::endl;
  std::exit(1);
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  if (!in) Fail("cannot open " + path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (!line.empty() && line.back() == separator) fields.emplace_back();
  return fields;
}

bool IsInteger(const std::string& text) {
  if (text.empty()) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

struct Person {
  std::vector<int> ids;  // family, person, father, mother, sex, affection
  std::vector<std::string> genotypes;
};

std::vector<std::string> ReadDat(const std::string& path) {
  const std::vector<std::string> lines = Lines(path);
  if (lines.empty() || lines[0] != "A disease") Fail("dat file does not start with 'A disease'");
  std::vector<std::string> markers;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.size() < 3 || l.compare(0, 2, "M ") != 0) Fail("dat line " + std::to_string(i + 1));
    const std::string name = l.substr(2);
    if (name.find_first_of(" \t\r") != std::string::npos) Fail("marker name '" + name + "'");
    markers.push_back(name);
  }
  return markers;
}

std::vector<Person> ReadPed(const std::string& path, std::size_t markers) {
  static const std::set<std::string> kGenotypes = {"1/1", "2/2", "1/2", "0/0"};
  std::vector<Person> persons;
  std::set<int> ids;
  for (const std::string& line : Lines(path)) {
    const std::vector<std::string> f = Split(line, '\t');
    // Six columns, a genotype per marker, each ended by a tab.
    if (f.size() != 6 + markers + 1 || !f.back().empty())
      Fail("ped line of " + std::to_string(f.size()) + " fields for " + std::to_string(markers) +
           " markers");
    Person p;
    for (int k = 0; k < 6; ++k) {
      if (!IsInteger(f[static_cast<std::size_t>(k)])) Fail("ped field '" + f[k] + "'");
      p.ids.push_back(std::atoi(f[static_cast<std::size_t>(k)].c_str()));
    }
    if (p.ids[4] < 0 || p.ids[4] > 2 || p.ids[5] < 0 || p.ids[5] > 2) Fail("sex or affection");
    for (std::size_t m = 0; m < markers; ++m) {
      if (!kGenotypes.count(f[6 + m])) Fail("genotype '" + f[6 + m] + "'");
      p.genotypes.push_back(f[6 + m]);
    }
    if (!ids.insert(p.ids[1]).second) Fail("person listed twice");
    persons.push_back(p);
  }
  for (const Person& p : persons)
    for (int parent : {p.ids[2], p.ids[3]})
      if (parent != 0 && !ids.count(parent)) Fail("parent " + std::to_string(parent) + " missing");
  if (persons.empty()) Fail("empty ped file");
  return persons;
}

void CheckMap(const std::string& path, const std::vector<std::string>& markers) {
  const std::vector<std::string> lines = Lines(path);
  if (lines.empty() || lines[0] != "CHROMOSOME   MARKER          LOCATION") Fail("map header");
  if (lines.size() != markers.size() + 1) Fail("map holds another number of markers");
  for (std::size_t m = 0; m < markers.size(); ++m) {
    const std::vector<std::string> f = Split(lines[m + 1], '\t');
    char* end = nullptr;
    if (f.size() != 3 || !IsInteger(f[0]) || std::atoi(f[0].c_str()) < 1 || f[1] != markers[m])
      Fail("map line " + std::to_string(m + 2));
    std::strtod(f[2].c_str(), &end);
    if (f[2].empty() || *end != '\0') Fail("map position '" + f[2] + "'");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool merlin = STANDIN_MERLIN != 0;
  const std::size_t expected = merlin ? 9 : 4;
  if (args.size() != expected || args[0] != "-d" || args[2] != "-p" ||
      (merlin && (args[4] != "-m" || args[6] != "--markerNames" || args[7] != "--npl" ||
                  args[8] != "--quiet")))
    Fail("command line");
  const std::vector<std::string> markers = ReadDat(args[1]);
  const std::vector<Person> persons = ReadPed(args[3], markers.size());
  char folder[4096] = {};
  if (getcwd(folder, sizeof folder) == nullptr) Fail("no working folder");
  if (!merlin) {
    std::cout << "pedstats stand-in: " << persons.size() << " persons, " << markers.size()
              << " markers\nworking folder: " << folder << "\n";
    return 0;
  }
  CheckMap(args[5], markers);
  std::cout << "merlin stand-in\nworking folder: " << folder << "\n";
  std::cout << "Phenotype: disease [ALL], " << persons.size() << " persons\n";
  std::cout << "==================================================\n";
  std::cout << "       POSITION  Zmean  pvalue   delta    LOD  pvalue\n";
  std::cout << "--------------------------------------------------\n\n";
  for (std::size_t m = 0; m < markers.size(); ++m) {
    int hetAffected = 0, called = 0;
    for (const Person& p : persons) {
      called += p.genotypes[m] != "0/0";
      hetAffected += p.ids[5] == 2 && p.genotypes[m] == "1/2";
    }
    if (called == 0) {
      std::cout << markers[m] << " na na na na na\n";
      continue;
    }
    std::printf("%s %.3f 0.5 0.0 0.0 0.5\n", markers[m].c_str(), hetAffected + 0.001 * called);
    std::fflush(stdout);
  }
  return 0;
}
