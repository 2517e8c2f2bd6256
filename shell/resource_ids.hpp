// Command, dialog, control and string ids of the program's resources, and the indices of
// the right-pane views and tree images. Ids keep their historic numbers so that menus,
// dialogs and tests agree; a control's objectName is "c" followed by its id.
#pragma once

namespace ids {

// Resource 128: the main menu, its accelerators and the frame icon.
inline constexpr int kMainResource = 128;

// Analysis menu.
inline constexpr int kOpenGroup = 32771;
inline constexpr int kGetExternalData = 32831;
inline constexpr int kNormalize = 32789;
inline constexpr int kModelExpression = 32773;
inline constexpr int kCompareSamples = 32826;
inline constexpr int kFilterGenes = 32802;
inline constexpr int kHierarchicalClustering = 32794;
inline constexpr int kLdaClassification = 32854;
inline constexpr int kAnalysisOfVariance = 32913;
inline constexpr int kGenome = 32888;
inline constexpr int kChromosome = 32876;
inline constexpr int kFilterSnps = 32937;
inline constexpr int kPathway = 32924;
inline constexpr int kStopAnalysis = 32821;
inline constexpr int kEditCopy = 57634;
inline constexpr int kSaveLog = 57604;
inline constexpr int kAppExit = 57665;

// View menu.
inline constexpr int kNextView = 32875;
inline constexpr int kAlternateTwoViews = 32899;
inline constexpr int kFindGene = 32815;
inline constexpr int kFindNext = 32838;
inline constexpr int kExportImage = 32817;
inline constexpr int kOnlineDatabase = 32908;
// Ctrl+L: straight to the last chosen database when DIRECT_GO_ONLINE_DATABASE is set.
inline constexpr int kOnlineDatabaseDirect = 118;

// Sample scatter view (Delete key): the current sample out of the classification.
inline constexpr int kDeleteSamplePoint = 119;

// Data menu (probe data view).
inline constexpr int kDataAnimate = 32775;
inline constexpr int kDataFaster = 32776;
inline constexpr int kDataSlower = 32777;
inline constexpr int kDataProbePosition = 32791;
inline constexpr int kDataJumpToPresent = 32792;
inline constexpr int kDataNextModel = 32870;
inline constexpr int kDataOutlierInRange = 32874;
inline constexpr int kDataShowAllArray = 32912;

// Image menu.
inline constexpr int kExportCel = 32878;
inline constexpr int kNormalizationPlot = 32858;
inline constexpr int kImageArrayOutlier = 32783;
inline constexpr int kImageProbeTogether = 32903;
inline constexpr int kImageScaleCelValue = 32778;
inline constexpr int kImageGradientCorrection = 32839;
inline constexpr int kImageReplaceValue = 32840;
inline constexpr int kImageUndoLast = 32842;
inline constexpr int kImageSaveQvfFile = 32841;

// Clustering menu (cluster view).
inline constexpr int kClusterResampleOnce = 32795;
inline constexpr int kClusterGoToOriginal = 32798;
inline constexpr int kClusterSaveTreeData = 32822;
inline constexpr int kClusterSelectAllGene = 32833;
inline constexpr int kClusterDeleteSelectedGene = 32832;
inline constexpr int kClusterExportBranchData = 32804;
inline constexpr int kClusterExportBranchImage = 32860;
inline constexpr int kClusterSampleCorrelation = 32918;
inline constexpr int kClusterColorLegend = 32932;
inline constexpr int kClusterExportSameGene = 32936;

// Chromosome menu (chromosome view).
inline constexpr int kChroShowAll = 32891;
inline constexpr int kChroProportionalDistance = 32893;
inline constexpr int kChroDisplayInferred = 32917;
inline constexpr int kChroNextDataType = 32894;
inline constexpr int kChroClustering = 32897;
inline constexpr int kChroPermuteData = 32916;
inline constexpr int kChroFindGene = 32889;
inline constexpr int kChroFindNextGene = 32890;
inline constexpr int kChroExportSnpData = 32887;
inline constexpr int kChroLinkageAnalysis = 32910;
inline constexpr int kChroEnu = 32923;

// Pathway menu.
inline constexpr int kPathwayOpen = 32928;
inline constexpr int kPathwaySave = 32927;
inline constexpr int kPathwayEditNode = 32925;
inline constexpr int kPathwayEditArrow = 32926;
inline constexpr int kPathwayFilterGenes = 32931;

// Tools menu.
inline constexpr int kArrayListFile = 32836;
inline constexpr int kOptions = 32837;
inline constexpr int kGeneListByAnnotation = 32835;
inline constexpr int kGeneListByKeywords = 32850;
inline constexpr int kClassifyGenes = 32859;
inline constexpr int kMakeInformationFile = 32906;
inline constexpr int kMoreGeneInformation = 32865;
inline constexpr int kExportExpression = 32872;
inline constexpr int kExportProbeSet = 32793;
inline constexpr int kPercentileFiltering = 32934;
inline constexpr int kAdjustBatchEffect = 32933;
inline constexpr int kOntoroam = 32904;

// Help menu.
inline constexpr int kHelpWebsite = 32867;
inline constexpr int kHelpManual = 32774;
inline constexpr int kHelpDiscussionGroup = 32938;
inline constexpr int kHelpLatestVersion = 32915;
inline constexpr int kAppAbout = 57664;

// String table: the four state panes of the status bar.
inline constexpr int kIndicatorNormalized = 61204;
inline constexpr int kIndicatorModelled = 61205;
inline constexpr int kIndicatorLogged = 61206;
inline constexpr int kIndicatorAdjusted = 61207;

// Dialogs.
inline constexpr int kAboutDialog = 100;
inline constexpr int kFindGeneDialog = 134;
inline constexpr int kOnlineLinkDialog = 167;
inline constexpr int kOnlineDatabaseDialog = 203;

// Controls.
inline constexpr int kHelpLink = 1085;             // CStaticLink to a manual page
inline constexpr int kAcknowledgementLink = 1205;  // About box: the manual's thanks
inline constexpr int kOptionsButton = 1206;
inline constexpr int kOnlineLinkAddress = 1197;
inline constexpr int kDatabaseLocusLink = 1313;
inline constexpr int kDatabasePortal = 1277;
inline constexpr int kDatabaseGenBank = 1314;
inline constexpr int kDatabaseDbSnp = 1281;
inline constexpr int kCurrentGeneText = 1316;
inline constexpr int kDirectGoCheck = 1230;
inline constexpr int kFindProbeSetName = 1024;
inline constexpr int kFindProbeSetNumber = 1025;
inline constexpr int kFindGeneKeywords = 1026;

// Message-box answers, with the values the dialogs have always returned.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

}  // namespace ids

