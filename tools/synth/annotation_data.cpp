// The synthetic annotation and ortholog CSV files.
#include "tools/synth/annotation_data.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <span>

#include "platform/byte_writer.hpp"
#include "platform/scratch_file.hpp"
#include "tools/synth/random.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {
namespace {

// The known columns' older and newer names, in the import's order of them. Kept apart
// from the reader's own list, so that a name mistyped in either shows in the tests.
constexpr std::array<std::array<const char*, 2>, 13> kKnown = {{
    {"Probe Set ID", "Probe Set ID"},
    {"Sequence Derived From", "Representative Public ID"},
    {"Sequence Description", "Target Description"},
    {"Title", "Gene Title"},
    {"Location", "Chromosomal Location"},
    {"Unigene", "UniGene ID"},
    {"LocusLink", "Entrez Gene"},
    {"Biological Process (GO)", "Gene Ontology Biological Process"},
    {"Cellular Component (GO)", "Gene Ontology Cellular Component"},
    {"Molecular Function (GO)", "Gene Ontology Molecular Function"},
    {"Pathways KEGG", "Pathway"},
    {"InterPro", "InterPro"},
    {"Genome Alignment", "Alignments"},
}};
constexpr const char* kExtra[] = {"Species Name", "Annotation Date",   "Sequence Type",
                                  "Gene Symbol",  "Protein Accession", "Transcript Count",
                                  "Notes",        "Source Release"};
constexpr const char* kChipColumn = "Array Name";
constexpr const char* kChromosomes[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                        "9",  "10", "11", "12", "13", "14", "15", "16",
                                        "17", "18", "19", "20", "21", "22", "X",  "Y"};
constexpr const char* kEvidence[] = {"inferred from electronic annotation", "IEA", "TAS"};

std::string Word(SynthRandom& random, int letters) {
  std::string word;
  for (int i = 0; i < letters; ++i) word += static_cast<char>('a' + random.Between(0, 25));
  return word;
}

std::string Digits(int value, int width) {
  std::string text = std::to_string(value);
  return std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size()))),
                     '0') +
         text;
}

// A chromosomal location as the file writes it, and the terms the import makes of it.
std::pair<std::string, std::string> Location(SynthRandom& random) {
  const std::string chromosome = kChromosomes[random.Between(0, 23)];
  switch (random.Between(0, 5)) {
    case 0:  // the whole chromosome
      return {chromosome, "|" + chromosome + "|"};
    case 1:  // the centromere
      return {chromosome + "cen", "|" + chromosome + "|"};
    default: {
      const std::string arm = random.Chance(50) ? "p" : "q";
      const std::string band = std::to_string(random.Between(11, 36));
      std::string written = chromosome + arm + band;
      if (random.Chance(50)) written += "." + std::to_string(random.Between(1, 3));
      if (random.Chance(30)) written += "-" + arm + std::to_string(random.Between(11, 36));
      if (random.Chance(20)) written = "Chr:" + written;
      if (random.Chance(10)) written = "chr" + written;
      return {written,
              "|" + chromosome + "|" + chromosome + arm + "|" + chromosome + arm + band + "|"};
    }
  }
}

}  // namespace

