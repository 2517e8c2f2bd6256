// The public databases View/Online Database looks a probe set's gene up in, and the
// address of the gene's page in each: the gene database by LocusLink, the annotation
// portal by probe set name, the sequence database (or, for yeast chips, the yeast genome
// database) by accession.
#pragma once

#include <string>

// The databases in the order of the dialog's choices (WHICH_ONLINE_DATABASE).
enum OnlineDatabase { kLocusLinkDatabase = 0, kPortalDatabase, kGenBankDatabase, kDbSnpDatabase };

// Where the pages are served; the query value is appended.
struct OnlineDatabaseHosts {
  std::string gene = "https://genes.zelko.example.org/gene/";
  std::string portal = "https://annotation.example.org/probeset/";
  std::string sequence = "https://sequences.zelko.example.org/nuccore/?term=";
  std::string yeast = "https://yeast.zelko.example.org/locus/";
};
extern OnlineDatabaseHosts OnlineHosts;

// Chip types whose name holds this are yeast chips, whose accessions are yeast loci.
inline constexpr const char* kYeastChipMark = "S98";
inline constexpr const char* kNoGeneInfoText =
    "No gene info file used; can not go to LocusLink or GenBank";

// "<probe set>: <gene description>", or the probe set and kNoGeneInfoText while no gene
// information is loaded. Empty for a unit outside the chip layout.
std::string OnlineDatabaseGeneText(int unit);

// The address of the unit's page in the database, the query value escaped for an
// address. Empty when the unit has nothing to look the page up by: a unit outside the
// layout, no gene information (LocusLink, GenBank), an empty LocusLink or accession, and
// always for dbSNP, whose rs identifiers come with SNP information, which no group holds
// yet.
std::string OnlineDatabaseAddress(int database, int unit);
