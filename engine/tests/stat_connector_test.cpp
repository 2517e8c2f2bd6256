// The R connection against the real R: numbers crossing in binary both ways, R's errors
// and printed output reaching the program, windows() drawing into a file, a dead R, and
// R missing from PATH. One R serves the suite where a test needs no fresh one.
#include "engine/services/stat_connector.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/testing/scoped_environment.hpp"
#include "engine/testing/scripted_prompt.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

class StatConnectorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sR = new CStatConnector();
    sR->AttachOutputDevice([](std::string_view text) { sPrinted.append(text); });
  }
  static void TearDownTestSuite() {
    delete sR;
    sR = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(sR->StartR(true)) << "R is installed with the project's packages";
    sPrinted.clear();
  }

  static CStatConnector* sR;
  static std::string sPrinted;
};

CStatConnector* StatConnectorTest::sR = nullptr;
std::string StatConnectorTest::sPrinted;

TEST_F(StatConnectorTest, VectorsAndMatricesReachRInShapeAndComeBackBitForBit) {
  // Floats widened on the way in, and doubles no printed form of 15 digits keeps.
  const std::vector<float> floats = {0.1f, -3.25f, 1.0e-30f};
  const std::vector<double> column(floats.begin(), floats.end());
  ASSERT_TRUE(sR->SetVector("v", column));
  ASSERT_TRUE(sR->ExecuteCommand("stopifnot(identical(dim(v), c(3L, 1L)), is.double(v))"));

  RMatrix matrix(2, 3);
  const double values[] = {1.0 / 3.0, -0.0,  5e-324, std::numeric_limits<double>::max(),
                           0.1 + 0.2, -1e300};
  matrix.values.assign(std::begin(values), std::end(values));
  ASSERT_TRUE(sR->SetMatrix("m", matrix));
  ASSERT_TRUE(sR->ExecuteCommand("stopifnot(identical(dim(m), c(2L, 3L)), m[1, 2] == 0)"));
  ASSERT_TRUE(sR->ExecuteCommand("stopifnot(m[2, 1] == .Machine$double.xmax)"))
      << "element (1, 0) of the program is row 2, column 1 in R";

  RMatrix back(2, 3);
  ASSERT_TRUE(sR->GetMatrix("m", back));
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(std::memcmp(&back.values[i], &values[i], sizeof(double)), 0) << "element " << i;

  RMatrix narrowed(3, 1);
  ASSERT_TRUE(sR->GetMatrix("v", narrowed));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<float>(narrowed.At(i, 0)), floats[i]);
}

TEST_F(StatConnectorTest, ResultsComputedInRAreReadAsTheirLeadingBlock) {
  ASSERT_TRUE(sR->ExecuteCommand("r <- matrix(c(1, 2, 3, 4, 5, 6) / 3, nrow = 2, byrow = TRUE)"));
  ASSERT_TRUE(sR->ExecuteCommand("s <- sqrt(2)"));
  RMatrix whole(2, 3);
  ASSERT_TRUE(sR->GetMatrix("r", whole));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(whole.values[i], (i + 1) / 3.0) << "element " << i;

  RMatrix block(1, 2);
  ASSERT_TRUE(sR->GetMatrix("r", block));
  EXPECT_EQ(block.values, (std::vector<double>{1 / 3.0, 2 / 3.0}));

  RMatrix scalar(1, 1);
  ASSERT_TRUE(sR->GetMatrix("s", scalar)) << "a plain vector reads as one column";
  EXPECT_EQ(scalar.At(0, 0), std::sqrt(2.0));
  EXPECT_EQ(static_cast<float>(scalar.At(0, 0)), std::sqrt(2.0f));

  RMatrix tooTall(3, 3);
  const RReply tall = sR->GetMatrix("r", tooTall);
  EXPECT_FALSE(tall);
  EXPECT_EQ(tall.error, "subscript out of bounds");
  RMatrix tooWide(1, 4);
  EXPECT_FALSE(sR->GetMatrix("r", tooWide));
  RMatrix empty(0, 0);
  EXPECT_TRUE(sR->GetMatrix("r", empty));
  EXPECT_TRUE(empty.values.empty());
}

TEST_F(StatConnectorTest, RErrorsReachTheCallerAndTheWorkspaceLivesOn) {
  ASSERT_TRUE(sR->ExecuteCommand("kept <- 7"));
  const RReply stopped = sR->ExecuteCommand("if (kept > 1) stop(\"too few arrays\")");
  EXPECT_FALSE(stopped);
  EXPECT_EQ(stopped.error, "too few arrays");

  RMatrix value(1, 1);
  const RReply missing = sR->GetMatrix("notThere", value);
  EXPECT_FALSE(missing);
  EXPECT_EQ(missing.error, "object 'notThere' not found");
  ASSERT_TRUE(sR->ExecuteCommand("words <- c(\"a\", \"b\")"));
  EXPECT_EQ(sR->GetMatrix("words", value).error, "'words' is not numeric");
  EXPECT_FALSE(sR->ExecuteCommand("kept <- (")) << "a statement R cannot parse";

  RMatrix ragged(2, 2);
  ragged.values.pop_back();
  EXPECT_FALSE(sR->SetMatrix("ragged", ragged));

  // None of it cost the workspace: the same R goes on.
  ASSERT_TRUE(sR->GetMatrix("kept", value));
  EXPECT_EQ(value.At(0, 0), 7.0);
  ScriptedPrompt prompt;
  EXPECT_TRUE(sR->StartR(true));
  EXPECT_TRUE(prompt.prompts.empty());
  ASSERT_TRUE(sR->GetMatrix("kept", value)) << "a second start starts no fresh R";
}

