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

// A view on the frame, without a parent yet.
template <class View>
QWidget* MakeFrameView(const ViewContext& context) {
  return new View(context.frame, nullptr);
}

QWidget* MakeRView(const ViewContext&) {
  return new RView(nullptr);
}

// By view index. The log (0) is made with the splitter, not here.
constexpr std::array<ViewMaker, NUM_VIEWS> kViewMakers = {
    nullptr,                         // VIEW_ANALYSIS: CAnalysisView
    MakeFrameView<DataView>,         // VIEW_DATA
    MakeFrameView<CCelView>,         // VIEW_CEL
    MakeFrameView<CClusterView>,     // VIEW_CLUSTER
    MakeFrameView<CGenomeView>,      // VIEW_GENOME
    MakeFrameView<LdaView>,          // VIEW_LDA
    MakeRView,                       // VIEW_R
    MakeFrameView<SnpView>,          // VIEW_SNP
    MakeFrameView<CChromosomeView>,  // VIEW_CHROMOSOME
    MakeFrameView<PathwayView>,      // VIEW_PATHWAY
    MakeFrameView<PlotsView>,        // VIEW_PLOTS
};

}  // namespace

QWidget* MakeRightView(const ViewContext& context) {
  if (context.index < 0 || context.index >= NUM_VIEWS) return nullptr;
  const ViewMaker make = kViewMakers[static_cast<std::size_t>(context.index)];
  return make != nullptr ? make(context) : nullptr;
}
