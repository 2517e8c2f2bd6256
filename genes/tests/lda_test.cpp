// The sample classification on groups with planted classes: discriminant coordinates,
// predictions and probabilities against MASS run by a separate Rscript on the same
// values, principal effects against prcomp up to sign, the result file read back, and
// every way a run can fail leaving no half-filled result.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/r_link.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/services/stat_connector.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/recording_r_link.hpp"
#include "engine/testing/scoped_environment.hpp"
#include "engine/testing/scripted_prompt.hpp"
#include "genes/lda/lda_result.hpp"
#include "genes/lda/lda_result_file.hpp"
#include "genes/lda/lda_run.hpp"
#include "platform/system_error.hpp"
#include "platform/tests/failing_writes.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/planted_sample_classes.hpp"

namespace {

using Table = std::vector<std::vector<double>>;

class LdaTest : public ::testing::Test {
 protected:
  void SetUp() override { StartGroup(mFolder.Path().string()); }
  void TearDown() override {
    TheLdaResult().FreeMatrices();
    TheLdaResult().pca = false;
    Layout = CDF_LAYOUT{};
    GeneList = GENE_LIST{};
    DiscardGroup();
  }

  // The planted group in memory, its gene list, and the told classes given.
  void Install(const synth::PlantedClassTruth& truth) {
    synth::InstallPlantedClusterGroup(truth.group);
    GroupSettings& s = TheGroup().Settings();
    s.MASK_REDUNDANT = 0;
    s.GENE_LIST_FILE = mFolder.Write("genes.txt", synth::PlantedGeneListText(truth.group));
    s.LDA_FILE = mFolder.File("lda result.xls");
    InitLdaResult();
    LDA_RESULT& lda = TheLdaResult();
    lda.classCount = 0;
    for (int j = 0; j < truth.Samples(); ++j) {
      const int k = truth.told[j] ? truth.classOf[j] : -1;
      lda.classOf[static_cast<std::size_t>(j)] = static_cast<float>(k);
      lda.classCount = std::max(lda.classCount, k + 1);
    }
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Runs the script in its own Rscript with the samples x genes values of the truth (as
  // the group holds them) in x and the told classes (0 for none) in g; out.txt is read
  // back as a table.
  Table RunRscript(const synth::PlantedClassTruth& truth, const std::string& body) const {
    std::string values;
    for (int j = 0; j < truth.Samples(); ++j) {
      for (int g = 0; g < truth.group.GeneCount(); ++g) {
        char number[32];
        std::snprintf(number, sizeof number, "%.9g ", truth.group.values[g][j]);
        values += number;
      }
      values += "\n";
    }
    std::string classes;
    for (int j = 0; j < truth.Samples(); ++j)
      classes += std::to_string(truth.told[j] ? truth.classOf[j] + 1 : 0) + "\n";
    mFolder.Write("x.txt", values);
    mFolder.Write("g.txt", classes);
    const std::string out = mFolder.File("out.txt");
    std::remove(out.c_str());
    const std::string script = mFolder.Write(
        "oracle.R",
        "setwd('" + mFolder.Path().string() +
            "')\nx <- as.matrix(read.table('x.txt'))\ng <- scan('g.txt', quiet=TRUE)\n" + body +
            "\nwrite.table(out, 'out.txt', row.names=FALSE, col.names=FALSE)\n");
    const std::string command = "Rscript '" + script + "' > '" + mFolder.File("r.log") + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << Read(mFolder.File("r.log"));
    Table table;
    std::istringstream in(Read(out));
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::vector<double> row;
      for (double v; fields >> v;) row.push_back(v);
      table.push_back(row);
    }
    return table;
  }

  std::string LogText() const {
    std::string text;
    for (const CapturedLine& line : mLog.Lines()) text += line.text + "\n";
    return text;
  }

  platform::testing::TempFolder mFolder;
  CapturedLog mLog;
  RaisedAnalysisRunning mRunning;
};

// The table rows of the full result file, split at tabs.
std::vector<std::vector<std::string>> FileTable(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  const std::size_t header = text.find("Sample\t");
  if (header == std::string::npos) return rows;
  std::istringstream in(text.substr(header));
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    rows.push_back(fields);
  }
  return rows;
}

std::string G(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

TEST_F(LdaTest, DiscriminantsAndPredictionsMatchMassAndTheFileReadsBack) {
  for (int classes = 2; classes <= 5; ++classes) {
    SCOPED_TRACE(classes);
    synth::PlantedClassOptions options;
    options.classes = classes;
    options.samplesPerClass = 7;
    options.unknownPerClass = 2;
    options.genes = 6;
    options.separation = 10.0;
    options.seed = 40 + static_cast<std::uint64_t>(classes);
    const synth::PlantedClassTruth truth = synth::MakePlantedClasses(options);
    Install(truth);
    TheLdaResult().pca = false;
    ASSERT_TRUE(RunLda()) << LogText();
    const LDA_RESULT& lda = TheLdaResult();
    ASSERT_EQ(lda.resultRows, truth.Samples());
    EXPECT_EQ(lda.geneCount, options.genes);

    const int dimen = classes >= 3 ? 2 : 1;
    const Table r = RunRscript(
        truth, "library(MASS)\nfit <- lda(x, g, subset = g != 0)\np <- predict(fit, x, dimen=" +
                   std::to_string(dimen) +
                   ")\nout <- cbind(p$x, as.numeric(as.character(p$class)), "
                   "apply(p$posterior, 1, max))");
    ASSERT_EQ(r.size(), static_cast<std::size_t>(truth.Samples()));
    int known = 0;
    for (int j = 0; j < truth.Samples(); ++j) {
      SCOPED_TRACE(j);
      const float* row = lda.ResultRow(j);
      ASSERT_NE(row, nullptr);
      ASSERT_EQ(r[j].size(), static_cast<std::size_t>(dimen + 2));
      const double scale = 1e-5 * (1.0 + std::fabs(r[j][0]));
      EXPECT_NEAR(row[0], r[j][0], scale);
      if (dimen == 2)
        EXPECT_NEAR(row[1], r[j][1], 1e-5 * (1.0 + std::fabs(r[j][1])));
      else
        EXPECT_EQ(row[1], j + 1) << "one discriminant: the second axis is the sample number";
      EXPECT_EQ(row[2], r[j][dimen]);
      EXPECT_NEAR(row[3], r[j][dimen + 1], 1e-5);
      EXPECT_EQ(row[2], truth.classOf[j] + 1) << "classes well apart are all predicted";
      known += truth.told[j] ? 1 : 0;
    }
    EXPECT_TRUE(mLog.Contains(MessageBuffer(kPredictionRateMessage, 1.0, known, known), kLogBlack));
    EXPECT_TRUE(mLog.Contains("LDA finished}", kLogBlue));

    // The table is the result as written; the classes read back are the ones run.
    const std::string path = TheGroup().Settings().LDA_FILE;
    const auto rows = FileTable(Read(path));
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(truth.Samples()));
    for (int j = 0; j < truth.Samples(); ++j) {
      const float* row = lda.ResultRow(j);
      const std::vector<std::string> expected = {
          SampleGrouping.SampleName(j),
          G(row[0]),
          G(row[1]),
          truth.told[j] ? std::to_string(truth.classOf[j] + 1) : "unknown",
          G(row[2]),
          G(row[3]),
          ""};
      EXPECT_EQ(rows[j], expected) << j;
    }
    const auto classOf = lda.classOf;
    const int classCount = lda.classCount;
    InitLdaResult();
    ASSERT_TRUE(ReadLdaResult(false));
    EXPECT_EQ(TheLdaResult().classCount, classCount);
    EXPECT_EQ(TheLdaResult().classOf, classOf);
    EXPECT_EQ(TheGroup().Settings().GENE_LIST_FILE, mFolder.File("genes.txt"));

    if (classes != 3) continue;
    // Removing every sample of the middle class one by one leaves classes 1 and 3: one
    // discriminant, and predictions named by their class, not by the rank among those left.
    synth::PlantedClassTruth dropped = truth;
    for (int j = 0; j < truth.Samples(); ++j) {
      if (truth.classOf[j] != 1 || !truth.told[j]) continue;
      SampleGrouping.SetCurrentSample(j);
      ASSERT_TRUE(RemoveSampleAndRerun()) << LogText();
      EXPECT_EQ(SampleGrouping.CurrentSample(), -1);
      dropped.told[j] = false;
    }
    const Table left = RunRscript(dropped,
                                  "library(MASS)\nfit <- lda(x, g, subset = g != 0)\np <- "
                                  "predict(fit, x, dimen=1)\nout <- cbind(p$x, "
                                  "as.numeric(as.character(p$class)))");
    ASSERT_EQ(left.size(), static_cast<std::size_t>(truth.Samples()));
    std::set<float> predicted;
    for (int j = 0; j < truth.Samples(); ++j) {
      const float* row = TheLdaResult().ResultRow(j);
      EXPECT_NEAR(row[0], left[j][0], 1e-5 * (1.0 + std::fabs(left[j][0]))) << j;
      EXPECT_EQ(row[1], j + 1);
      EXPECT_EQ(row[2], left[j][1]) << j;
      if (truth.classOf[j] != 1) {
        EXPECT_EQ(row[2], truth.classOf[j] + 1) << j;
      }
      predicted.insert(row[2]);
    }
    EXPECT_EQ(predicted, (std::set<float>{1.0f, 3.0f}));
  }
}

TEST_F(LdaTest, PrincipalEffectsAreThePrincipalComponentsUpToSign) {
  for (int classes : {3, 4}) {
    for (std::uint64_t seed : {7u, 8u}) {
      SCOPED_TRACE(classes * 100 + static_cast<int>(seed));
      const synth::PlantedClassTruth truth = synth::MakePlantedClasses(synth::PlantedClassOptions{
          .classes = classes, .samplesPerClass = 5, .genes = 30, .seed = seed});
      Install(truth);
      TheLdaResult().pca = true;
      ASSERT_TRUE(RunLda()) << LogText();
      const Table r = RunRscript(truth, "out <- prcomp(x)$x[, 1:2]");
      ASSERT_EQ(r.size(), static_cast<std::size_t>(truth.Samples()));
      for (int axis = 0; axis < 2; ++axis) {
        double largest = 0.0;
        double dot = 0.0;
        for (int j = 0; j < truth.Samples(); ++j) {
          largest = std::max(largest, std::fabs(r[j][axis]));
          dot += r[j][axis] * TheLdaResult().ResultRow(j)[axis];
        }
        const double sign = dot < 0 ? -1.0 : 1.0;
        for (int j = 0; j < truth.Samples(); ++j)
          EXPECT_NEAR(sign * TheLdaResult().ResultRow(j)[axis], r[j][axis], 1e-3 * largest)
              << axis << " " << j;
      }
      const auto rows = FileTable(Read(TheGroup().Settings().LDA_FILE));
      ASSERT_EQ(rows.size(), static_cast<std::size_t>(truth.Samples()));
      EXPECT_EQ(rows[0].size(), 5u) << "name, PC1, PC2, class and the closing tab";
      EXPECT_TRUE(mLog.Contains("PCA finished}", kLogBlue));
    }
  }
}

// The result file of a complete run stays until a complete result replaces it. A file that
// cannot be written (full disk, read-only folder) fails the run with a red line giving the
// system's reason and no closing line; a run that R refuses writes nothing at all.
TEST_F(LdaTest, AFailedRunOrWriteLeavesTheEarlierCompleteFile) {
  const synth::PlantedClassTruth truth = synth::MakePlantedClasses(
      synth::PlantedClassOptions{.classes = 3, .samplesPerClass = 4, .genes = 5});
  Install(truth);
  TheLdaResult().pca = true;
  ASSERT_TRUE(RunLda()) << LogText();
  const std::string path = TheGroup().Settings().LDA_FILE;
  const std::string complete = Read(path);
  ASSERT_EQ(FileTable(complete).size(), static_cast<std::size_t>(truth.Samples()));

  for (const platform::testing::WriteFailureCase& failure : platform::testing::kWriteFailureCases) {
    SCOPED_TRACE(failure.what);
    Install(truth);
    TheLdaResult().pca = true;
    mLog.Clear();
    {
      const platform::testing::FailingWrites failing(failure);
      EXPECT_FALSE(RunLda());
    }
    EXPECT_TRUE(mLog.ContainsRed("Writing file '" + path + "' failed"));
    EXPECT_TRUE(mLog.ContainsRed(platform::SystemErrorText(failure.error)));
    EXPECT_FALSE(mLog.Contains("PCA finished}", kLogBlue));
    EXPECT_EQ(Read(path), complete);
  }

  // R's own refusal: a gene constant within the classes.
  synth::PlantedClassTruth constant = truth;
  for (double& v : constant.group.values[2]) v = 5.0;
  Install(constant);
  TheLdaResult().pca = false;
  ASSERT_TRUE(RConnection().StartR(false)) << "R is installed with the project's packages";
  mLog.Clear();
  EXPECT_FALSE(RunLda());
  EXPECT_TRUE(mLog.ContainsRed("R error:"));
  EXPECT_EQ(Read(path), complete) << "the earlier result is not replaced by a header";
}

TEST_F(LdaTest, TheGeneLimitIsBelowTwoThousand) {
  for (int genes : {2000, 1999}) {
    Install(synth::MakePlantedClasses(
        synth::PlantedClassOptions{.classes = 2, .samplesPerClass = 2, .genes = genes}));
    mLog.Clear();
    EXPECT_EQ(GatherLdaData(), genes < kMaxLdaGenes) << genes;
    EXPECT_EQ(mLog.ContainsRed("cannot handle more than 2000 genes"), genes >= kMaxLdaGenes);
    EXPECT_EQ(TheLdaResult().data.size(), genes < kMaxLdaGenes ? 4u * genes : 0u);
  }
}

// Each failure: its red line, false, and neither data nor result left behind.
TEST_F(LdaTest, FailuresLeaveNoHalfFilledResult) {
  synth::PlantedClassTruth truth = synth::MakePlantedClasses(synth::PlantedClassOptions{
      .classes = 3, .samplesPerClass = 4, .genes = 5, .unknownPerClass = 1});
  const auto expectNothingLeft = [](const char* what) {
    EXPECT_EQ(TheLdaResult().resultRows, 0) << what;
    EXPECT_TRUE(TheLdaResult().result.empty()) << what;
    EXPECT_TRUE(TheLdaResult().data.empty()) << what;
    EXPECT_EQ(TheLdaResult().ResultRow(0), nullptr) << what;
  };

  {
    // R's own error: a gene constant within the classes.
    synth::PlantedClassTruth constant = truth;
    for (double& v : constant.group.values[2]) v = 5.0;
    Install(constant);
    ASSERT_TRUE(RConnection().StartR(false)) << "R is installed with the project's packages";
    EXPECT_FALSE(RunLda());
    EXPECT_TRUE(mLog.ContainsRed("R error:"));
    EXPECT_TRUE(mLog.ContainsRed("constant within groups"));
    expectNothingLeft("R error");
    EXPECT_TRUE(FileTable(Read(TheGroup().Settings().LDA_FILE)).empty())
        << "the full file is not written";
  }

  {
    synth::PlantedClassTruth holed = truth;
    holed.group.values[3][4] = MISSING_VALUE;
    Install(holed);
    EXPECT_FALSE(RunLda());
    EXPECT_TRUE(mLog.ContainsRed("Error: missing data point"));
    expectNothingLeft("missing value");
  }

  Install(truth);
  {
    // R missing from PATH: the start message, nothing sent, nothing kept.
    platform::testing::TempFolder emptyFolder;
    ScopedEnvironment noR("PATH", emptyFolder.Path().string());
    ScriptedPrompt prompt;
    CStatConnector fresh;
    RLink* previous = SetRLink(&fresh);
    EXPECT_FALSE(RunLda());
    SetRLink(previous);
    ASSERT_EQ(prompt.prompts.size(), 1u);
    EXPECT_EQ(prompt.prompts[0].text, kCouldNotStartRMessage);
    expectNothingLeft("no R");
  }

  RecordingRLink fake;
  // Classes the run cannot use are refused before anything reaches R.
  const struct {
    float classValue;
    int classCount;
    const char* message;
  } badClasses[] = {
      {7.0f, 3, "which is not one of the 3 classes"},
      {0.5f, 3, "which is not one of the 3 classes"},
      {-2.0f, 3, "which is not one of the 3 classes"},
      {0.0f, 40, "40 classes cannot be told apart in 12 samples"},
  };
  for (const auto& bad : badClasses) {
    Install(truth);
    TheLdaResult().classOf[3] = bad.classValue;
    TheLdaResult().classCount = bad.classCount;
    mLog.Clear();
    EXPECT_FALSE(RunLda()) << bad.message;
    EXPECT_TRUE(mLog.ContainsRed(bad.message)) << bad.message;
    expectNothingLeft(bad.message);
  }
  Install(truth);
  for (int j = 0; j < truth.Samples(); ++j)
    if (TheLdaResult().ClassOf(j) > 0) TheLdaResult().classOf[static_cast<std::size_t>(j)] = -1;
  EXPECT_FALSE(RunLda());
  EXPECT_TRUE(mLog.ContainsRed(kTooFewLdaClassesMessage));
  EXPECT_TRUE(fake.commands.empty()) << fake.commands.front();

  // What R hands back is checked for its size and values before it is used.
  const int n = truth.Samples();
  RMatrix good(n, 4);
  for (int j = 0; j < n; ++j) {
    good.At(j, 0) = j;
    good.At(j, 1) = -j;
    good.At(j, 2) = 1 + j % 3;
    good.At(j, 3) = 0.9;
  }
  const auto answer = [&](int rows, int cols, const RMatrix& result) {
    RMatrix dim(2, 1);
    dim.At(0, 0) = rows;
    dim.At(1, 0) = cols;
    fake.variables.insert_or_assign("zelko.dim", dim);
    fake.variables.insert_or_assign("zelko.result", result);
  };
  RMatrix bigger(n + 1, 5);
  for (int j = 0; j < n; ++j)
    for (int c = 0; c < 4; ++c) bigger.At(j, c) = good.At(j, c);
  RMatrix badClass = good;
  badClass.At(4, 2) = 4;
  RMatrix badProbability = good;
  badProbability.At(2, 3) = std::nan("");
  const struct {
    int rows, cols;
    const RMatrix* result;
    const char* message;
  } answers[] = {
      {n + 1, 5, &bigger, "R gave a 13 x 5 result where 12 x 4 was asked for"},
      {n, 3, &good, "R gave a 12 x 3 result"},
      {n, 4, &badClass, "impossible result for sample 5"},
      {n, 4, &badProbability, "impossible result for sample 3"},
  };
  for (const auto& a : answers) {
    Install(truth);
    answer(a.rows, a.cols, *a.result);
    mLog.Clear();
    EXPECT_FALSE(RunLda()) << a.message;
    EXPECT_TRUE(mLog.ContainsRed(a.message)) << a.message;
    expectNothingLeft(a.message);
  }
  Install(truth);
  answer(n, 4, good);
  ASSERT_TRUE(RunLda()) << "the same answer of the right size is taken";
  EXPECT_EQ(TheLdaResult().ResultRow(5)[1], -5.0f);
  EXPECT_EQ(AnalysisRunning, 1) << "the caller's analysis is still marked running after "
                                   "the gathering, so its R statements can be stopped";
}

// Names reach R only as data: a sample name that would be code if pasted into a statement
// is just the row's name, and probe set names that R cannot use as names are made valid
// and unique as R itself makes them.
TEST_F(LdaTest, SampleAndGeneNamesReachROnlyAsData) {
  synth::PlantedClassTruth truth = synth::MakePlantedClasses(synth::PlantedClassOptions{
      .classes = 3, .samplesPerClass = 5, .genes = 6, .separation = 10.0});
  const std::vector<std::string> samples = {
      "x\"); system(\"touch pwned\"); (\"",
      "back\\slash\t'quote' # not a comment\nsecond line",
      "sample ` backtick",
  };
  for (std::size_t k = 0; k < samples.size(); ++k) truth.group.sampleNames[k] = samples[k];
  const std::vector<std::string> genes = {"1000_at", "if", "x.y", "x-y", "_under", "ok"};
  const std::vector<std::string> rNames = {"X1000_at", "if.", "x.y", "x.y.1", "X_under", "ok"};
  truth.group.geneNames = genes;
  Install(truth);
  TheLdaResult().pca = false;
  ASSERT_TRUE(RunLda()) << LogText();

  // R's own reading of a text, as its character codes, so no quoting of ours is involved.
  RLink& r = RConnection();
  const auto textInR = [&r](const std::string& expression) {
    const std::string codes = "utf8ToInt(" + expression + ")";
    EXPECT_TRUE(
        r.ExecuteCommand("zelko.codes <- matrix(c(length(" + codes + "), " + codes + "), ncol=1)"));
    RMatrix count(1, 1);
    EXPECT_TRUE(r.GetMatrix("zelko.codes", count));
    RMatrix all(1 + static_cast<int>(count.At(0, 0)), 1);
    EXPECT_TRUE(r.GetMatrix("zelko.codes", all));
    std::string text;
    for (int k = 1; k < all.rows; ++k) text.push_back(static_cast<char>(all.At(k, 0)));
    return text;
  };
  for (std::size_t k = 0; k < samples.size(); ++k)
    EXPECT_EQ(textInR("rownames(zelko)[" + std::to_string(k + 1) + "]"), samples[k]);
  EXPECT_EQ(textInR("rownames(zelko)[4]"), "sample3");
  std::string joined;
  for (const std::string& name : rNames) joined += (joined.empty() ? "" : ",") + name;
  EXPECT_EQ(textInR("paste(colnames(zelko), collapse=',')"), joined);

  ASSERT_TRUE(r.ExecuteCommand("zelko.pwned <- matrix(as.numeric(file.exists('pwned')))"));
  RMatrix pwned(1, 1);
  ASSERT_TRUE(r.GetMatrix("zelko.pwned", pwned));
  EXPECT_EQ(pwned.At(0, 0), 0.0) << "the name ran as code in R";
  EXPECT_FALSE(std::filesystem::exists("pwned"));
  EXPECT_EQ(FileTable(Read(TheGroup().Settings().LDA_FILE))[0][0], samples[0]);
}

TEST_F(LdaTest, ClassEditingAndTheHeaderPartOfTheFile) {
  Install(synth::MakePlantedClasses(
      synth::PlantedClassOptions{.classes = 2, .samplesPerClass = 3, .genes = 3}));
  InitLdaResult();
  EXPECT_FALSE(SamplesHaveClass("1,2,3,4,5,6"));
  EXPECT_TRUE(AssignClass(0, "2,5,99,0,x"));
  EXPECT_FALSE(AssignClass(3, "1")) << "only the next class is added";
  EXPECT_TRUE(AssignClass(1, "1,6"));
  EXPECT_TRUE(SamplesHaveClass("3,6"));
  EXPECT_FALSE(SamplesHaveClass("3,4,99"));
  TheGroup().Settings().ARRAY_LIST_FILE = "";
  EXPECT_EQ(LdaResultFileText(false),
            "ARRAY_LIST_FILE=\nGENE_LIST_FILE=" + mFolder.File("genes.txt") +
                "\n\nNUM_GROUP=2\nCLASS_ID=2 1 0 0 1 2 \nCLASS1=2,5,\nCLASS2=1,6,\n\n");
  RemoveClass(0);
  EXPECT_EQ(TheLdaResult().classCount, 1);
  EXPECT_EQ(TheLdaResult().ClassOf(1), -1);
  EXPECT_EQ(TheLdaResult().ClassOf(5), 1);

  // A result file with a class outside its count changes no class, and neither the
  // array list nor the gene list it names is taken.
  const auto before = TheLdaResult().classOf;
  TheGroup().Settings().ARRAY_LIST_FILE = "kept arrays.txt";
  TheGroup().Settings().LDA_FILE = mFolder.Write(
      "bad.xls", "ARRAY_LIST_FILE=other.txt\nGENE_LIST_FILE=g\n\nNUM_GROUP=1\nCLASS_ID=1 3 0\n");
  EXPECT_FALSE(ReadLdaResult(true));
  EXPECT_TRUE(mLog.ContainsRed("is not valid"));
  EXPECT_EQ(TheLdaResult().classOf, before);
  EXPECT_EQ(TheGroup().Settings().ARRAY_LIST_FILE, "kept arrays.txt");
  EXPECT_EQ(TheGroup().Settings().GENE_LIST_FILE, mFolder.File("genes.txt"));
  EXPECT_EQ(SampleGrouping.SampleCount(), 6);
  TheGroup().Settings().LDA_FILE = mFolder.File("absent.xls");
  mLog.Clear();
  EXPECT_FALSE(ReadLdaResult(true));
  EXPECT_EQ(mLog.CountInColour(kLogRed), 0) << "quiet";
  EXPECT_FALSE(ReadLdaResult(false));
  EXPECT_TRUE(mLog.ContainsRed("not found"));

  // Colours: the table's four, then the generated ones, for any class.
  EXPECT_EQ(LdaClassColour(1), 0x0000FFu);
  EXPECT_EQ(LdaClassColour(4), RGB(118, 182, 129));
  EXPECT_EQ(LdaClassColour(9), RGB(203, 142, 74));
  EXPECT_EQ(TheLdaResult().colours[9], LdaClassColour(9));
  EXPECT_NE(LdaClassColour(10), LdaClassColour(9));
}

}  // namespace
