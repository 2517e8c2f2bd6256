#include "genes/info/gene_info_install.hpp"

#include "engine/jobs/information_readers.hpp"
#include "genes/info/gene_info.hpp"

void InstallGeneInfoReader() {
  SetGeneInfoReader(
      [](const std::string& path, bool rebuild) { return ReadGeneInfoFile(path, rebuild); });
}
