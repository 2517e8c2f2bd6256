// The installed gene and SNP information readers.
#include "engine/jobs/information_readers.hpp"

#include <utility>

namespace {

GeneInfoReader& InstalledGeneReader() {
  static GeneInfoReader reader;
  return reader;
}

SnpInfoReader& InstalledSnpReader() {
  static SnpInfoReader reader;
  return reader;
}

}  // namespace

GeneInfoReader SetGeneInfoReader(GeneInfoReader reader) {
  return std::exchange(InstalledGeneReader(), std::move(reader));
}

SnpInfoReader SetSnpInfoReader(SnpInfoReader reader) {
  return std::exchange(InstalledSnpReader(), std::move(reader));
}

bool ReadInstalledGeneInfo(const std::string& path, bool rebuild) {
  const GeneInfoReader& reader = InstalledGeneReader();
  return reader ? reader(path, rebuild) : false;
}

bool ReadInstalledSnpInfo(const std::string& path) {
  const SnpInfoReader& reader = InstalledSnpReader();
  return reader ? reader(path) : false;
}