TEST_F(StatConnectorTest, PrintedOutputGoesToTheAttachedDevice) {
  ASSERT_TRUE(sR->ExecuteCommand("print(matrix(1:4, 2)); cat('summary line\\n')"));
  EXPECT_NE(sPrinted.find("[1,]    1    3"), std::string::npos) << sPrinted;
  EXPECT_NE(sPrinted.find("summary line\n"), std::string::npos) << sPrinted;
  ASSERT_TRUE(sR->ExecuteCommand("warning('odd value')"));
  EXPECT_NE(sPrinted.find("odd value"), std::string::npos) << "warnings come as output";
  sPrinted.clear();
  ASSERT_TRUE(sR->ExecuteCommand("q <- 1"));
  EXPECT_EQ(sPrinted, "") << "an assignment prints nothing";
}

TEST_F(StatConnectorTest, WindowsDrawsIntoAnImageFileTheProgramCanShow) {
  ASSERT_TRUE(sR->ExecuteCommand("windows(); plot(1:10, main = 'fit')"));
  ASSERT_TRUE(sR->ExecuteCommand("abline(0, 1)")) << "later statements draw on the same window";
  std::vector<std::string> files;
  ASSERT_TRUE(sR->TakeDrawnImages(files));
  ASSERT_EQ(files.size(), 1u);
  std::ifstream image(files[0], std::ios::binary);
  char magic[8] = {};
  image.read(magic, sizeof magic);
  EXPECT_EQ(std::string(magic, 8), "\x89PNG\r\n\x1a\n") << files[0];
  EXPECT_GT(std::filesystem::file_size(files[0]), 1000u);
  ASSERT_TRUE(sR->TakeDrawnImages(files));
  EXPECT_TRUE(files.empty()) << "each file is given once";
}

TEST(StatConnector, ADeadRFailsEveryCallUntilItIsStartedAgain) {
  CStatConnector r;
  EXPECT_EQ(r.ExecuteCommand("x <- 1").error, kRNotConnectedError) << "not yet started";
  ASSERT_TRUE(r.StartR(true));
  ASSERT_TRUE(r.ExecuteCommand("x <- 1"));
  EXPECT_FALSE(r.ExecuteCommand("quit(save = \"no\")"));
  EXPECT_FALSE(r.Started());
  const double one[] = {1.0};
  EXPECT_EQ(r.SetVector("y", one).error, platform::kRHasEndedError);
  ASSERT_TRUE(r.StartR(true)) << "a fresh R";
  RMatrix x(1, 1);
  EXPECT_EQ(r.GetMatrix("x", x).error, "object 'x' not found");
  r.Stop();
  EXPECT_EQ(r.ExecuteCommand("x <- 1").error, kRNotConnectedError);
}

TEST(StatConnector, ItsImagesMayLiveInAFolderWithBlanksInItsPath) {
  platform::testing::TempFolder folder;
  const std::string temporary = folder.File("scratch with blanks");
  std::filesystem::create_directory(temporary);
  ScopedEnvironment tmp("TMPDIR", temporary);
  CStatConnector r;
  ASSERT_TRUE(r.StartR(true));
  ASSERT_TRUE(r.ExecuteCommand("plot(1)")) << "a plot opens a window of its own";
  std::vector<std::string> files;
  ASSERT_TRUE(r.TakeDrawnImages(files));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].rfind(temporary, 0), 0u) << files[0];
  EXPECT_TRUE(std::filesystem::exists(files[0]));
}

TEST(StatConnector, RMissingFromPathShowsTheMessageAtEveryStartAndStartsNothing) {
  platform::testing::TempFolder emptyFolder;
  ScopedEnvironment noR("PATH", emptyFolder.Path().string());
  ScriptedPrompt prompt;
  CStatConnector r;
  EXPECT_FALSE(r.StartR(true));
  EXPECT_FALSE(r.StartR(true));
  ASSERT_EQ(prompt.prompts.size(), 2u);
  EXPECT_EQ(prompt.prompts[1].text, kCouldNotStartRMessage);
  EXPECT_EQ(prompt.prompts[1].buttons, MessageButtons::kOk);
  EXPECT_EQ(r.ExecuteCommand("x <- 1").error, kRNotConnectedError);
}

TEST(StatConnector, TheConnectionInUseIsTheRealROne) {
  ASSERT_TRUE(RConnection().StartR(true));
  ASSERT_TRUE(RConnection().ExecuteCommand("fromDefault <- 2 * 21"));
  RMatrix value(1, 1);
  ASSERT_TRUE(DefaultStatConnector().GetMatrix("fromDefault", value));
  EXPECT_EQ(value.At(0, 0), 42.0);

  // A process forked from this one (as a death test is) ends without touching the R
  // that belongs to this one.
  EXPECT_EXIT(std::exit(0), ::testing::ExitedWithCode(0), "");
  ASSERT_TRUE(DefaultStatConnector().GetMatrix("fromDefault", value));
  EXPECT_EQ(value.At(0, 0), 42.0);
  DefaultStatConnector().Stop();
}

}  // namespace
