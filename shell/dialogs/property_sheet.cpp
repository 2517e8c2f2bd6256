// The tabbed settings dialog and its page-leaving checks.
#include "shell/dialogs/property_sheet.hpp"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

PropertySheet::PropertySheet(const QString& caption, QWidget* parent) : QDialog(parent) {
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  mTabs = new QTabWidget(this);
  layout->addWidget(mTabs);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &PropertySheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
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

void PropertySheet::accept() {
  if (PropertyPage* page = Page(mActive); page != nullptr && !page->OnKillActive()) return;
  QDialog::accept();
}
