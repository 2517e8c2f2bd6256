// The table of right-pane view makers.
#include "shell/views/frame/view_factory.hpp"

#include <array>

#include "shell/resource_ids.hpp"
#include "shell/views/array/cel_view.hpp"
#include "shell/views/array/data_view.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"
#include "shell/views/cluster/cluster_view.hpp"
#include "shell/views/genome/genome_view.hpp"
#include "shell/views/genome/snp_view.hpp"
#include "shell/views/pathway/pathway_view.hpp"
#include "shell/views/r/plots_view.hpp"
#include "shell/views/r/r_view.hpp"
#include "shell/views/samples/lda_view.hpp"

namespace {

using ViewMaker = QWidget* (*)(const ViewContext& context);

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

QWidget* MakePathwayView(const ViewContext& context) {
  return new PathwayView(context.frame, nullptr);
}

QWidget* MakeRView(const ViewContext&) {
  return new RView(nullptr);
}

QWidget* MakeLdaView(const ViewContext& context) {
  return new LdaView(context.frame, nullptr);
}

QWidget* MakeChromoView(const ViewContext& context) {
  return new CChromosomeView(context.frame, nullptr);
}

QWidget* MakeSnpView(const ViewContext& context) {
  return new SnpView(context.frame, nullptr);
}

QWidget* MakePlotsView(const ViewContext& context) {
  return new PlotsView(context.frame, nullptr);
}

// By view index. The log (0) is made with the splitter, not here.
constexpr std::array<ViewMaker, NUM_VIEWS> kViewMakers = {
    nullptr,          // VIEW_ANALYSIS: CAnalysisView
    MakeDataView,     // VIEW_DATA
    MakeCelView,      // VIEW_CEL
    MakeClusterView,  // VIEW_CLUSTER
    MakeGenomeView,   // VIEW_GENOME
    MakeLdaView,      // VIEW_LDA
    MakeRView,        // VIEW_R
    MakeSnpView,      // VIEW_SNP
    MakeChromoView,   // VIEW_CHROMOSOME
    MakePathwayView,  // VIEW_PATHWAY
    MakePlotsView,    // VIEW_PLOTS
};

}  // namespace

QWidget* MakeRightView(const ViewContext& context) {
  if (context.index < 0 || context.index >= NUM_VIEWS) return nullptr;
  const ViewMaker make = kViewMakers[static_cast<std::size_t>(context.index)];
  return make != nullptr ? make(context) : nullptr;
}
