// The chromosome view's mouse: the status text of what lies under the pointer, and a left
// click that selects a cell, picks a sample-information category (with Ctrl, its colour),
// highlights a branch of the sample tree or opens a refGene's page.
#include <QColorDialog>
#include <QMouseEvent>

#include <optional>

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "genes/annotation/online_addresses.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/jobs/region_clustering.hpp"
#include "shell/dialogs/links/open_link.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

}  // namespace

void CChromosomeView::mouseMoveEvent(QMouseEvent* event) {
  mLastMouse = event->position().toPoint();
  if ((event->buttons() & Qt::LeftButton) != 0 && mDragUnit >= 0) {
    DragTo(mLastMouse + ScrollOffset());
    return;
  }
  MouseMoved(mLastMouse + ScrollOffset());
}

void CChromosomeView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  mLastMouse = event->position().toPoint();
  LeftClick(mLastMouse + ScrollOffset(), (event->modifiers() & Qt::ControlModifier) != 0);
}

void CChromosomeView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && mDragUnit >= 0) {
    mLastMouse = event->position().toPoint();
    DragTo(mLastMouse + ScrollOffset());
    mDragUnit = -1;
    return;
  }
  QAbstractScrollArea::mouseReleaseEvent(event);
}

void CChromosomeView::MouseMoved(QPoint at) {
  SetStatus(ChromosomeStatusText(mGeometry, HitTest(at)) + StretchText());
}

void CChromosomeView::LeftClick(QPoint at, bool ctrl) {
  const ChromosomeHit hit = HitTest(at);
  GroupSettings& settings = TheGroup().Settings();
  // A click drops the stretch; a drag from a cell selects a new one.
  mDragUnit = -1;
  mStretchFirstUnit = mStretchLastUnit = -1;
  switch (hit.zone) {
    case ChromosomeZone::kCell: {
      settings.CUR_UNIT = mGeometry.rows[At(hit.row)].unit;
      mDragUnit = settings.CUR_UNIT;
      if (mGeometry.in.showAll && hit.chro >= 0) chromosome.SetCurrentChromosome(hit.chro, 0);
      mSelColumn = hit.column;
      const int sample = mGeometry.columns.sampleOfColumn[At(hit.column)];
      SampleGrouping.SetCurrentSample(sample);
      chromosome.currentSample = sample;
      Invalidate();
      break;
    }
    case ChromosomeZone::kSampleInfo: {
      mSelectedInfoRow = hit.infoRow;
      const int array =
          SampleGrouping.GetSampleArray(mGeometry.columns.sampleOfColumn[At(hit.column)]);
      const int category = SampleInfo.CategoryOf(array, hit.infoRow);
      SampleInfo.SetSelectedColumn(0, hit.infoRow);
      if (ctrl && category >= 0) {
        const SampleInfoColumn& column = SampleInfo.Column(hit.infoRow);
        QColorDialog dialog(ToQColor(column.categories[At(category)].colour), mFrame.Window());
        dialog.setObjectName(QString::fromLatin1(kChromosomeColourDialogName));
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        if (Prompts().RunDialog(dialog) == QDialog::Accepted) {
          const QColor chosen =
              dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor();
          if (chosen.isValid())
            SampleInfo.SetCategoryColour(hit.infoRow, category,
                                         RGB(chosen.red(), chosen.green(), chosen.blue()));
        }
      }
      Invalidate();
      break;
    }
    case ChromosomeZone::kSampleTree:
      GroupTree().highlighted = hit.node;
      Invalidate();
      break;
    case ChromosomeZone::kRefGene: {
      const int geneId = refgene_info.refGenes[At(hit.refGene)].geneId;
      if (geneId >= 0) OpenLink(OnlineHosts.gene + std::to_string(geneId));
      break;
    }
    default:
      break;
  }
  MouseMoved(at);
}
