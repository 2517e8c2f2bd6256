// The Edit Arrow dialog.
#include "shell/views/pathway/edit_arrow_dialog.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <utility>

#include "engine/services/user_prompt.hpp"
#include "genes/pathway/pathway.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/views/pathway/pathway_geometry.hpp"

namespace {

// The node at a start or end combo's position, when it still carries the name shown
// there; -1 otherwise. Two nodes may share a gene's name, so the name alone can't tell
// which one the user picked.
int ComboNode(int index, const std::string& name) {
  const PATHWAY& pathway = ThePathway();
  const int count = std::clamp(pathway.nodeCount, 0, kMaxPathwayNodes);
  if (index < 0 || index >= count) return -1;
  return pathway.nodes[static_cast<std::size_t>(index)].name == name ? index : -1;
}

}  // namespace

EditArrowDialog::EditArrowDialog(QWidget* parent, std::function<void()> changed)
    : NamedDialog(parent, kDialogId, QStringLiteral("Edit Arrow")), mChanged(std::move(changed)) {
  const PATHWAY& pathway = ThePathway();
  QStringList names;
  const int count = std::clamp(pathway.nodeCount, 0, kMaxPathwayNodes);
  for (int i = 0; i < count; ++i)
    names << ToQString(pathway.nodes[static_cast<std::size_t>(i)].name);
  mStart = new QComboBox(this);
  mStart->setObjectName(ControlName(kStart));
  mStart->addItems(names);
  mStart->setCurrentIndex(count > 0 ? std::max(0, ValidCurrentNode(pathway)) : -1);
  mEnd = new QComboBox(this);
  mEnd->setObjectName(ControlName(kEnd));
  mEnd->addItems(names);
  mEnd->setCurrentIndex(count > 0 ? 0 : -1);
  mInteraction = OptionCombo(
      {InteractionName(kActivation), InteractionName(kInhibition), InteractionName(kBinding)},
      kInteraction, this);
  mInteraction->setCurrentIndex(kActivation);
  mEffectTime = OptionEdit(kEffectTime, this);
  ShowInt(mEffectTime, kInitialEffectTime);

  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Start:"), mStart);
  form->addRow(QStringLiteral("End:"), mEnd);
  form->addRow(QStringLiteral("Interaction:"), mInteraction);
  form->addRow(QStringLiteral("Effect time:"), mEffectTime);
  layout->addLayout(form);
  auto* row = new QHBoxLayout;
  QPushButton* insert = ControlButton("&Insert", kInsert, this);
  QPushButton* remove = ControlButton("&Delete", kDelete, this);
  row->addWidget(insert);
  row->addWidget(remove);
  layout->addLayout(row);
  connect(insert, &QPushButton::clicked, this, [this] { Insert(); });
  connect(remove, &QPushButton::clicked, this, [this] { Delete(); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

bool EditArrowDialog::Insert() {
  return Edit(true);
}

bool EditArrowDialog::Delete() {
  return Edit(false);
}

bool EditArrowDialog::Edit(bool add) {
  const int start = ComboNode(mStart->currentIndex(), mStart->currentText().toStdString());
  const int end = ComboNode(mEnd->currentIndex(), mEnd->currentText().toStdString());
  // Names picked before the pathway lost the node (or no node at all) name nothing.
  if (start < 0 || end < 0) return false;
  if (start == end) {
    AfxMessageBox(kSameNodeMessage);
    return false;
  }
  int effectTime = kInitialEffectTime;
  if (!ReadIntField(mEffectTime, 0, kMaxEffectTime, effectTime)) return false;
  const int interaction = std::clamp(mInteraction->currentIndex(), 0, static_cast<int>(kBinding));
  if (!EditArrow(start, end, effectTime, add, interaction)) return false;
  if (mChanged) mChanged();
  return true;
}
