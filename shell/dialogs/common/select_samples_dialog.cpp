// The select sample by category dialog, and the list selection it leads to.
#include "shell/dialogs/common/select_samples_dialog.hpp"

#include <QButtonGroup>
#include <QGroupBox>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/text_conversion.hpp"

SelectSampleDialog::SelectSampleDialog(bool byArray, int mode, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Select sample by category")),
      mByArray(byArray),
      mModes(new QButtonGroup(this)) {
  auto* layout = new QVBoxLayout(this);
  mCategories = new QListWidget;
  mCategories->setObjectName(ControlName(kCategoryList));
  mCategories->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (int c = 0; c < SampleInfo.ColumnCount(); ++c) {
    const SampleInfoColumn& column = SampleInfo.Column(c);
    for (int k = 0; k < column.CategoryCount(); ++k) {
      const auto slot = static_cast<std::size_t>(k);
      const int samples = byArray ? column.categories[slot].sampleCount
                                  : SampleGrouping.ColumnClasses(c).perClass[slot];
      mCategories->addItem(ToQString(MessageBuffer("%s %s [%d]", column.name.c_str(),
                                                   column.categories[slot].name.c_str(), samples)));
      mRows.emplace_back(c, k);
    }
  }
  layout->addWidget(mCategories);

  auto* combine = new QGroupBox(QStringLiteral("Combine with the existing selected samples"));
  combine->setObjectName(ControlName(kCombineGroup));
  auto* combineLayout = new QVBoxLayout(combine);
  const char* const kModeLabels[] = {"Overwrite", "Or", "And", "Use Inverse"};
  int id = 0;
  for (const char* label : kModeLabels) {
    auto* radio = new QRadioButton(QString::fromLatin1(label));
    mModes->addButton(radio, id++);
    combineLayout->addWidget(radio);
  }
  QAbstractButton* shown = mModes->button(mode);
  (shown != nullptr ? shown : mModes->button(kSelectionOverwrite))->setChecked(true);
  layout->addWidget(combine);

  AddOkCancelRow(*this, *layout);
}

int SelectSampleDialog::Mode() const {
  return mModes->checkedId();
}

void SelectSampleDialog::accept() {
  if (mCategories->selectedItems().isEmpty()) {
    AfxMessageBox("Must select a sample category");
    return;
  }
  SampleGrouping.ClearSelection();
  for (int row = 0; row < mCategories->count(); ++row) {
    if (!mCategories->item(row)->isSelected()) continue;
    const auto& [column, category] = mRows[static_cast<std::size_t>(row)];
    SampleGrouping.SelectByCategory(column, category, mByArray);
  }
  QDialog::accept();
}

void SetListSelection(int mode, QListWidget& list, bool byArray) {
  std::vector<bool> selection(static_cast<std::size_t>(list.count()));
  for (int row = 0; row < list.count(); ++row)
    selection[static_cast<std::size_t>(row)] = list.item(row)->isSelected();
  SampleGrouping.SetListSelection(mode, selection, byArray);
  for (int row = 0; row < list.count(); ++row)
    list.item(row)->setSelected(selection[static_cast<std::size_t>(row)]);
}
