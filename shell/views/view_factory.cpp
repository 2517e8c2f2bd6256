// The table of right-pane view makers.
#include "shell/views/view_factory.hpp"

#include <array>

#include "shell/resource_ids.hpp"
#include "shell/views/cel_view.hpp"
#include "shell/views/cluster_view.hpp"
#include "shell/views/data_view.hpp"
#include "shell/views/genome_view.hpp"
#include "shell/views/lda_view.hpp"
#include "shell/views/plain_view.hpp"
#include "shell/views/plots_view.hpp"
#include "shell/views/r_view.hpp"
#include "shell/views/snp_view.hpp"

namespace {

using ViewMaker = QWidget* (*)(const ViewContext& context);

QWidget* MakePlainView(const ViewContext& context) {
  return new CPlainView(context.index, nullptr);
}

QWidget* MakeDataView(const ViewContext& context) {
  return new DataView(context.frame, nullptr);
}

QWidget* MakeClusterView(const ViewContext& context) {
  return new CClusterView(context.frame, nullptr);
}

QWidget* MakeCelView(const ViewContext& context) {
  return new CCelView(context.frame, nullptr);
}

QWidget* MakeGenomeView(const ViewContext& context) {
  return new CGenomeView(context.frame, nullptr);
}

QWidget* MakeLdaView(const ViewContext& context) {
  return new LdaView(context.frame, nullptr);
}

QWidget* MakeRView(const ViewContext&) {
  return new RView(nullptr);
}

QWidget* MakeSnpView(const ViewContext& context) {
  return new SnpView(context.frame, nullptr);
}

QWidget* MakePlotsView(const ViewContext& context) {
  return new PlotsView(context.frame, nullptr);
}

// By view index; each class takes its stand-in's place as it arrives. The log (0) is
// made with the splitter, not here.
constexpr std::array<ViewMaker, NUM_VIEWS> kViewMakers = {
    nullptr,          // VIEW_ANALYSIS: CAnalysisView
    MakeDataView,     // VIEW_DATA
    MakeCelView,      // VIEW_CEL
    MakeClusterView,  // VIEW_CLUSTER
    MakeGenomeView,   // VIEW_GENOME
    MakeLdaView,      // VIEW_LDA
    MakeRView,        // VIEW_R
    MakeSnpView,      // VIEW_SNP
    MakePlainView,    // VIEW_CHROMOSOME: CChromosomeView
    MakePlainView,    // VIEW_PATHWAY: PathwayView
    MakePlotsView,    // VIEW_PLOTS
};

}  // namespace

QWidget* MakeRightView(const ViewContext& context) {
  if (context.index < 0 || context.index >= NUM_VIEWS) return nullptr;
  const ViewMaker make = kViewMakers[static_cast<std::size_t>(context.index)];
  return make != nullptr ? make(context) : nullptr;
}
