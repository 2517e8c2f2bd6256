// Web pages of annotation terms: a gene-ontology term's page and a protein domain's page
// in a conserved-domain database, for the columns that name such terms.
#pragma once

#include <string>

// Where the two kinds of term pages are served; the paths and queries are appended.
struct TermLinkHosts {
  std::string geneOntology = "https://ontology.zelko.example.org/";
  std::string proteinDomain = "https://domains.zelko.example.org/";
};
extern TermLinkHosts TermHosts;

// The address of the term's page: for a column whose name holds "GeneOntology" or
// "ProteinDomain" from the term's number; empty for other columns and for a column or
// term that does not exist. The shell opens it (OpenTermLink).
std::string TermLinkAddress(int column, int term);
