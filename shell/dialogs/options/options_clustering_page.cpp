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

#include <iterator>

#include "engine/group/sample_grouping.hpp"
#include "genes/cluster/cluster_settings.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/options/option_values.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

// After "Pre-calculate distances", two to a row, left to right.
constexpr SettingChecks::Text kGridChecks[] = {
    {OptionsClusteringPage::kGreenRed, "Red/black/green coloring", &GroupSettings::GREEN_RED},
    {OptionsClusteringPage::kSampleNameVisible, "Sample names always visible",
     &GroupSettings::SAMPLE_NAME_VISIBLE},
    {OptionsClusteringPage::kShowProfile, "Averaged gene profile pattern",
     &GroupSettings::SHOW_PROFILE},
    {OptionsClusteringPage::kShowProbeSet, "Show probe set name",
     &GroupSettings::CLUSTER_SHOW_PROBE_SET},
    {OptionsClusteringPage::kAddNewColor, "Add new color for Control+Click",
     &GroupSettings::ADD_NEW_COLOR},
};

}  // namespace

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
  mStandardizeRow = mChecks.Add("Standardize rows (subtract", kStandardizeRow,
                                &GroupSettings::STANDARDIZE_ROW, this);
  mReference = OptionCombo({"Mean"}, kStandardizeReference, this);
  for (int sample = 0; sample < SampleGrouping.SampleCount(); ++sample)
    mReference->addItem(ToQString(SampleGrouping.SampleName(sample)));
  standardize->addWidget(mStandardizeRow);
  standardize->addWidget(mReference);
  standardize->addWidget(new QLabel(QStringLiteral("and divide by SD)"), this));
  standardize->addStretch(1);
  layout->addLayout(standardize);

  auto* checks = new QGridLayout;
  mStoreDistance =
      mChecks.Add("Pre-calculate distances", kStoreDistance, &GroupSettings::STORE_DISTANCE, this);
  checks->addWidget(mStoreDistance, 0, 0);
  for (int at = 1; at <= static_cast<int>(std::size(kGridChecks)); ++at) {
    const SettingChecks::Text& check = kGridChecks[at - 1];
    checks->addWidget(mChecks.Add(check.text, check.id, check.setting, this), at / 2, at % 2);
  }
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
  mChecks.Show(settings);
  if (BlocksStandardizedApart() || mValues.standardizeReference >= mReference->count())
    mValues.standardizeReference = 0;
  mReference->setCurrentIndex(mValues.standardizeReference);
  mReference->setEnabled(!BlocksStandardizedApart());
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
  mChecks.Read(settings);
  mValues.standardizeReference = ChosenIndex(mReference, 0);
  settings.DISPLAY_RANGE = displayRange;
  settings.SIG_GENE_PVALUE = genePValue;
  settings.SIG_SAMPLE_PVALUE = samplePValue;
  settings.SHOW_FIRST_LETTER = firstLetters;
  return true;
}
