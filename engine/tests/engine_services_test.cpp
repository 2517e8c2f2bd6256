// The services the engine asks the user and the window through: the defaults without a
// window, the scripted answers reaching engine calls, and the R connection's start.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/services/output_file_registry.hpp"
#include "engine/services/r_link.hpp"
#include "engine/services/user_prompt.hpp"
#include "engine/services/view_requests.hpp"
#include "engine/testing/recording_r_link.hpp"
#include "engine/testing/scoped_environment.hpp"
#include "engine/testing/scripted_prompt.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

TEST(EngineServices, WithoutAWindowQuestionsTakeTheirDefaultAnswerAndRequestsShowNothing) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(AfxMessageBox("Replace the file?", MessageButtons::kYesNoCancel), kAnswerYes);
  EXPECT_EQ(AfxMessageBox("Done", MessageButtons::kOkCancel), kAnswerOk);
  EXPECT_FALSE(Prompt().FileName({}));
  EXPECT_FALSE(Prompt().FolderName("Folder"));
  RegisterOutputFile("/w/table.xls", true);
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(written.find("[Zelko] Replace the file?"), std::string::npos) << written;
  EXPECT_NE(written.find("/w/table.xls"), std::string::npos) << written;
  EXPECT_FALSE(Views().ShowNormalizationReview());
}

TEST(EngineServices, ScriptedAnswersReachTheEngineAndTheDefaultsComeBack) {
  {
    ScriptedPrompt prompt;
    prompt.messageAnswers = {kAnswerNo, kAnswerCancel};
    prompt.fileAnswers = {std::string("/w/list.txt")};
    EXPECT_EQ(AfxMessageBox("Overwrite?", MessageButtons::kYesNo, MessageIcon::kQuestion),
              kAnswerNo);
    {
      // A nested answerer takes over and hands back when it goes.
      ScriptedPrompt inner;
      EXPECT_EQ(AfxMessageBox("Inner"), kAnswerOk);
      EXPECT_EQ(inner.prompts.size(), 1u);
    }
    EXPECT_EQ(AfxMessageBox("Again?", MessageButtons::kYesNoCancel), kAnswerCancel);
    FileDialogRequest request;
    request.open = false;
    request.filter = "Text (*.txt)|*.txt||";
    EXPECT_EQ(Prompt().FileName(request), "/w/list.txt");
    EXPECT_EQ(Prompt().FileName(request), std::nullopt) << "the script ran out";

    ASSERT_EQ(prompt.prompts.size(), 4u);
    EXPECT_EQ(prompt.prompts[0].text, "Overwrite?");
    EXPECT_EQ(prompt.prompts[0].caption, kProgramCaption);
    EXPECT_EQ(prompt.prompts[0].buttons, MessageButtons::kYesNo);
    EXPECT_EQ(prompt.prompts[0].icon, MessageIcon::kQuestion);
    EXPECT_EQ(prompt.prompts[1].text, "Again?");
    EXPECT_FALSE(prompt.prompts[2].request.open);
    EXPECT_EQ(prompt.prompts[2].request.filter, "Text (*.txt)|*.txt||");
  }
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(AfxMessageBox("After", MessageButtons::kYesNo), kAnswerYes);
  EXPECT_FALSE(::testing::internal::GetCapturedStderr().empty()) << "the default is back";
}

TEST(EngineServices, StartingRWithoutAConnectionAsksEveryTimeAndEveryCallFails) {
  platform::testing::TempFolder emptyFolder;
  ScopedEnvironment noR("PATH", emptyFolder.Path().string());
  ScriptedPrompt prompt;
  EXPECT_FALSE(RConnection().StartR(true));
  EXPECT_FALSE(RConnection().StartR(true)) << "a failed start is tried again";
  EXPECT_FALSE(RConnection().StartR(false));
  ASSERT_EQ(prompt.prompts.size(), 2u);
  EXPECT_EQ(prompt.prompts[0].text, kCouldNotStartRMessage);
  EXPECT_EQ(prompt.prompts[0].caption, kProgramCaption);
  EXPECT_EQ(prompt.prompts[0].buttons, MessageButtons::kOk);

  RMatrix matrix(2, 2);
  const double values[] = {1.0, 2.0};
  for (const RReply& reply :
       {RConnection().SetVector("x", values), RConnection().SetMatrix("m", matrix),
        RConnection().GetMatrix("m", matrix), RConnection().ExecuteCommand("y <- x")}) {
    EXPECT_FALSE(reply);
    EXPECT_EQ(reply.error, kRNotConnectedError);
  }
}

TEST(EngineServices, OnlyAFailedStartOfRAsks) {
  ScriptedPrompt prompt;
  RecordingRLink r;
  r.startFails = true;
  EXPECT_FALSE(RConnection().StartR(true));
  r.startFails = false;
  EXPECT_TRUE(RConnection().StartR(true));
  EXPECT_TRUE(RConnection().StartR(true));
  EXPECT_EQ(r.startAttempts, 2);
  ASSERT_EQ(prompt.prompts.size(), 1u);
  EXPECT_EQ(prompt.prompts[0].text, kCouldNotStartRMessage);
}

}  // namespace
