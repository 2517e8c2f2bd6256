#include "tools/synth/ontology_data.hpp"

#include <algorithm>
#include <array>

#include "platform/path.hpp"
#include "tools/synth/random.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {
namespace {

constexpr int kFiles = 3;
constexpr std::array<const char*, kFiles> kFileKinds = {"process", "function", "component"};
// The files indent at most this deep; deeper terms hang under a shallower parent.
constexpr int kDeepestIndent = 19;
constexpr int kIdDigits = 7;
// Secondary ids come from a range of their own so they never meet a main id.
constexpr int kSecondaryIdBase = 5000000;

std::string IdText(int id) {
  std::string digits = std::to_string(id);
  return std::string(
             static_cast<std::size_t>(kIdDigits) - std::min<std::size_t>(digits.size(), kIdDigits),
             '0') +
         digits;
}

// The file's indentation of every term: one below its first parent.
std::vector<int> Indents(const OntologyTruth& truth) {
  std::vector<int> indent(truth.terms.size(), 1);
  for (std::size_t t = 0; t < truth.terms.size(); ++t)
    if (!truth.terms[t].parents.empty())
      indent[t] = indent[static_cast<std::size_t>(truth.terms[t].parents[0])] + 1;
  return indent;
}

// An id in its seven-character field: mostly with leading zeros, now and then the bare
// number followed by blanks, which reads the same.
void AppendId(TextOut& out, int id, bool bare) {
  out << "GO:";
  if (!bare) {
    out << IdText(id);
    return;
  }
  const std::string digits = std::to_string(id);
  out << digits << std::string(kIdDigits - std::min<std::size_t>(digits.size(), kIdDigits), ' ');
}

void AppendTermLine(TextOut& out, const OntologyTruth& truth, int index, int indent) {
  const OntologyTerm& term = truth.terms[static_cast<std::size_t>(index)];
  out << std::string(static_cast<std::size_t>(indent), ' ') << (index % 3 == 0 ? '<' : '%')
      << term.name << " ; ";
  AppendId(out, term.id, index % 4 == 1);
  const auto secondaryIds = [&] {
    for (std::size_t k = 0; k < term.secondaryIds.size(); ++k) {
      out << ", ";
      AppendId(out, term.secondaryIds[k], (index + static_cast<int>(k)) % 2 == 0);
    }
  };
  if (!term.secondaryIdsLast) secondaryIds();
  for (std::size_t k = 1; k < term.parents.size(); ++k) {
    const OntologyTerm& parent = truth.terms[static_cast<std::size_t>(term.parents[k])];
    out << ' ' << ((index + static_cast<int>(k)) % 2 == 0 ? '<' : '%') << ' ' << parent.name
        << " ; ";
    AppendId(out, parent.id, (index + static_cast<int>(k)) % 5 == 0);
  }
  if (term.secondaryIdsLast) secondaryIds();
  out << '\n';
}

}  // namespace

std::vector<int> OntologyTruth::Ancestors(int term) const {
  std::vector<char> seen(terms.size(), 0);
  std::vector<int> pending{term};
  std::vector<int> found;
  while (!pending.empty()) {
    const int at = pending.back();
    pending.pop_back();
    if (seen[static_cast<std::size_t>(at)] != 0) continue;
    seen[static_cast<std::size_t>(at)] = 1;
    found.push_back(at);
    for (const int parent : terms[static_cast<std::size_t>(at)].parents) pending.push_back(parent);
  }
  std::sort(found.begin(), found.end());
  return found;
}

