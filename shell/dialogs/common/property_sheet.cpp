// The tabbed settings dialog and its page-leaving checks.
#include "shell/dialogs/common/property_sheet.hpp"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

PropertySheet::PropertySheet(const QString& caption, QWidget* parent) : QDialog(parent) {
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  mTabs = new QTabWidget(this);
  layout->addWidget(mTabs);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  mOkButton = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &PropertySheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  mButtonRow = new QHBoxLayout;
  mButtonRow->addWidget(buttons, 1);
  layout->addLayout(mButtonRow);
  connect(mTabs, &QTabWidget::currentChanged, this, [this](int index) {
    if (mSwitching || index == mActive || index < 0) return;
    // The tab has already moved; a page that refuses to be left takes it back.
    const int previous = mActive;
    if (!Page(previous)->OnKillActive()) {
      mSwitching = true;
      mTabs->setCurrentIndex(previous);
      mSwitching = false;
      return;
    }
    mActive = index;
    Page(index)->OnSetActive();
  });
}

void PropertySheet::AddPage(PropertyPage* page, const QString& title) {
  mPages.push_back(page);
  mSwitching = true;
  mTabs->addTab(page, title);
  mSwitching = false;
  if (mPages.size() == 1) page->OnSetActive();
}

int PropertySheet::PageCount() const {
  return static_cast<int>(mPages.size());
}

PropertyPage* PropertySheet::Page(int index) const {
  if (index < 0 || index >= PageCount()) return nullptr;
  return mPages[static_cast<std::size_t>(index)];
}

int PropertySheet::ActiveIndex() const {
  return mActive;
}

bool PropertySheet::SetActivePage(int index) {
  if (Page(index) == nullptr) return false;
  mTabs->setCurrentIndex(index);
  return mActive == index;
}

void PropertySheet::SetStartPage(int index) {
  if (Page(index) == nullptr || index == mActive) return;
  mSwitching = true;
  mTabs->setCurrentIndex(index);
  mSwitching = false;
  mActive = index;
  Page(index)->OnSetActive();
}

void PropertySheet::AddButtonAtLeft(QPushButton* button) {
  button->setParent(this);
  button->setAutoDefault(false);
  button->setMinimumWidth(mOkButton->sizeHint().width());
  mButtonRow->insertWidget(mLeftButtons++, button);
}

void PropertySheet::accept() {
  if (PropertyPage* page = Page(mActive); page != nullptr && !page->OnKillActive()) return;
  QDialog::accept();
}
