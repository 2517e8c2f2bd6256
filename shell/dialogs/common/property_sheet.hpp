// A tabbed dialog of pages that edit the group's settings in place. A page may refuse to
// be left (on a change of tab and on OK) after telling the user why.
#pragma once

#include <QDialog>
#include <QWidget>

#include <vector>

class QHBoxLayout;
class QPushButton;
class QTabWidget;

class PropertyPage : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  // False keeps the page shown; the page has told the user why.
  virtual bool OnKillActive() { return true; }
  // The page comes to the front.
  virtual void OnSetActive() {}
};

class PropertySheet : public QDialog {
  Q_OBJECT
 public:
  PropertySheet(const QString& caption, QWidget* parent);

  // Pages are shown in the order they are added; the sheet owns them.
  void AddPage(PropertyPage* page, const QString& title);
  int PageCount() const;
  PropertyPage* Page(int index) const;
  int ActiveIndex() const;
  // Leaving the active page for index obeys the active page's OnKillActive.
  bool SetActivePage(int index);
  // The page the sheet opens at, before it is shown: no page is left, so none is checked.
  void SetStartPage(int index);
  // A button of the sheet's own at the left end of the OK row, after those added before;
  // as wide as OK.
  void AddButtonAtLeft(QPushButton* button);

  // OK leaves the active page first; a refusal keeps the sheet open.
  void accept() override;

 private:
  QTabWidget* mTabs;
  QHBoxLayout* mButtonRow;
  QPushButton* mOkButton;
  int mLeftButtons = 0;
  std::vector<PropertyPage*> mPages;
  int mActive = 0;
  bool mSwitching = false;
};
