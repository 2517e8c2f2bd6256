// The Edit Node dialog.
#include "shell/views/pathway/edit_node_dialog.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "genes/info/gene_info.hpp"
#include "genes/pathway/pathway.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/views/pathway/pathway_geometry.hpp"

int NextPathwayNode(int current, int nodeCount) {
  if (nodeCount <= 0) return -1;
  return current < 0 || current + 1 >= nodeCount ? 0 : current + 1;
}

EditNodeDialog::EditNodeDialog(QWidget* parent, std::function<void()> changed)
    : NamedDialog(parent, kDialogId, QStringLiteral("Edit Node")),
      mChosenName(kPlaceholderName),
      mChanged(std::move(changed)) {
  auto* layout = new QVBoxLayout(this);
  mNames = new QComboBox(this);
  mNames->setObjectName(ControlName(kGeneName));
  QStringList names;
  names << QString::fromLatin1(kPlaceholderName);
  for (const GENE_INFO& gene : GeneInfo.genes)
    if (!gene.Name.empty()) names << ToQString(gene.Name);
  mNames->addItems(names);
  mNames->setCurrentIndex(0);
  connect(mNames, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { mChosenName = text.toStdString(); });
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Gene name:"), mNames);
  layout->addLayout(form);
  auto* row = new QHBoxLayout;
  QPushButton* insert = ControlButton("&Insert", kInsert, this);
  QPushButton* assign = ControlButton("&Assign gene", kAssign, this);
  QPushButton* select = ControlButton("&Select", kSelect, this);
  QPushButton* remove = ControlButton("&Delete (Del)", kDelete, this);
  for (QPushButton* button : {insert, assign, select, remove}) row->addWidget(button);
  layout->addLayout(row);
  connect(insert, &QPushButton::clicked, this, &EditNodeDialog::Insert);
  connect(assign, &QPushButton::clicked, this, &EditNodeDialog::AssignGene);
  connect(select, &QPushButton::clicked, this, &EditNodeDialog::SelectNext);
  connect(remove, &QPushButton::clicked, this, &EditNodeDialog::DeleteCurrent);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void EditNodeDialog::Changed() {
  if (mChanged) mChanged();
}

void EditNodeDialog::Insert() {
  AddNode();
  Changed();
}

void EditNodeDialog::AssignGene() {
  RenameCurrentNode(mChosenName);
  Changed();
}

void EditNodeDialog::SelectNext() {
  PATHWAY& pathway = ThePathway();
  if (pathway.nodeCount > 0)
    pathway.currentNode = NextPathwayNode(ValidCurrentNode(pathway), pathway.nodeCount);
  Changed();
}

void EditNodeDialog::DeleteCurrent() {
  if (ValidCurrentNode(ThePathway()) >= 0) DeleteCurrentNode();
  Changed();
}
