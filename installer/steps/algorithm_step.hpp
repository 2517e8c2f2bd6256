// Installs the algorithms of "Algorithm.ini" into the laboratory database.
#pragma once

#include <string>

#include "installer/steps/install_step.hpp"

namespace quellbrook {

inline constexpr const char* kAlgorithmSourceFile = "Algorithm.ini";
inline constexpr const char* kAlgorithmLoadFile = "Alg.txt";
// Each value of an algorithm entry is read into a buffer of this size.
inline constexpr int kAlgorithmValueSize = 260;

class AlgorithmStep : public InstallStep {
 public:
  // 0, or 1001, 2001, 3003, 3004, 3011 or 3020.
  int RunAlgorithmStep();
  // Writes "Alg.txt" in the current folder: false when it can't be opened or written
  // whole, when a value holds the load file's separator or when the file could list more
  // than kMaxIniEntries algorithms (refusal then says why). count: records written.
  bool WriteAlgorithmFile(const std::string& iniPath, int& count, std::string* refusal = nullptr);
};

}  // namespace quellbrook
