// Tools/Make Information File: the dialog's choices follow the CSV file chosen
// (an annotation file makes gene or genome information, an ortholog file only a
// pair file named after both chip types), a file that is no CSV of the array
// maker leaves them as they were, and the command runs the import on the common
// road.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <QDialogButtonBox>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "genes/annotation/annotation_import.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/annotation/info_file_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/output_files.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "tools/synth/annotation_data.hpp"

namespace {

// What the dialog shows of the record's choices, compared in one go.
struct Shown {
  std::string arrayType;
  std::string output;  // the output file's name
  int type;
  bool geneTicked;
  bool genomeTicked;
  bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& shown, std::ostream* out) {
  *out << shown.arrayType << " | " << shown.output << " | type " << shown.type << " | "
       << shown.geneTicked << shown.genomeTicked;
}

class InformationFileTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    prompts.onMessage = [this](std::string_view text) { messages.emplace_back(text); };
    for (int i = 0; i < 40; ++i) probeSets.push_back("P" + std::to_string(i) + "_at");
    synth::AnnotationOptions options;
    options.seed = 35;
    options.chipType = "AnnoChip";
    annotationTruth = synth::MakeAnnotation(probeSets, kTerms, options);
    ASSERT_TRUE(synth::WriteTextFile(annotation, annotationTruth.text));
    synth::OrthologOptions pairOptions;
    pairOptions.chipType = "OrthoChip";
    orthologTruth = synth::MakeOrthologs(probeSets, pairOptions);
    ASSERT_TRUE(synth::WriteTextFile(ortholog, orthologTruth.text));
    std::ofstream(notCsv, std::ios::binary) << "Probe Set Name\tIdentifier\n1000_at\tX1\n";
  }

  Shown Now(QDialog& dialog, const ANNOT_IMPORT& record) {
    EXPECT_EQ(Control<QPushButton>(dialog, InfoFileDialog::kOutputFile)->text().toStdString(),
              record.outputPath);
    return {Control<QLabel>(dialog, InfoFileDialog::kArrayType)->text().toStdString(),
            platform::FileName(record.outputPath), record.type,
            Control<QRadioButton>(dialog, InfoFileDialog::kGeneInfoRadio)->isChecked(),
            Control<QRadioButton>(dialog, InfoFileDialog::kGenomeInfoRadio)->isChecked()};
  }

  void Choose(QDialog& dialog, const std::string& path) {
    prompts.fileAnswers = {path};
    compare_events::Click(*Control<QPushButton>(dialog, InfoFileDialog::kCsvFile));
  }

  inline static const std::vector<synth::AnnotationTerm> kTerms = {
      {"0000001", "alpha process"}, {"0000002", "beta binding"}, {"0000003", "gamma part"}};
  std::vector<std::string> probeSets;
  synth::AnnotationTruth annotationTruth;
  synth::OrthologTruth orthologTruth;
  std::string annotation = File("anno.csv");
  std::string ortholog = File("ortho.csv");
  std::string notCsv = File("gene info.xls");
  std::vector<std::string> messages;
};

TEST_F(InformationFileTest, TheChoicesFollowTheKindOfCsvFileChosen) {
  ANNOT_IMPORT record;
  record.otherArrayType = "MouseChip";
  InfoFileDialog dialog(record, nullptr);
  dialog.show();
  using S = Shown;
  EXPECT_EQ(Now(dialog, record), (S{"Annotation CSV file for 'Chip type' array",
                                    "Chip type gene info.xls", 0, true, false}));

  Choose(dialog, annotation);
  ASSERT_FALSE(prompts.prompts.empty());
  const FileDialogRequest& request = prompts.prompts.back().request;
  EXPECT_TRUE(request.open);
  EXPECT_EQ(request.defaultExtension, "csv");
  EXPECT_EQ(request.filter, InfoFileDialog::kCsvFilter);
  EXPECT_EQ(platform::ParentFolder(record.outputPath), Folder());
  EXPECT_EQ(Now(dialog, record), (S{"Annotation CSV file for 'AnnoChip' array",
                                    "AnnoChip gene info.xls", 0, true, false}));
  compare_events::Click(*Control<QRadioButton>(dialog, InfoFileDialog::kGenomeInfoRadio));
  const S genome{"Annotation CSV file for 'AnnoChip' array", "AnnoChip genome info.xls", 1, false,
                 true};
  EXPECT_EQ(Now(dialog, record), genome);

  // Not a CSV of the array maker: the message, and the choices as they were.
  Choose(dialog, notCsv);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Reading file '" + notCsv +
                             "' failed or this is not a Nelquad Annotation or Ortholog CSV file");
  EXPECT_EQ(Now(dialog, record), genome);
  EXPECT_EQ(record.chipType, "AnnoChip");

  // An ortholog file makes a pair file; the radio buttons change nothing.
  Choose(dialog, ortholog);
  const S pairs{"Ortholog CSV file for 'OrthoChip' array", "common OrthoChip_MouseChip.xls", 2,
                false, true};
  EXPECT_EQ(Now(dialog, record), pairs);
  for (int id : {InfoFileDialog::kGeneInfoRadio, InfoFileDialog::kGenomeInfoRadio}) {
    compare_events::Click(*Control<QRadioButton>(dialog, id));
    EXPECT_EQ(Now(dialog, record), pairs) << id;
  }
  // The second array type goes into the pair file's name as it is typed.
  compare_events::Type(*Control<QLineEdit>(dialog, InfoFileDialog::kOtherArrayType), "RatChip");
  EXPECT_EQ(record.otherArrayType, "RatChip");
  EXPECT_EQ(Now(dialog, record).output, "common OrthoChip_RatChip.xls");

  // Back to an annotation file: a pair file falls back to gene information.
  Choose(dialog, annotation);
  EXPECT_EQ(Now(dialog, record), (S{"Annotation CSV file for 'AnnoChip' array",
                                    "AnnoChip gene info.xls", 0, true, false}));
  EXPECT_EQ(messages.size(), 1u);
  CheckScreenshot(dialog, "info_file_dialog.png",
                  QStringLiteral("Annotation CSV file for 'AnnoChip' array"));
}

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Registered(const std::string& path) {
  const std::vector<std::string>& files = OutputFiles().paths;
  return std::find(files.begin(), files.end(), path) != files.end();
}

