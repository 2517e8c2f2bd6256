#include "tools/libgen/assay_files.hpp"

#include "tools/libgen/record_lines.hpp"

namespace libgen {

std::vector<AssayProtocolStep> StandardAssaySteps() {
  return {{"Expr3", "Hyb_640", "1", "Hybridize 16 h at 45 C"},
          {"Expr3", "Hyb_640", "2", "Wash with buffer A"},
          {"Geno2", "Hyb_45", "1", "Denature at 95 C"},
          {"Geno2", "Hyb_45", "2", ""},
          {"Geno2", "Hyb_45", "3", "Stain, then scan"}};
}

std::string AssayProtocolText(const std::vector<AssayProtocolStep>& steps, int blankEvery) {
  std::vector<std::vector<std::string>> records;
  for (const AssayProtocolStep& step : steps)
    records.push_back({step.assay, step.protocol, step.stepNumber, step.text});
  return RecordLinesText(records, blankEvery);
}

}  // namespace libgen
