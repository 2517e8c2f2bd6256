// The Export Image command of the View menu.
#include "shell/views/pane/export_image_command.hpp"

#include <QPainter>
#include <QScrollArea>
#include <QWidget>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "platform/path.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/pane/picture_view.hpp"

namespace {

std::string CurrentUnitName() {
  const int unit = TheGroup().Settings().CUR_UNIT;
  if (unit < 0 || unit >= static_cast<int>(Layout.units.size())) return {};
  return Layout.units[static_cast<std::size_t>(unit)].name;
}

std::string CurrentArrayName() {
  const int array = TheGroup().Settings().CUR_ARRAY;
  if (array < 0 || array >= TheGroup().NumArrays()) return {};
  return TheGroup().Array(array).name;
}

}  // namespace

bool ShowsPicture(int viewIndex) {
  switch (viewIndex) {
    case VIEW_DATA:
    case VIEW_CEL:
    case VIEW_CLUSTER:
    case VIEW_GENOME:
    case VIEW_LDA:
    case VIEW_SNP:
    case VIEW_CHROMOSOME:
    case VIEW_PLOTS:
      return true;
    default:
      return false;
  }
}

std::string DefaultImageName(int viewIndex) {
  const GroupSettings& settings = TheGroup().Settings();
  const std::string& folder = settings.WORKING_DIR;
  switch (viewIndex) {
    case VIEW_DATA:
      return platform::JoinPath(folder, CurrentUnitName() + "_prob_data");
    case VIEW_CEL:
      return platform::JoinPath(folder, CurrentArrayName() + " cel image");
    case VIEW_CLUSTER:
      return ChangeExtension(settings.GENE_LIST_FILE, " clustering");
    case VIEW_GENOME:
      return ChangeExtension(settings.GENE_LIST_FILE, " genome image");
    case VIEW_LDA:
      return ChangeExtension(settings.GENE_LIST_FILE, " lda image");
    case VIEW_SNP:
      return platform::JoinPath(folder, CurrentUnitName() + " snp image");
    case VIEW_CHROMOSOME:
      // The chromosome shown is part of the name, none when all are shown.
      return platform::JoinPath(folder, TheGroup().Name() + " chro_" +
                                            (settings.VIEW_ALL_CHROMOSOME != 0
                                                 ? std::string()
                                                 : std::to_string(settings.CHRO_CUR_CHRO + 1)));
    default:
      return platform::JoinPath(folder, TheGroup().Name() + " plot");
  }
}

PictureExport PaneViewPicture(ShellFrame& frame) {
  QWidget* view = frame.PaneView();
  if (auto* picture = dynamic_cast<PictureView*>(view)) return picture->ExportPicture();
  PictureExport shown;
  shown.defaultName = DefaultImageName(frame.CurrentViewIndex());
  if (view == nullptr) return shown;
  // A scrolled view's picture is the whole of what it scrolls over.
  if (auto* scrolled = qobject_cast<QScrollArea*>(view); scrolled && scrolled->widget())
    view = scrolled->widget();
  shown.size = view->size();
  shown.draw = [view](QPainter& painter) { view->render(&painter); };
  return shown;
}

void ExportPaneViewImage(ShellFrame& frame) {
  ExportViewImage(PaneViewPicture(frame), frame.Window());
}
