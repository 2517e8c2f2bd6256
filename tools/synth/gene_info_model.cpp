// The synthetic gene information and its files.
#include "tools/synth/gene_info_model.hpp"

#include <algorithm>
#include <span>

#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/scratch_file.hpp"
#include "tools/synth/random.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {
namespace {

constexpr const char* kColumnStems[] = {"GeneOntology", "ProteinDomain", "Pathway", "Cytoband"};

std::string Word(SynthRandom& random, int letters) {
  std::string word;
  for (int i = 0; i < letters; ++i) word += static_cast<char>('a' + random.Between(0, 25));
  return word;
}

}  // namespace

GeneInfoTruth MakeGeneInfo(const std::vector<std::string>& probeSets,
                           const GeneInfoOptions& options) {
  SynthRandom random(options.seed);
  GeneInfoTruth truth;
  truth.crlf = options.crlf;
  const int columns = std::clamp(options.termColumns, 0, 4);
  const int vocabulary = std::max(options.vocabulary, 1);
  std::vector<std::vector<std::string>> termNames(static_cast<std::size_t>(columns));
  truth.indexTerms.resize(static_cast<std::size_t>(columns));
  for (int c = 0; c < columns; ++c) {
    const auto column = static_cast<std::size_t>(c);
    const bool indexed = column < options.indexBacked.size() && options.indexBacked[column];
    truth.columnNames.push_back(std::string(kColumnStems[c]) + (indexed ? ".txt" : ""));
    for (int t = 0; t < vocabulary; ++t) {
      std::string name =
          std::string(kColumnStems[c]) + " term " + std::to_string(t) + " " + Word(random, 6);
      if (indexed) {
        // Ascending numbers with gaps, as real index files have.
        const int number = (t + 1) * 10 + random.Between(0, 9);
        truth.indexTerms[column].push_back({number, name});
        termNames[column].push_back(std::to_string(number));
      } else {
        termNames[column].push_back(std::move(name));
      }
    }
  }

  truth.genes.reserve(probeSets.size());
  for (std::size_t g = 0; g < probeSets.size(); ++g) {
    GeneRecord gene;
    gene.probeSet = probeSets[g];
    gene.description = "synthetic gene " + std::to_string(g) + " " + Word(random, 8);
    if (!random.Chance(options.emptyShare)) {
      gene.identifier = "NM_" + std::to_string(100000 + g);
      if (g > 0 && random.Chance(options.sharedLocusShare)) {
        gene.locusLink =
            truth.genes[static_cast<std::size_t>(random.Between(0, static_cast<int>(g) - 1))]
                .locusLink;
      }
      if (gene.locusLink.empty()) gene.locusLink = std::to_string(1000 + g);
      gene.name = "GENE" + std::to_string(g) + Word(random, 3);
    }
    gene.terms.resize(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
      const auto column = static_cast<std::size_t>(c);
      const int most = column < options.maxTermsPerColumn.size() ? options.maxTermsPerColumn[column]
                                                                 : options.maxTermsPerGene;
      const int count = random.Between(0, most);
      std::vector<int> picked;
      while (static_cast<int>(picked.size()) < std::min(count, vocabulary)) {
        const int term = random.Between(0, vocabulary - 1);
        if (std::find(picked.begin(), picked.end(), term) == picked.end()) picked.push_back(term);
      }
      for (int term : picked)
        gene.terms[static_cast<std::size_t>(c)].push_back(
            termNames[static_cast<std::size_t>(c)][static_cast<std::size_t>(term)]);
    }
    truth.genes.push_back(std::move(gene));
  }
  return truth;
}

std::string GeneInfoText(const GeneInfoTruth& truth) {
  const char* end = truth.crlf ? "\r\n" : "\n";
  std::string text = "Probe Set Name\tIdentifier\tLocusLink\tName\t";
  for (const std::string& column : truth.columnNames) text += column + "\t";
  text += "Description";
  text += end;
  for (const GeneRecord& gene : truth.genes) {
    text +=
        gene.probeSet + "\t" + gene.identifier + "\t" + gene.locusLink + "\t" + gene.name + "\t";
    for (const std::vector<std::string>& terms : gene.terms) {
      if (terms.size() == 1) {
        text += terms.front();
      } else if (!terms.empty()) {
        text += "|";
        for (const std::string& term : terms) text += term + "|";
      }
      text += "\t";
    }
    text += gene.description;
    text += end;
  }
  return text;
}

bool WriteGeneInfo(const GeneInfoTruth& truth, const std::string& path) {
  const std::string folder = platform::ParentFolder(path);
  for (std::size_t c = 0; c < truth.indexTerms.size(); ++c) {
    if (truth.indexTerms[c].empty()) continue;
    std::string index;
    for (const IndexTerm& term : truth.indexTerms[c])
      index += std::to_string(term.number) + "\t" + term.name + "\n";
    if (!WriteText(platform::JoinPath(folder, truth.columnNames[c]), index)) return false;
  }
  return WriteText(path, GeneInfoText(truth));
}

PlantedList PlantEnrichedList(GeneInfoTruth& truth, const PlantOptions& options) {
  SynthRandom random(options.seed);
  PlantedList list;
  const int genes = static_cast<int>(truth.genes.size());
  std::vector<int> order(static_cast<std::size_t>(genes));
  for (int g = 0; g < genes; ++g) order[static_cast<std::size_t>(g)] = g;
  random.Shuffle(order);
  order.resize(static_cast<std::size_t>(std::clamp(options.listSize, 0, genes)));
  list.genes = order;

  const std::size_t columns = truth.columnNames.size();
  list.plantedTerms.resize(columns);
  for (std::size_t c = 0; c < columns; ++c) {
    // The terms some gene carries, in the order first met.
    std::vector<std::string> carried;
    for (const GeneRecord& gene : truth.genes)
      for (const std::string& term : gene.terms[c])
        if (std::find(carried.begin(), carried.end(), term) == carried.end())
          carried.push_back(term);
    random.Shuffle(carried);
    carried.resize(
        std::min(carried.size(), static_cast<std::size_t>(std::max(options.plantedPerColumn, 0))));
    list.plantedTerms[c] = carried;
    for (const int g : list.genes) {
      std::vector<std::string>& terms = truth.genes[static_cast<std::size_t>(g)].terms[c];
      for (const std::string& term : carried)
        if (random.Chance(options.plantShare) &&
            std::find(terms.begin(), terms.end(), term) == terms.end())
          terms.push_back(term);
    }
  }

  list.header = "Probe Set Name\tScore\tNote";
  for (const int g : list.genes)
    list.lines.push_back(truth.genes[static_cast<std::size_t>(g)].probeSet + "\t" +
                         std::to_string(random.Between(1, 9999)) + "\tlisted " + Word(random, 5));
  return list;
}

bool WriteGeneList(const PlantedList& list, const std::string& path) {
  std::string text = list.header + "\n";
  for (const std::string& line : list.lines) text += line + "\n";
  return WriteText(path, text);
}

}  // namespace synth
