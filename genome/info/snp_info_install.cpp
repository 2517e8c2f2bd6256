#include "genome/info/snp_info_install.hpp"

#include "engine/jobs/information_readers.hpp"
#include "genome/info/snp_info.hpp"

void InstallSnpInfoReader() {
  SetSnpInfoReader([](const std::string& path) { return ReadSnpInfoFile(path); });
}
