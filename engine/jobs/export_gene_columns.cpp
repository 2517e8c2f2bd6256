#include "engine/jobs/export_gene_columns.hpp"

#include <utility>

namespace {

ExportGeneSource& InstalledSource() {
  static ExportGeneSource source;
  return source;
}

}  // namespace

ExportGeneSource SetExportGeneSource(ExportGeneSource source) {
  return std::exchange(InstalledSource(), std::move(source));
}

const ExportGeneSource& ExportGeneInfo() {
  return InstalledSource();
}
