// Page 153 "Clustering" of the options sheet: the distance, linkage and ordering of the
// hierarchical clustering, the standardisation of rows, and how the cluster view draws.
#pragma once

#include "shell/dialogs/common/property_sheet.hpp"
#include "shell/dialogs/common/setting_checks.hpp"

class QCheckBox;
class QComboBox;
class QLineEdit;
struct OptionValues;

class OptionsClusteringPage final : public PropertyPage {
  Q_OBJECT
 public:
  static constexpr int kPageId = 153;
  static constexpr int kDistanceMeasure = 1226;
  static constexpr int kLinkageMethod = 1227;
  static constexpr int kGeneOrdering = 1229;
  static constexpr int kStandardizeRow = 1224;
  static constexpr int kStandardizeReference = 1228;
  static constexpr int kStoreDistance = 1186;
  static constexpr int kGreenRed = 1137;
  static constexpr int kSampleNameVisible = 1145;
  static constexpr int kShowProfile = 1138;
  static constexpr int kShowProbeSet = 1190;
  static constexpr int kAddNewColor = 1324;
  static constexpr int kDisplayRange = 1140;
  static constexpr int kGenePValue = 1161;
  static constexpr int kSamplePValue = 1162;
  static constexpr int kFirstLetters = 1191;
  static constexpr int kMaxFirstLetters = 10;

  OptionsClusteringPage(OptionValues& values, QWidget* parent);

  // Checks the numbers and takes every choice into the values.
  bool OnKillActive() override;
  // Shows the values.
  void OnSetActive() override;

 private:
  // Separate standardisation blocks leave no room for a reference sample.
  bool BlocksStandardizedApart() const;

  OptionValues& mValues;
  QComboBox* mDistance;
  QComboBox* mLinkage;
  QComboBox* mOrdering;
  SettingChecks mChecks;
  QCheckBox* mStandardizeRow;
  QComboBox* mReference;
  QCheckBox* mStoreDistance;
  QLineEdit* mDisplayRange;
  QLineEdit* mGenePValue;
  QLineEdit* mSamplePValue;
  QLineEdit* mFirstLetters;
};
