// The chromosome view's Chromosome menu and its Find Gene and Export Image commands.
#include "shell/views/chromosome_view.hpp"

std::optional<CommandState> CChromosomeView::UpdateCommand(int /*id*/) const {
  return std::nullopt;
}

bool CChromosomeView::RunCommand(int /*id*/) {
  return false;
}
