// The find gene search through its dialog.
#include "shell/dialogs/find/find_gene.hpp"

#include <string>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/info/gene_info.hpp"
#include "shell/dialogs/find/find_gene_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"

namespace {

int ProbeSetCount() {
  return static_cast<int>(Layout.units.size());
}

bool IsProbeSet(int unit) {
  return unit >= 0 && unit < ProbeSetCount();
}

}  // namespace

int FindGene(QWidget* parent) {
  const int current = TheGroup().Settings().CUR_UNIT;
  const bool geneInfo = GeneInfo.Loaded();
  FindGeneDialog dialog(ProbeSetCount(), geneInfo, parent);
  std::string prefilledName;
  std::string prefilledKeyword;
  if (IsProbeSet(current)) {
    if (const GENE_INFO* gene = geneInfo ? GeneInfo.Gene(current) : nullptr)
      prefilledKeyword = std::string(gene->Name.substr(0, kFindKeywordPrefill));
    prefilledName = Layout.units[static_cast<std::size_t>(current)].name;
    dialog.SetFields(current, prefilledName, prefilledKeyword);
  }
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return current;

  const std::string keyword = dialog.Keywords();
  if (!keyword.empty() && keyword != prefilledKeyword && geneInfo) {
    const int hit = FindGeneByKeyword(keyword);
    GeneInfo.lastKeyword = keyword;  // Find Next repeats it, hit or not
    if (hit == -1) {
      AfxMessageBox(std::string(kNoKeywordMatchMessage) + keyword);
      return -1;
    }
    if (hit != current) return hit;
  }
  // The name left as it was filled in is not searched: as a prefix it could find
  // another probe set (PS4 finding PS40) when the user changed only the number.
  const std::string name = dialog.Name();
  if (!name.empty() && name != prefilledName) {
    const int found = FindUnit(name, false);
    if (found == -1) {
      AfxMessageBox(std::string(kNoProbeSetMatchMessage) + name);
      return -1;
    }
    if (found != current) return found;
  }
  const int number = dialog.Number();
  if (number != current) return number;
  return current;
}

int FindNextGene() {
  const std::string keyword = GeneInfo.lastKeyword;
  const int hit = keyword.empty() ? -1 : FindGeneByKeyword(keyword);
  if (hit != -1 && hit != TheGroup().Settings().CUR_UNIT) return hit;
  AfxMessageBox(std::string(kNoFurtherMatchMessage) + keyword + "\"");
  return -1;
}

int FindByCommand(int id, QWidget* parent) {
  return id == ids::kFindGene ? FindGene(parent) : FindNextGene();
}
