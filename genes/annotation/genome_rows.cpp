#include "genes/annotation/genome_rows.hpp"

#include <string>

#include "engine/services/log_channel.hpp"
#include "genes/annotation/annotation_csv.hpp"

namespace {

constexpr std::string_view kPart = " // ";

// The alignment in the form "chromosome // start-end // strand // ...".
void Normalise(std::string_view piece, std::string& text) {
  text.assign(piece);
  if (piece.find("//") == std::string_view::npos) {
    ReplaceAll(text, ":", kPart);
    ReplaceAll(text, "(", "// ");
    ReplaceAll(text, ")", " // 100");
  } else if (piece.find(") //") != std::string_view::npos) {
    ReplaceAll(text, ":", kPart);
    ReplaceAll(text, "(", "// ");
    ReplaceAll(text, ")", {});
  }
}

}  // namespace

bool OutputGenomeInfo(std::string_view probeSet, std::string_view alignments, std::string& scratch,
                      std::ostream& out) {
  std::string_view pending = alignments;
  while (!pending.empty()) {
    Normalise(NextMultiValue(pending), scratch);
    const std::string_view text = scratch;
    const std::size_t first = text.find(kPart);
    const std::size_t dash =
        first == std::string_view::npos ? first : text.find('-', first + kPart.size());
    const std::size_t second = dash == std::string_view::npos ? dash : text.find(kPart, dash + 1);
    if (second == std::string_view::npos) {
      LogMessage(MessageBuffer(kGenomeAlignmentErrorMessage, std::string(probeSet).c_str(),
                               std::string(alignments).c_str()),
                 0, kLogRed);
      return false;
    }
    std::string_view chromosome = text.substr(0, first);
    chromosome = chromosome.substr(0, chromosome.find_first_of("pq"));
    const std::size_t startAt = first + kPart.size();
    const std::string_view start = text.substr(startAt, dash - startAt);
    const std::string_view end = text.substr(dash + 1, second - dash - 1);
    const std::string_view strand = text.substr(second + kPart.size(), 1);
    out << probeSet << '\t' << chromosome << '\t' << start << '\t' << end << '\t' << strand << '\n';
  }
  return true;
}