TEST_F(InformationFileTest, TheCommandRunsTheImportOnTheCommonRoad) {
  const synth::AnnotationTruth& truth = annotationTruth;
  GroupSettings& settings = TheGroup().Settings();
  settings.VOSK_ANNOT_FILE = annotation;
  settings.GENE_ONTOLOGY_FILE = "";
  AnnotImport.type = kGeneInfoFileType;
  CMainFrame& frame = OpenFrame();
  frame.UpdateCommandUi();
  ASSERT_TRUE(frame.Action(ids::kMakeInformationFile)->isEnabled());

  std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kMakeInformationFile));
  EXPECT_EQ(LogLines().size(), before) << "a cancelled dialog leaves no block";

  const char* otherArrayType = nullptr;
  prompts.dialogAnswer = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(Control<QPushButton>(dialog, InfoFileDialog::kCsvFile)->text().toStdString(),
              settings.VOSK_ANNOT_FILE);
    EXPECT_EQ(Control<QPushButton>(dialog, InfoFileDialog::kOntologyFile)->text(),
              QStringLiteral("None"));
    if (otherArrayType != nullptr)
      compare_events::Type(*Control<QLineEdit>(dialog, InfoFileDialog::kOtherArrayType),
                           otherArrayType);
    compare_events::Click(*dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
    return dialog.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kMakeInformationFile));
  const std::string output = platform::JoinPath(Folder(), truth.chipType + " gene info.xls");
  std::vector<std::string> lines = LogLines();
  ASSERT_GT(lines.size(), before + 2);
  EXPECT_EQ(lines[before], "{Make Zelko information file");
  EXPECT_EQ(LineColour(static_cast<int>(before)), QColor(0, 0, 255));
  EXPECT_EQ(lines[lines.size() - 2], "Finished}") << "then an empty line";
  EXPECT_EQ(AnalysisRunning, 0);
  EXPECT_TRUE(Registered(output));
  EXPECT_EQ(settings.VOSK_ANNOT_FILE, annotation);
  EXPECT_EQ(settings.GENE_ONTOLOGY_FILE, "None");
  const std::vector<std::string> rows = FileLines(output);
  ASSERT_EQ(rows.size(), truth.probeSets.size() + 1);
  EXPECT_EQ(rows[0],
            "Probe Set Name\tIdentifier\tLocusLink\tName\tGene Ontology.xls\tProtein "
            "Domain.xls\tPathway\tChromosome\tDescription");
  for (std::size_t i = 0; i < truth.probeSets.size(); ++i) {
    const synth::AnnotationProbeSet& planted = truth.probeSets[i];
    EXPECT_EQ(
        rows[i + 1].rfind(
            planted.probeSet + "\t" + planted.identifier + "\t" + planted.locusLink + "\t", 0),
        0u)
        << rows[i + 1];
  }

  // A pair file for a second array type no row names: the import fails in red, the block
  // closes all the same, and nothing is registered.
  settings.VOSK_ANNOT_FILE = ortholog;
  otherArrayType = "NoSuchChip";
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kMakeInformationFile));
  lines = LogLines();
  ASSERT_GT(lines.size(), before + 2);
  EXPECT_EQ(lines[before], "{Make Zelko information file");
  EXPECT_EQ(lines[lines.size() - 2], "Finished}") << "then an empty line";
  const auto refusal = std::find_if(lines.begin() + static_cast<std::ptrdiff_t>(before),
                                    lines.end(), [](const std::string& line) {
                                      return line.find("Found no orthologous") != std::string::npos;
                                    });
  ASSERT_NE(refusal, lines.end());
  EXPECT_EQ(LineColour(static_cast<int>(refusal - lines.begin())), QColor(255, 0, 0));
  const std::string pairFile = platform::JoinPath(Folder(), "common OrthoChip_NoSuchChip.xls");
  EXPECT_EQ(AnnotImport.outputPath, pairFile);
  EXPECT_FALSE(Registered(pairFile));
  EXPECT_FALSE(std::filesystem::exists(pairFile));
}

}  // namespace
