// The steps of a sample classification run: gathering the gene list's values of every
// sample, the discriminant analysis in R, and the two principal effects of the samples.
#pragma once

#include <string_view>
#include <vector>

inline constexpr const char* kTooManyLdaGenesMessage =
    "  Error: cannot handle more than 2000 genes\n";
// Our own: the class table holds this many samples.
inline constexpr const char* kTooManyLdaSamplesMessage =
    "  Error: cannot handle more than 1000 samples\n";
inline constexpr const char* kLdaAllocationMessage =
    "    lda.cpp: Allocating memory for \"Data\" failed";
inline constexpr const char* kObtainingLdaDataMessage =
    "  Obtaining data for %d genes and %d samples...";
inline constexpr const char* kLdaGeneCounterMessage = "    Gene %d";
inline constexpr const char* kLdaMissingValueMessage =
    "    Error: missing data point; Uncheck 'Tools/Options/Analysis/Treat outlier expression "
    "as missing values'";
inline constexpr int kLdaGeneCounterStep = 50;
// Our own: a discriminant needs samples of two classes at least.
inline constexpr const char* kTooFewLdaClassesMessage =
    "  Error: LDA needs samples of at least 2 classes\n";
// Our own, with R's text: a statement R refused.
inline constexpr const char* kLdaRErrorMessage = "  R error: %s\n";
// Our own: what R handed back is not the result asked for.
inline constexpr const char* kLdaResultSizeMessage =
    "  Error: R gave a %d x %d result where %d x 4 was asked for\n";
inline constexpr const char* kLdaResultValueMessage =
    "  Error: R gave an impossible result for sample %d\n";
inline constexpr const char* kObtainingPcaMessage = "  Obtaining principle component of samples...";
inline constexpr const char* kPcaFinishedMessage = "    Principal Componebt Analyisis Finished\n";
inline constexpr const char* kPcaNotCompletedMessage = "    PCA not completed\n";

// Fills the data of TheLdaResult() (samples x genes) with the values of the gene list's
// probe sets in chip order. False after a red line, with the matrices freed.
bool GatherLdaData();

// The R statements of the discriminant analysis for this many classes with samples: the
// training, the prediction and its plot, and zelko.result, samples x 4.
std::vector<std::string_view> LdaRStatements(int occupiedClasses);

// The discriminant analysis of the gathered data in R; fills the result. False after a
// red line, with the result left empty.
bool RunLdaInR();

// The first two principal effects of the samples from the two-way matrix fit; fills the
// result. False after a red line, with the result left empty.
bool RunPca();
