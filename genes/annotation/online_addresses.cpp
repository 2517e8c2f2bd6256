// Online database addresses of a probe set's gene.
#include "genes/annotation/online_addresses.hpp"

#include <string_view>

#include "engine/chip/cdf_layout.hpp"
#include "genes/info/gene_info.hpp"

OnlineDatabaseHosts OnlineHosts;

namespace {

// Letters, digits and "-._~" go as they are; every other byte as %XX, so that names
// with blanks, '&' or '#' stay one query value.
std::string EscapeQueryValue(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      escaped += c;
    } else {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0xF];
    }
  }
  return escaped;
}

bool IsLayoutUnit(int unit) {
  return unit >= 0 && unit < Layout.unitCount &&
         static_cast<std::size_t>(unit) < Layout.units.size();
}

std::string PageOf(const std::string& host, std::string_view value) {
  return value.empty() ? std::string() : host + EscapeQueryValue(value);
}

}  // namespace

std::string OnlineDatabaseGeneText(int unit) {
  if (!IsLayoutUnit(unit)) return {};
  std::string text(Layout.units[static_cast<std::size_t>(unit)].Name());
  text += ": ";
  if (!GeneInfo.Loaded()) return text + kNoGeneInfoText;
  if (const GENE_INFO* gene = GeneInfo.Gene(unit)) text += gene->Description;
  return text;
}

std::string OnlineDatabaseAddress(int database, int unit) {
  if (!IsLayoutUnit(unit)) return {};
  const std::string_view name = Layout.units[static_cast<std::size_t>(unit)].Name();
  if (database == kPortalDatabase) return PageOf(OnlineHosts.portal, name);
  const GENE_INFO* gene = GeneInfo.Gene(unit);
  if (gene == nullptr) return {};
  if (database == kLocusLinkDatabase) return PageOf(OnlineHosts.gene, gene->LocusLink);
  if (database == kGenBankDatabase) {
    const bool yeast = Layout.chipType.find(kYeastChipMark) != std::string::npos;
    return PageOf(yeast ? OnlineHosts.yeast : OnlineHosts.sequence, gene->Identifier);
  }
  return {};
}