// The right-pane views by index.
inline constexpr int VIEW_ANALYSIS = 0;
inline constexpr int VIEW_DATA = 1;
inline constexpr int VIEW_CEL = 2;
inline constexpr int VIEW_CLUSTER = 3;
inline constexpr int VIEW_GENOME = 4;
inline constexpr int VIEW_LDA = 5;
inline constexpr int VIEW_R = 6;
inline constexpr int VIEW_SNP = 7;
inline constexpr int VIEW_CHROMOSOME = 8;
inline constexpr int VIEW_PATHWAY = 9;
inline constexpr int VIEW_PLOTS = 10;
inline constexpr int NUM_VIEWS = 11;

// Images of the navigation tree (resource 130); only these indices are fixed.
namespace tree_image {
inline constexpr int kArray = 0;
inline constexpr int kCelImage = 1;
inline constexpr int kAnalysis = 2;
inline constexpr int kProbeData = 3;
inline constexpr int kClustering = 4;
inline constexpr int kOutputTable = 5;
inline constexpr int kOutlierArray = 6;
inline constexpr int kOutputImage = 8;
inline constexpr int kSampleClusterTerm = 9;
inline constexpr int kGenome = 11;
inline constexpr int kLda = 12;
inline constexpr int kRCommand = 14;
inline constexpr int kSnp = 15;
inline constexpr int kChromosome = 16;
inline constexpr int kPathway = 17;
inline constexpr int kPlots = 19;
inline constexpr int kCount = 20;
}  // namespace tree_image