OntologyTruth MakeOntology(const OntologyOptions& options) {
  SynthRandom random(options.seed);
  OntologyTruth truth;
  auto& terms = truth.terms;
  std::vector<int> indent;  // as the files will indent each term
  int nextId = 0;
  const auto add = [&](int file, std::vector<int> parents, std::string name) {
    OntologyTerm term;
    // Ids rise in uneven steps from small numbers, so many need leading zeros.
    nextId += random.Between(1, 40);
    term.id = nextId;
    term.idText = IdText(term.id);
    term.file = file;
    term.name = std::move(name);
    term.parents = std::move(parents);
    indent.push_back(term.parents.empty() ? 1
                                          : indent[static_cast<std::size_t>(term.parents[0])] + 1);
    terms.push_back(std::move(term));
    return static_cast<int>(terms.size()) - 1;
  };

  const int roots = std::max(options.roots, kFiles);
  for (int r = 0; r < roots; ++r)
    add(r % kFiles, {},
        std::string(kFileKinds[static_cast<std::size_t>(r % kFiles)]) + " root " +
            std::to_string(r));
  const int obsolete = add(0, {0}, "obsolete");

  // The deep branch: a chain under root 1; past the deepest indentation each link hangs
  // under the chain's second term and names the link before it as a further parent.
  int link = 1 % roots;
  int chainTop = -1;
  for (int depth = 2; depth <= options.deepBranch; ++depth) {
    std::vector<int> parents;
    if (indent[static_cast<std::size_t>(link)] < kDeepestIndent)
      parents = {link};
    else
      parents = {chainTop, link};
    link = add(1 % kFiles, std::move(parents), "deep link " + std::to_string(depth));
    if (chainTop < 0) chainTop = link;
  }

  std::array<std::vector<int>, kFiles> ofFile;
  for (int t = 0; t < static_cast<int>(terms.size()); ++t)
    ofFile[static_cast<std::size_t>(terms[static_cast<std::size_t>(t)].file)].push_back(t);
  const int maxParents = std::clamp(options.maxParents, 1, 7);
  bool widest = false;
  // Per term the further terms indented under it.
  std::vector<std::vector<int>> childrenOf(terms.size());
  const int firstFurther = static_cast<int>(terms.size());
  for (int n = firstFurther; n < options.terms; ++n) {
    // The first two further terms hang under the obsolete term.
    const bool underObsolete = n < firstFurther + 2;
    const int file = underObsolete ? terms[static_cast<std::size_t>(obsolete)].file
                                   : random.Between(0, kFiles - 1);
    auto& pool = ofFile[static_cast<std::size_t>(file)];
    const auto draw = [&] {
      return pool[static_cast<std::size_t>(random.Between(0, static_cast<int>(pool.size()) - 1))];
    };
    int primary = obsolete;
    if (!underObsolete) {
      do primary = draw();
      while (indent[static_cast<std::size_t>(primary)] >= kDeepestIndent);
    }
    int wanted = random.Chance(10) ? random.Between(3, maxParents) : random.Between(1, 2);
    if (!widest && static_cast<int>(pool.size()) > 2 * maxParents) {
      wanted = maxParents;
      widest = true;
    }
    std::vector<int> parents{primary};
    const std::vector<int>& primaryParents = terms[static_cast<std::size_t>(primary)].parents;
    const bool hasSiblings =
        !primaryParents.empty() && !childrenOf[static_cast<std::size_t>(primaryParents[0])].empty();
    const std::vector<int>& siblings =
        hasSiblings ? childrenOf[static_cast<std::size_t>(primaryParents[0])] : pool;
    for (int tries = 0; static_cast<int>(parents.size()) < wanted && tries < 50; ++tries) {
      const int other = options.siblingParents ? siblings[static_cast<std::size_t>(random.Between(
                                                     0, static_cast<int>(siblings.size()) - 1))]
                                               : draw();
      if (std::find(parents.begin(), parents.end(), other) == parents.end())
        parents.push_back(other);
    }
    const int index =
        add(file, std::move(parents),
            std::string(kFileKinds[static_cast<std::size_t>(file)]) + " term " + std::to_string(n));
    pool.push_back(index);
    childrenOf.resize(terms.size());
    childrenOf[static_cast<std::size_t>(primary)].push_back(index);
  }

  for (OntologyTerm& term : terms) {
    term.depth = 1;
    for (const int parent : term.parents)
      term.depth = std::max(term.depth, terms[static_cast<std::size_t>(parent)].depth + 1);
  }
  // Roots and the obsolete term are never put into a probe set's terms.
  for (std::size_t t = 0; t < terms.size(); ++t)
    terms[t].active = indent[t] != 1 && !(indent[t] == 2 && terms[t].name == "obsolete");
  int nextSecondary = kSecondaryIdBase;
  for (std::size_t t = static_cast<std::size_t>(roots); t < terms.size(); ++t) {
    if (!random.Chance(options.secondaryIdShare)) continue;
    const int count = random.Chance(30) ? 2 : 1;
    for (int k = 0; k < count; ++k)
      terms[t].secondaryIds.push_back(nextSecondary += random.Between(1, 9));
  }
  if (options.secondaryIdsAfterParents) {
    bool last = true;
    for (OntologyTerm& term : terms)
      if (!term.secondaryIds.empty() && term.parents.size() > 1) {
        term.secondaryIdsLast = last;
        last = !last;
      }
  }
  return truth;
}

bool WriteOntologyFiles(const OntologyTruth& truth, const std::string& folder,
                        const std::string& suffix) {
  const std::vector<int> indent = Indents(truth);
  std::vector<std::vector<int>> children(truth.terms.size());
  std::array<std::vector<int>, kFiles> roots;
  for (int t = 0; t < static_cast<int>(truth.terms.size()); ++t) {
    const OntologyTerm& term = truth.terms[static_cast<std::size_t>(t)];
    if (term.parents.empty())
      roots[static_cast<std::size_t>(term.file)].push_back(t);
    else
      children[static_cast<std::size_t>(term.parents[0])].push_back(t);
  }
  for (int file = 0; file < kFiles; ++file) {
    TextOut out;
    out << "!synthetic ontology: " << kFileKinds[static_cast<std::size_t>(file)] << '\n';
    out << "$Gene_Ontology ; GO:0000000\n";
    // Each term once, right below the parent it is indented under.
    std::vector<int> pending(roots[static_cast<std::size_t>(file)].rbegin(),
                             roots[static_cast<std::size_t>(file)].rend());
    while (!pending.empty()) {
      const int t = pending.back();
      pending.pop_back();
      AppendTermLine(out, truth, t, indent[static_cast<std::size_t>(t)]);
      const auto& below = children[static_cast<std::size_t>(t)];
      pending.insert(pending.end(), below.rbegin(), below.rend());
    }
    const std::string path =
        platform::JoinPath(folder, kFileKinds[static_cast<std::size_t>(file)] + suffix);
    if (!out.SaveTo(path)) return false;
  }
  return true;
}

}  // namespace synth
