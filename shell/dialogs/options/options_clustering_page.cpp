// The options sheet's Clustering page.
#include "shell/dialogs/options/options_clustering_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "engine/group/sample_grouping.hpp"
#include "genes/cluster/cluster_settings.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/options/option_values.hpp"
#include "shell/services/text_conversion.hpp"

OptionsClusteringPage::OptionsClusteringPage(OptionValues& values, QWidget* parent)
    : PropertyPage(parent), mValues(values) {
  setObjectName(ControlName(kPageId));
  auto* layout = new QVBoxLayout(this);

  auto* methods = new QGridLayout;
  mDistance = OptionCombo(
      {"1 - Correlation", "1 - Absolute correlation", "1 - Rank correlation", "Euclidean distance"},
      kDistanceMeasure, this);
  mLinkage = OptionCombo({"Centroid", "Average"}, kLinkageMethod, this);
  mOrdering = OptionCombo({"By cluster tightness", "By peaking time"}, kGeneOrdering, this);
  methods->addWidget(new QLabel(QStringLiteral("Distance metric:"), this), 0, 0);
  methods->addWidget(mDistance, 0, 1);
  methods->addWidget(new QLabel(QStringLiteral("Linkage method:"), this), 1, 0);
  methods->addWidget(mLinkage, 1, 1);
  methods->addWidget(new QLabel(QStringLiteral("Gene ordering:"), this), 2, 0);
  methods->addWidget(mOrdering, 2, 1);
  layout->addLayout(methods);

  auto* standardize = new QHBoxLayout;
  mStandardizeRow = OptionCheck("Standardize rows (subtract", kStandardizeRow, this);
  mReference = OptionCombo({"Mean"}, kStandardizeReference, this);
  for (int sample = 0; sample < SampleGrouping.SampleCount(); ++sample)
    mReference->addItem(ToQString(SampleGrouping.SampleName(sample)));
  standardize->addWidget(mStandardizeRow);
  standardize->addWidget(mReference);
  standardize->addWidget(new QLabel(QStringLiteral("and divide by SD)"), this));
  standardize->addStretch(1);
  layout->addLayout(standardize);

  mStoreDistance = OptionCheck("Pre-calculate distances", kStoreDistance, this);
  mGreenRed = OptionCheck("Red/black/green coloring", kGreenRed, this);
  mSampleNames = OptionCheck("Sample names always visible", kSampleNameVisible, this);
  mShowProfile = OptionCheck("Averaged gene profile pattern", kShowProfile, this);
  mShowProbeSet = OptionCheck("Show probe set name", kShowProbeSet, this);
  mAddNewColor = OptionCheck("Add new color for Control+Click", kAddNewColor, this);
  auto* checks = new QGridLayout;
  checks->addWidget(mStoreDistance, 0, 0);
  checks->addWidget(mGreenRed, 0, 1);
  checks->addWidget(mSampleNames, 1, 0);
  checks->addWidget(mShowProfile, 1, 1);
  checks->addWidget(mShowProbeSet, 2, 0);
  checks->addWidget(mAddNewColor, 2, 1);
  layout->addLayout(checks);

  auto* range = new QHBoxLayout;
  mDisplayRange = OptionEdit(kDisplayRange, this);
  range->addWidget(new QLabel(QStringLiteral("Displaying range of standardized values: "), this));
  range->addWidget(mDisplayRange);
  range->addStretch(1);
  layout->addLayout(range);

  auto* pValues =
      new QGroupBox(QStringLiteral("P value threshold for calling significant clusters"), this);
  auto* pRow = new QHBoxLayout(pValues);
  mGenePValue = OptionEdit(kGenePValue, pValues);
  mSamplePValue = OptionEdit(kSamplePValue, pValues);
  pRow->addWidget(new QLabel(QStringLiteral("Gene: "), pValues));
  pRow->addWidget(mGenePValue);
  pRow->addWidget(new QLabel(QStringLiteral("Sample:"), pValues));
  pRow->addWidget(mSamplePValue);
  layout->addWidget(pValues);

  auto* letters = new QHBoxLayout;
  mFirstLetters = OptionEdit(kFirstLetters, this);
  letters->addWidget(
      new QLabel(QStringLiteral("Number of letters shown for sample information:"), this));
  letters->addWidget(mFirstLetters);
  letters->addStretch(1);
  layout->addLayout(letters);
  layout->addStretch(1);

  // Average linkage works on the kept distances, and centroid linkage is all that is
  // left without them.
  connect(mLinkage, &QComboBox::activated, this, [this](int index) {
    if (index == kLinkageAverage) mStoreDistance->setChecked(true);
  });
  connect(mStoreDistance, &QCheckBox::clicked, this, [this](bool on) {
    if (!on) mLinkage->setCurrentIndex(kLinkageCentroid);
  });
  OnSetActive();
}

