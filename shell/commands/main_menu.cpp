// The menu table of the main window.
#include "shell/commands/main_menu.hpp"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <initializer_list>

#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr int kSeparator = 0;

struct MenuItem {
  int id;
  const char* text;            // the part after '\t' is the shortcut shown beside the item
  const char* keys = nullptr;  // the accelerators of the main window, "A; B" for two
};

struct Menu {
  const char* title;
  std::initializer_list<MenuItem> items;
};

// Single-letter keys of the views (A, P, O, ...) are the views' own keyboard handling;
// only the main window's accelerator table is bound here.
const std::initializer_list<Menu> kMenus = {
    {"&Analysis",
     {{ids::kOpenGroup, "&Open Group..."},
      {ids::kGetExternalData, "&Get External Data..."},
      {kSeparator, ""},
      {ids::kNormalize, "&Normalize..."},
      {ids::kModelExpression, "&Model-based Expression..."},
      {kSeparator, ""},
      {ids::kCompareSamples, "&Compare Samples..."},
      {ids::kFilterGenes, "&Filter Genes..."},
      {ids::kHierarchicalClustering, "&Hierarchical Clustering..."},
      {ids::kLdaClassification, "&LDA Classification..."},
      {ids::kAnalysisOfVariance, "&Analysis of Variance..."},
      {kSeparator, ""},
      {ids::kGenome, "G&enome..."},
      {ids::kChromosome, "Ch&romosome..."},
      {ids::kFilterSnps, "Filter &SNPs..."},
      {ids::kPathway, "&Pathway"},
      {kSeparator, ""},
      {ids::kStopAnalysis, "&Stop Analysis\tESC", "Esc"},
      {kSeparator, ""},
      {ids::kEditCopy, "Cop&y\tCtrl+C", "Ctrl+C; Ctrl+Ins"},
      {ids::kSaveLog, "Sa&ve Log..."},
      {kSeparator, ""},
      {ids::kAppExit, "E&xit"}}},
    {"&View",
     {{ids::kNextView, "Next &View\tEnter", "Return; Enter"},
      {ids::kAlternateTwoViews, "&Alternate Two Views"},
      {kSeparator, ""},
      {ids::kFindGene, "&Find Gene...\tCtrl+F", "Ctrl+F"},
      {ids::kFindNext, "Find &Next\tF3", "F3"},
      {ids::kExportImage, "&Export Image...\tCtrl+E", "Ctrl+E"},
      {kSeparator, ""},
      {ids::kOnlineDatabase, "On&line Database...\tCtrl+L"}}},
    {"&Data",
     {{ids::kDataAnimate, "&Animate\tA"},
      {ids::kDataFaster, "&Faster"},
      {ids::kDataSlower, "&Slower"},
      {kSeparator, ""},
      {ids::kDataProbePosition, "Probe &Position\tP"},
      {ids::kDataJumpToPresent, "&Jump to Present"},
      {ids::kDataNextModel, "Next &Model\tM"},
      {ids::kDataOutlierInRange, "Outlier &in Range\tI"},
      {ids::kDataShowAllArray, "Show A&ll Array\tL"}}},
    {"&Image",
     {{ids::kExportCel, "&Export CEL..."},
      {ids::kNormalizationPlot, "&Normalization Plot..."},
      {kSeparator, ""},
      {ids::kImageArrayOutlier, "Array &Outlier\tO"},
      {ids::kImageProbeTogether, "&Probe Together\tP"},
      {ids::kImageScaleCelValue, "Scale &CEL Value..."},
      {kSeparator, ""},
      {ids::kImageGradientCorrection, "&Gradient Correction"},
      {ids::kImageReplaceValue, "&Replace Value"},
      {ids::kImageUndoLast, "&Undo Last"},
      {ids::kImageSaveQvfFile, "&Save QVF File"}}},
    {"&Clustering",
     {{ids::kClusterResampleOnce, "&Resample Once\tR"},
      {ids::kClusterGoToOriginal, "Go to &Original\tESC"},
      {kSeparator, ""},
      {ids::kClusterSaveTreeData, "Save &Tree Data"},
      {ids::kClusterSelectAllGene, "Select &All Gene"},
      {ids::kClusterDeleteSelectedGene, "&Delete Selected Gene"},
      {ids::kClusterExportBranchData, "&Export Branch Data..."},
      {ids::kClusterExportBranchImage, "Export Branch &Image..."},
      {ids::kClusterSampleCorrelation, "Sample &Correlation Matrix"},
      {ids::kClusterColorLegend, "Color &Legend"},
      {ids::kClusterExportSameGene, "Export Same Gene"}}},
    {"Ch&romosome",
     {{ids::kChroShowAll, "Show &All\tA"},
      {ids::kChroProportionalDistance, "&Proportional Distance\tP"},
      {ids::kChroDisplayInferred, "Display &Inferred\tI"},
      {ids::kChroNextDataType, "Next &Data Type\tD"},
      {kSeparator, ""},
      {ids::kChroClustering, "&Clustering...\tC"},
      {ids::kChroPermuteData, "Pe&rmute Data..."},
      {ids::kChroFindGene, "&Find Gene...\tF"},
      {ids::kChroFindNextGene, "Find &Next Gene\tN"},
      {ids::kChroExportSnpData, "&Export SNP Data..."},
      {ids::kChroLinkageAnalysis, "&Linkage Analysis..."},
      {ids::kChroEnu, "EN&U"},
      {ids::kChroRawCopyHistogram, "Histogram of raw copy numbers of the current sample"}}},
    {"&Pathway",
     {{ids::kPathwayOpen, "&Open..."},
      {ids::kPathwaySave, "&Save..."},
      {kSeparator, ""},
      {ids::kPathwayEditNode, "Edit &Node...\tN"},
      {ids::kPathwayEditArrow, "Edit &Arrow...\tA"},
      {kSeparator, ""},
      {ids::kPathwayFilterGenes, "&Filter Genes..."}}},
    {"&Tools",
     {{ids::kArrayListFile, "&Array List File..."},
      {ids::kOptions, "&Options...\tCtrl+O", "Ctrl+O"},
      {kSeparator, ""},
      {ids::kGeneListByAnnotation, "Gene List by &Annotation..."},
      {ids::kGeneListByKeywords, "Gene List by &Keywords..."},
      {ids::kClassifyGenes, "&Classify Genes..."},
      {ids::kMakeInformationFile, "Make &Information File..."},
      {ids::kMoreGeneInformation, "&More Gene Information..."},
      {kSeparator, ""},
      {ids::kExportExpression, "Export &Expression Value..."},
      {ids::kExportProbeSet, "Export &Probe Set..."},
      {kSeparator, ""},
      {ids::kPercentileFiltering, "Percentile &Filtering"},
      {ids::kAdjustBatchEffect, "Adjust &Batch Effect"},
      {kSeparator, ""},
      {ids::kOntoroam, "&Ontoroam..."}}},
    {"&Help",
     {{ids::kHelpWebsite, "&Website"},
      {ids::kHelpManual, "&Manual\tF1", "F1"},
      {ids::kHelpDiscussionGroup, "&Users' Discussion Group"},
      {ids::kHelpLatestVersion, "&Latest Version"},
      {kSeparator, ""},
      {ids::kAppAbout, "&About Zelko"}}},
};

