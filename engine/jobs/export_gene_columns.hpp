// The gene information columns that expression exports write beside each probe set. The
// gene information lives in a layer above the engine; while it is loaded it installs a
// source here, and without one the exports write no gene columns.
#pragma once

#include <functional>
#include <string_view>

struct ExportGeneColumns {
  std::string_view gene;
  std::string_view accession;
  std::string_view locusLink;
  std::string_view description;
};

// The columns of one probe set; the views stay valid until the gene information changes.
// An export calls it from several threads at once.
using ExportGeneSource = std::function<ExportGeneColumns(int unit)>;

// An empty function removes the source. Returns the previous one.
ExportGeneSource SetExportGeneSource(ExportGeneSource source);
// The installed source; empty when no gene information is loaded.
const ExportGeneSource& ExportGeneInfo();
