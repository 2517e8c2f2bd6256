// The expression data file: the selected samples' values, calls and standard errors of
// the open group as a tab-separated table (or the "#1.2" table form with its ".cls" class
// file), written by Tools/Export Expression Value.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/jobs/export_gene_columns.hpp"

inline constexpr const char* kExpressionWriteFailedMessage =
    "  Writing data file %s  failed. Possibly the file is open in Excel or wrong directory name\n";
inline constexpr const char* kExpressionFileHeading = "[Zelko Expression Data File]";
inline constexpr const char* kExpressionDataHeading = "[Data]";
inline constexpr const char* kGctFirstLine = "#1.2";

// Writes the table of the samples selected in the sample grouping to path, under the
// export options of the group settings and the run-time append choice. The file appears
// (or grows) only when it is complete: on any failure the old file is kept, the reason is
// logged in red and nothing is registered. A written file is registered as an output.
[[nodiscard]] bool WriteExpressionData(const std::string& path);

// The data rows of one export: the options and the selected samples taken once, and one
// reused line that each row is formatted into before it goes to the stream whole.
class ExpressionRows {
 public:
  // Takes the options from the group settings, the samples from the sample grouping's
  // selection and the gene columns from the installed gene information.
  ExpressionRows();

  // The column titles line.
  void WriteColumnTitles(std::ostream& stream);
  // One data row of the probe set.
  void WriteExpressionRow(std::ostream& stream, int unit);
  // The same row appended to text; several threads may append rows at once, each to its
  // own text, while nothing changes the group.
  void AppendRow(std::string& text, int unit) const;

 private:
  void AppendGeneColumns(std::string& text, int unit, bool last) const;

  bool mHasBoth = false;
  bool mHasStd = false;
  bool mGct = false;
  bool mNameLast = false;
  bool mOutputAcc = false;
  bool mLocusLinkName = false;
  bool mSnp = false;
  bool mSnpWithoutValues = false;
  ExportGeneSource mGenes;
  std::vector<int> mSamples;
  std::string mLine;
};
