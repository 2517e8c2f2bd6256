// The order in which the chromosome view lays out the markers, the current chromosome,
// and the short texts it shows for a stretch and a position.
#include <string>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/info/genome_info.hpp"

namespace {

bool ViewAll() {
  return TheGroup().Settings().VIEW_ALL_CHROMOSOME != 0;
}

int CurrentChro() {
  return TheGroup().Settings().CHRO_CUR_CHRO;
}

int ListSize(int chro) {
  if (chro < 0 || chro >= genome_info.NumChro || chro >= MAX_CHRO_NUM) return 0;
  return static_cast<int>(genome_info.posList[static_cast<std::size_t>(chro)].size());
}

}  // namespace

void CHROMOSOME::SetCurrentChromosome(int chro, int delta) {
  const int count = genome_info.NumChro;
  if (count <= 0) return;
  if (chro == -1) chro = CurrentChro();
  const int current = ((chro + delta) % count + count) % count;
  TheGroup().Settings().CHRO_CUR_CHRO = current;
  refgene_info.currentChro = current;
}

int CHROMOSOME::UnitAtDisplayIndex(int index) const {
  if (index < 0) return -1;
  const int first = ViewAll() ? 0 : CurrentChro();
  const int last = ViewAll() ? genome_info.NumChro - 1 : CurrentChro();
  for (int chro = first; chro <= last; ++chro) {
    const int size = ListSize(chro);
    if (index < size)
      return genome_info.posList[static_cast<std::size_t>(chro)][static_cast<std::size_t>(index)]
          .index;
    index -= size;
  }
  return -1;
}

int CHROMOSOME::DisplayIndexOfUnit(int unit) const {
  if (unit < 0 || static_cast<std::size_t>(unit) >= genome_info.Unit.size()) return -1;
  const UNIT_POS& place = genome_info.Unit[static_cast<std::size_t>(unit)];
  if (place.chro < 0 || place.order < 0 || place.order >= ListSize(place.chro)) return -1;
  if (!ViewAll()) return place.chro == CurrentChro() ? place.order : -1;
  int offset = 0;
  for (int chro = 0; chro < place.chro; ++chro) offset += ListSize(chro);
  return offset + place.order;
}

std::string CHROMOSOME::CallCountText(int chro, int first, int last) const {
  int noCall = 0;
  int homozygous = 0;
  int heterozygous = 0;
  const int size = ListSize(chro);
  if (currentSample >= 0 && currentSample < sampleCount) {
    const std::uint8_t* row = calls.Row(currentSample);
    for (int i = first < 0 ? 0 : first; i <= last && i < size; ++i) {
      const int unit =
          genome_info.posList[static_cast<std::size_t>(chro)][static_cast<std::size_t>(i)].index;
      if (unit < 0 || unit >= unitCount) continue;
      const int call = row[unit];
      noCall += call == 3 ? 1 : 0;
      homozygous += call == 0 || call == 1 ? 1 : 0;
      heterozygous += call == 2 ? 1 : 0;
    }
  }
  return MessageBuffer("%d NoCall, %d A/B, %d AB", noCall, homozygous, heterozygous);
}

std::string CHROMOSOME::FormatMb(float position) {
  return MessageBuffer("%.6f", static_cast<double>(position) * 1e-6);
}
