// Dialog 206 "Linkage Analysis", opened by the chromosome view: the pedigree file, the
// one-locus disease model (simulated with a seed, or analysed), the engine's shortcuts,
// and whether the outside programs in a named folder run instead of the own engine.
// OK writes the settings; the seed is kept only for the run.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "shell/dialogs/common/named_dialog.hpp"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class LinkageDialog final : public NamedDialog {
  Q_OBJECT
 public:
  static constexpr int kDialogId = 206;
  static constexpr int kMerlinFolder = 1329;
  static constexpr int kPedigreeFile = 1330;
  static constexpr int kDiseaseFrequency = 1335;
  static constexpr int kPenetrance = 1336;
  static constexpr int kPhenocopy = 1337;
  static constexpr int kSimulate = 1346;
  static constexpr int kRecessive = 1347;
  static constexpr int kDominant = 1282;
  static constexpr int kLoh = 1283;
  static constexpr int kCallMerlin = 1354;
  static constexpr int kRandomSeed = 1360;
  static constexpr int kReduction = 1362;
  static constexpr int kOneCrossover = 1363;
  static constexpr int kSkipNoninformative = 1364;

  // seed is shown first; openOptions shows the options sheet at its chromosome page.
  LinkageDialog(std::int64_t seed, std::function<void()> openOptions, QWidget* parent);

  // Refuses a model value outside [0, 1] or a seed that is no whole number; else writes
  // the settings.
  void accept() override;
  std::int64_t Seed() const { return mSeed; }

 private:
  void BrowseMerlinFolder();

  std::string mPedigreeFile;
  std::string mMerlinFolder;
  std::int64_t mSeed;
  QPushButton* mPedigreeButton;
  QPushButton* mFolderButton;
  QCheckBox* mSimulate;
  QLineEdit* mSeedEdit;
  QLineEdit* mFrequency;
  QLineEdit* mPenetrance;
  QLineEdit* mPhenocopy;
  QRadioButton* mModes[3];
  QCheckBox* mReduction;
  QCheckBox* mSkip;
  QCheckBox* mOneCrossover;
  QCheckBox* mMerlin;
};