QAction* MakeAction(QObject& parent, int id, const char* text, const char* keys) {
  auto* action = new QAction(QString::fromLatin1(text), &parent);
  action->setObjectName(ControlName(id));
  action->setData(id);
  if (keys != nullptr) {
    QList<QKeySequence> shortcuts;
    for (const QString& key : QString::fromLatin1(keys).split(QLatin1Char(';')))
      shortcuts << QKeySequence(key.trimmed());
    action->setShortcuts(shortcuts);
    action->setShortcutContext(Qt::WindowShortcut);
  }
  return action;
}

}  // namespace

std::map<int, QAction*> BuildMainMenu(QMenuBar& bar, QWidget& owner) {
  std::map<int, QAction*> actions;
  for (const Menu& menu : kMenus) {
    QMenu* popup = bar.addMenu(QString::fromLatin1(menu.title));
    popup->setObjectName(QString::fromLatin1(menu.title).remove(QLatin1Char('&')));
    for (const MenuItem& item : menu.items) {
      if (item.id == kSeparator) {
        popup->addSeparator();
        continue;
      }
      QAction* action = MakeAction(owner, item.id, item.text, item.keys);
      popup->addAction(action);
      // Menus hide their actions' shortcuts from the window unless the window has them.
      owner.addAction(action);
      actions[item.id] = action;
    }
  }
  QAction* direct = MakeAction(owner, ids::kOnlineDatabaseDirect, "Online Database", "Ctrl+L");
  owner.addAction(direct);
  actions[ids::kOnlineDatabaseDirect] = direct;
  return actions;
}