AnnotationTruth MakeAnnotation(const std::vector<std::string>& probeSets,
                               const std::vector<AnnotationTerm>& goTerms,
                               const AnnotationOptions& options) {
  SynthRandom random(options.seed);
  AnnotationTruth truth;
  truth.chipType = options.chipType;
  for (int d = 0; d < options.domains; ++d)
    truth.domains.push_back(
        {Digits(1 + d * 7, 6), "Domain " + Word(random, 5) + " " + std::to_string(d)});
  std::vector<std::string> pathways;
  for (int p = 0; p < options.pathways; ++p)
    pathways.push_back("Pathway " + std::to_string(p) + " " + Word(random, 6));

  // Columns: -1 the chip type (always second), 0..12 the known ones, 100+ the others.
  std::vector<int> columns;
  for (int k = 0; k < 13; ++k) columns.push_back(k);
  const int extras = std::clamp(options.extraColumns, 1, static_cast<int>(std::size(kExtra)));
  columns.push_back(100 + 1);  // "Annotation Date" is always there
  for (int e = 0, added = 1; added < extras; ++e)
    if (e != 1) {
      columns.push_back(100 + e);
      ++added;
    }
  random.Shuffle(columns);
  columns.insert(columns.begin() + 1, -1);
  for (const int column : columns) {
    if (column < 0) {
      truth.header.push_back(kChipColumn);
    } else if (column >= 100) {
      truth.header.push_back(kExtra[column - 100]);
    } else {
      const int older = random.Chance(options.olderNameShare) ? 0 : 1;
      truth.header.push_back(
          kKnown[static_cast<std::size_t>(column)][static_cast<std::size_t>(older)]);
    }
  }

  std::string& text = truth.text;
  text.reserve(probeSets.size() * static_cast<std::size_t>(300 + 60 * options.maxGoTerms));
  const char* const lineEnd = options.crlf ? "\r\n" : "\n";
  if (options.byteOrderMark) text += "\xEF\xBB\xBF";
  for (std::size_t c = 0; c < truth.header.size(); ++c)
    text.append(c == 0 ? "\"" : ",\"").append(truth.header[c]).append("\"");
  text += lineEnd;

  std::array<std::string, 13> fields;
  for (std::size_t i = 0; i < probeSets.size(); ++i) {
    AnnotationProbeSet ps;
    ps.probeSet = probeSets[i];
    fields = {};
    fields[0] = ps.probeSet;
    // Fields that may be "---" or empty read as empty.
    const auto blank = [&random, &options](std::string& field) {
      if (random.Chance(options.noneShare)) {
        field = "---";
        return true;
      }
      if (random.Chance(options.emptyShare)) {
        field.clear();
        return true;
      }
      return false;
    };
    if (!blank(fields[1]))
      fields[1] = ps.identifier = "ZK" + Digits(static_cast<int>(i) * 3 + 11, 6);
    if (!blank(fields[6]))
      fields[6] = ps.locusLink = std::to_string(1000 + random.Between(0, 90000));
    if (!blank(fields[3])) {
      ps.name = "gene " + Word(random, 4) + ", member " + std::to_string(random.Between(1, 9));
      fields[3] = ps.name;
      if (random.Chance(5)) {
        fields[3] = "tabbed\t" + ps.name;
        ps.name = "tabbed," + ps.name;
      }
    }
    if (!blank(fields[2])) {
      ps.description = "ZK" + Digits(static_cast<int>(i), 6) + ":" + Word(random, 8) + ", " +
                       Word(random, 5) + " /DEF=" + Word(random, 10);
      if (options.quotedWordShare > 0 && random.Chance(options.quotedWordShare)) {
        // The quoted word at the start, inside or at the end of the description.
        const std::string quoted = "\"" + Word(random, 5) + "\"";
        switch (random.Between(0, 2)) {
          case 0:
            ps.description = quoted + " " + ps.description;
            break;
          case 1:
            ps.description.insert(ps.description.find(' ') + 1, quoted + " ");
            break;
          default:
            ps.description += " " + quoted;
            break;
        }
      }
      fields[2] = (random.Chance(50) ? "Cluster Incl " : "") + ps.description;
    }
    if (!blank(fields[5])) fields[5] = "Zk." + std::to_string(random.Between(1, 99999));
    if (!blank(fields[4])) {
      auto [written, terms] = Location(random);
      fields[4] = written;
      ps.chromosome = terms;
    }
    // Gene Ontology terms, distinct, over the three columns.
    if (!goTerms.empty()) {
      const int count = std::min(random.Between(options.minGoTerms, options.maxGoTerms),
                                 static_cast<int>(goTerms.size()));
      for (int t = 0; t < count;) {
        const int term = random.Between(0, static_cast<int>(goTerms.size()) - 1);
        if (std::find(ps.goTerms.begin(), ps.goTerms.end(), term) != ps.goTerms.end()) continue;
        ps.goTerms.push_back(term);
        ++t;
      }
      // Written column by column (process, component, function); the truth keeps that order.
      std::array<std::vector<int>, 3> byColumn;
      for (const int term : ps.goTerms)
        byColumn[static_cast<std::size_t>(random.Between(0, 2))].push_back(term);
      ps.goTerms.clear();
      for (int c = 0; c < 3; ++c) {
        std::string& field = fields[static_cast<std::size_t>(7 + c)];
        for (const int term : byColumn[static_cast<std::size_t>(c)]) {
          const AnnotationTerm& go = goTerms[static_cast<std::size_t>(term)];
          if (!field.empty()) field += " /// ";
          field += go.idText + " // " + go.name + " // " + kEvidence[random.Between(0, 2)];
          ps.goTerms.push_back(term);
        }
        if (field.empty()) field = random.Chance(50) ? "---" : "";
      }
    }
    if (!truth.domains.empty()) {
      const int count = random.Between(0, options.maxDomains);
      for (int d = 0; d < count; ++d) {
        const int domain = random.Between(0, static_cast<int>(truth.domains.size()) - 1);
        if (!fields[11].empty()) fields[11] += " /// ";
        fields[11] += "IPR" + truth.domains[static_cast<std::size_t>(domain)].idText + " // " +
                      truth.domains[static_cast<std::size_t>(domain)].name;
        ps.domains.push_back(domain);
      }
      if (fields[11].empty()) fields[11] = "---";
    }
    if (!pathways.empty() && !blank(fields[10])) {
      const int count = random.Between(0, 2);
      for (int p = 0; p < count; ++p) {
        const std::string& pathway =
            pathways[static_cast<std::size_t>(random.Between(0, options.pathways - 1))];
        if (!fields[10].empty()) fields[10] += " /// ";
        fields[10] += pathway;
        ps.pathway += (ps.pathway.empty() ? "|" : "") + pathway + "|";
      }
      if (fields[10].empty()) fields[10] = "---";
    }
    if (!blank(fields[12])) {
      const int count = random.Between(1, 2);
      for (int a = 0; a < count; ++a) {
        GenomeAlignment alignment;
        alignment.chromosome = kChromosomes[random.Between(0, 23)];
        alignment.start = random.Between(1000, 200000000);
        alignment.end = alignment.start + random.Between(100, 90000);
        alignment.strand = random.Chance(50) ? '+' : '-';
        if (!fields[12].empty()) fields[12] += " /// ";
        fields[12] += "chr" + alignment.chromosome + ":" + std::to_string(alignment.start) + "-" +
                      std::to_string(alignment.end) + " (" + alignment.strand + ")";
        if (random.Chance(70))
          fields[12] += " // " + std::to_string(random.Between(80, 100)) + " // " +
                        (random.Chance(50) ? "p" : "q") + std::to_string(random.Between(11, 36));
        ps.alignments.push_back(alignment);
      }
    }

    for (std::size_t c = 0; c < columns.size(); ++c) {
      text += c == 0 ? "\"" : ",\"";
      const int column = columns[c];
      if (column < 0) {
        text += truth.chipType;
      } else if (column >= 100) {
        text += random.Chance(30) ? "---" : Word(random, random.Between(3, 12));
      } else {
        // A quote inside a field is written twice.
        for (const char ch : fields[static_cast<std::size_t>(column)]) {
          if (ch == '"') text += '"';
          text += ch;
        }
      }
      text += '"';
    }
    text += lineEnd;
    truth.probeSets.push_back(std::move(ps));
  }
  return truth;
}

OrthologTruth MakeOrthologs(const std::vector<std::string>& probeSets,
                            const OrthologOptions& options) {
  SynthRandom random(options.seed);
  OrthologTruth truth;
  truth.chipType = options.chipType;
  truth.otherChipType = options.otherChipType;
  truth.text = "\"Probe Set ID\",\"Array Name\",\"Ortholog Probe Set\",\"Ortholog Array\"\n";
  for (std::size_t i = 0; i < probeSets.size(); ++i) {
    const std::string ortholog = "zo_" + std::to_string(random.Between(0, 99999)) + "_at";
    std::string other = "ZK_Third_3";
    if (random.Chance(options.pairShare)) {
      other = options.otherChipType;
      if (random.Chance(30))
        for (char& c : other) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      truth.pairs.emplace_back(probeSets[i], ortholog);
    }
    truth.text += "\"" + probeSets[i] + "\",\"" + options.chipType + "\",\"" + ortholog + "\",\"" +
                  other + "\"\n";
  }
  return truth;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  return WriteText(path, text);
}

}  // namespace synth
