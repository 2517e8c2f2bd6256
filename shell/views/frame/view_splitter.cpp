// The splitter and its swap of right-pane views.
#include "shell/views/frame/view_splitter.hpp"

#include <QStackedWidget>

CViewSplitter::CViewSplitter(QWidget* parent)
    : QSplitter(Qt::Horizontal, parent), mRightStack(new QStackedWidget) {
  setObjectName(QStringLiteral("splitter"));
  setChildrenCollapsible(false);
  mRightStack->setObjectName(QStringLiteral("rightPane"));
}

void CViewSplitter::SetLeftPane(QWidget* tree, int width) {
  insertWidget(0, tree);
  addWidget(mRightStack);
  setStretchFactor(0, 0);
  setStretchFactor(1, 1);
  setSizes({width, 1000});
}

void CViewSplitter::AddRightView(QWidget* view) {
  mRightStack->addWidget(view);
}

bool CViewSplitter::SwapPaneView(QWidget* view) {
  if (mRightStack->currentWidget() == view) return false;
  if (mRightStack->indexOf(view) < 0) mRightStack->addWidget(view);
  mRightStack->setCurrentWidget(view);
  return true;
}

QWidget* CViewSplitter::RightPane() const {
  return mRightStack->currentWidget();
}
