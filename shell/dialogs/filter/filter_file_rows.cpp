#include "shell/dialogs/filter/filter_file_rows.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

QGridLayout* FilterFileRows(std::initializer_list<FilterFileRow> rows, QWidget* parent) {
  auto* grid = new QGridLayout;
  int row = 0;
  for (const FilterFileRow& file : rows) {
    grid->addWidget(new QLabel(QString::fromLatin1(file.caption), parent), row, 0);
    grid->addWidget(file.button, row, 1);
    ++row;
  }
  grid->addWidget(new QLabel(QStringLiteral("(make sure the file is closed)"), parent), row, 1);
  grid->setColumnStretch(1, 1);
  return grid;
}
