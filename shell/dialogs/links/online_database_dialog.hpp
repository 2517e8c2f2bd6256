// Dialog 203 "Go to online database": which public database View/Online Database opens
// for the current probe set, and whether Ctrl+L goes there without asking; and the
// command's routine, which opens the chosen page.
#pragma once

#include <QDialog>

#include <string>

class QButtonGroup;
class QCheckBox;
class QLabel;

class OnlineDatabaseDialog final : public QDialog {
  Q_OBJECT
 public:
  // choice: 0 LocusLink, 1 the array maker's portal, 2 GenBank, 3 dbSNP.
  OnlineDatabaseDialog(int choice, bool directGo, QWidget* parent);

  // The caller fills the gene text before running the dialog.
  void SetGeneText(const std::string& text);
  int Choice() const;
  bool DirectGo() const;

 private:
  QButtonGroup* mDatabases;
  QLabel* mGeneText;
  QCheckBox* mDirectGo;
};

// View/Online Database for the current probe set (CUR_UNIT). With the dialog the user
// picks the database (kept in WHICH_ONLINE_DATABASE, with Ctrl+L's direct going in
// DIRECT_GO_ONLINE_DATABASE); without it the last choice holds. The page is opened with
// OpenLink; a probe set with nothing to look up there opens nothing, and dbSNP without
// SNP information says so.
void OpenOnlineDatabase(QWidget* parent, bool withDialog);