bool OptionsClusteringPage::BlocksStandardizedApart() const {
  return mValues.settings.USE_STD_SEP != 0 && SampleGrouping.GroupCount() > 1;
}

void OptionsClusteringPage::OnSetActive() {
  const GroupSettings& settings = mValues.settings;
  mDistance->setCurrentIndex(settings.DIST_MEASURE);
  mLinkage->setCurrentIndex(settings.LINKAGE_METHOD);
  mOrdering->setCurrentIndex(settings.GENE_ORDERING);
  mStandardizeRow->setChecked(settings.STANDARDIZE_ROW != 0);
  if (BlocksStandardizedApart() || mValues.standardizeReference >= mReference->count())
    mValues.standardizeReference = 0;
  mReference->setCurrentIndex(mValues.standardizeReference);
  mReference->setEnabled(!BlocksStandardizedApart());
  mStoreDistance->setChecked(settings.STORE_DISTANCE != 0);
  mGreenRed->setChecked(settings.GREEN_RED != 0);
  mSampleNames->setChecked(settings.SAMPLE_NAME_VISIBLE != 0);
  mShowProfile->setChecked(settings.SHOW_PROFILE != 0);
  mShowProbeSet->setChecked(settings.CLUSTER_SHOW_PROBE_SET != 0);
  mAddNewColor->setChecked(settings.ADD_NEW_COLOR != 0);
  ShowDouble(mDisplayRange, settings.DISPLAY_RANGE);
  ShowDouble(mGenePValue, settings.SIG_GENE_PVALUE);
  ShowDouble(mSamplePValue, settings.SIG_SAMPLE_PVALUE);
  ShowInt(mFirstLetters, settings.SHOW_FIRST_LETTER);
}

bool OptionsClusteringPage::OnKillActive() {
  double displayRange = 0.0;
  double genePValue = 0.0;
  double samplePValue = 0.0;
  int firstLetters = 0;
  if (!ReadDoubleField(mDisplayRange, displayRange) ||
      !ReadDoubleField(mGenePValue, 0.0, 1.0, genePValue) ||
      !ReadDoubleField(mSamplePValue, 0.0, 1.0, samplePValue) ||
      !ReadIntField(mFirstLetters, 0, kMaxFirstLetters, firstLetters))
    return false;
  GroupSettings& settings = mValues.settings;
  settings.DIST_MEASURE = ChosenIndex(mDistance, settings.DIST_MEASURE);
  settings.LINKAGE_METHOD = ChosenIndex(mLinkage, settings.LINKAGE_METHOD);
  settings.GENE_ORDERING = ChosenIndex(mOrdering, settings.GENE_ORDERING);
  settings.STANDARDIZE_ROW = mStandardizeRow->isChecked() ? 1 : 0;
  mValues.standardizeReference = ChosenIndex(mReference, 0);
  settings.STORE_DISTANCE = mStoreDistance->isChecked() ? 1 : 0;
  settings.GREEN_RED = mGreenRed->isChecked() ? 1 : 0;
  settings.SAMPLE_NAME_VISIBLE = mSampleNames->isChecked() ? 1 : 0;
  settings.SHOW_PROFILE = mShowProfile->isChecked() ? 1 : 0;
  settings.CLUSTER_SHOW_PROBE_SET = mShowProbeSet->isChecked() ? 1 : 0;
  settings.ADD_NEW_COLOR = mAddNewColor->isChecked() ? 1 : 0;
  settings.DISPLAY_RANGE = displayRange;
  settings.SIG_GENE_PVALUE = genePValue;
  settings.SIG_SAMPLE_PVALUE = samplePValue;
  settings.SHOW_FIRST_LETTER = firstLetters;
  return true;
}
