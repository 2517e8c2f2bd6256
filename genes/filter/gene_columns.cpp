#include "genes/filter/gene_columns.hpp"

#include <string_view>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "genes/info/gene_info.hpp"

namespace {

// Without gene information there is no accession to write.
bool AccessionColumns() {
  return GeneInfo.Loaded() && TheGroup().Settings().OUTPUT_ACC != 0;
}

void AppendField(std::string& line, std::string_view field) {
  line += field;
  line += '\t';
}

}  // namespace

void WriteGeneColumnsHeader(std::string& line) {
  line += "probe set\t";
  if (GeneInfo.Loaded()) line += "gene\t";
  if (AccessionColumns()) line += "Accession\tLocusLink\tDescription\t";
}

void WriteGeneColumns(std::string& line, int unit) {
  AppendField(line, unit >= 0 && static_cast<std::size_t>(unit) < Layout.units.size()
                        ? Layout.units[static_cast<std::size_t>(unit)].Name()
                        : std::string_view());
  // A probe set beyond the gene information still fills its columns, empty.
  const GENE_INFO* gene = GeneInfo.Gene(unit);
  const GENE_INFO none;
  if (gene == nullptr) gene = &none;
  if (GeneInfo.Loaded()) AppendField(line, gene->Name);
  if (!AccessionColumns()) return;
  AppendField(line, gene->Identifier);
  AppendField(line, gene->LocusLink);
  AppendField(line, gene->Description);
}
