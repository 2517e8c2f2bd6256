// Term page addresses.
#include "genes/annotation/term_links.hpp"

#include "engine/services/log_channel.hpp"
#include "genes/info/gene_info.hpp"

TermLinkHosts TermHosts;

std::string TermLinkAddress(int column, int term) {
  if (column < 0 || column >= GeneInfo.numColumns) return {};
  const TERM_TABLE& table = TermTables[static_cast<std::size_t>(column)];
  if (term < 0 || term >= table.Count()) return {};
  const std::string& name = GeneInfo.columnNames[static_cast<std::size_t>(column)];
  const int number = table.NumericId(term);
  if (name.find("GeneOntology") != std::string::npos)
    return TermHosts.geneOntology +
           MessageBuffer("cgi-bin/go.cgi?view=details&depth=1&query=GO:%d", number);
  if (name.find("ProteinDomain") != std::string::npos)
    return TermHosts.proteinDomain + MessageBuffer("Structure/cdd/cddsrv.cgi?uid=pfam%05d", number);
  return {};
}
