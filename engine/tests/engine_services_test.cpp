// The services the engine asks the user and the window through: the defaults without a
// window, the scripted answers reaching engine calls, and the R connection's start.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "engine/services/output_file_registry.hpp"
#include "engine/services/r_link.hpp"
#include "engine/services/user_prompt.hpp"
#include "engine/services/view_requests.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/recording_r_link.hpp"
#include "engine/testing/scoped_environment.hpp"
#include "engine/testing/scripted_prompt.hpp"
#include "platform/line_reader.hpp"
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

// Each installer hands back the service it replaces (nullptr for the default), nullptr
// brings the default back, and calls reach whichever service is installed.
template <typename Service, typename Install, typename Use>
void ExpectInstalling(Service& first, Service& second, Install install, Use use,
                      const std::vector<Service*>& reached) {
  EXPECT_EQ(install(&first), nullptr);
  use();
  EXPECT_EQ(install(&second), &first);
  use();
  EXPECT_EQ(install(nullptr), &second);
  EXPECT_EQ(install(nullptr), nullptr) << "the default was installed";
  use();
  EXPECT_EQ(reached, (std::vector<Service*>{&first, &second})) << "the default is not these";
}

TEST(EngineServices, InstallingHandsBackThePreviousServiceAndNullBringsTheDefault) {
  std::vector<OutputFileRegistry*> registries;
  struct Registry final : OutputFileRegistry {
    explicit Registry(std::vector<OutputFileRegistry*>& into) : seen(into) {}
    void Register(std::string_view, bool) override { seen.push_back(this); }
    std::vector<OutputFileRegistry*>& seen;
  } registryA(registries), registryB(registries);
  ::testing::internal::CaptureStderr();
  ExpectInstalling<OutputFileRegistry>(
      registryA, registryB, SetOutputFileRegistry, [] { RegisterOutputFile("/w/out.txt", false); },
      registries);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("/w/out.txt"), std::string::npos);

  std::vector<LogSink*> sinks;
  struct Sink final : LogSink {
    explicit Sink(std::vector<LogSink*>& into) : seen(into) {}
    void AddText(std::string_view, bool, COLORREF) override { seen.push_back(this); }
    std::vector<LogSink*>& seen;
  } sinkA(sinks), sinkB(sinks);
  ::testing::internal::CaptureStderr();
  ExpectInstalling<LogSink>(
      sinkA, sinkB, SetLogSink, [] { LogMessage("a line"); }, sinks);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("a line"), std::string::npos);

  std::vector<JobProgress*> progresses;
  struct Progressing final : JobProgress {
    explicit Progressing(std::vector<JobProgress*>& into) : seen(into) {}
    void Pump() override { seen.push_back(this); }
    void ShowProgress(std::string_view) override {}
    bool StopRequested() override { return false; }
    void SetRunning(bool) override {}
    std::vector<JobProgress*>& seen;
  } progressA(progresses), progressB(progresses);
  ExpectInstalling<JobProgress>(
      progressA, progressB, SetJobProgress, [] { Progress().Pump(); }, progresses);

  std::vector<ViewRequests*> requests;
  struct Requests final : ViewRequests {
    explicit Requests(std::vector<ViewRequests*>& into) : seen(into) {}
    void ShowView(RightPaneView) override {}
    bool ShowNormalizationReview() override {
      seen.push_back(this);
      return true;
    }
    std::vector<ViewRequests*>& seen;
  } requestsA(requests), requestsB(requests);
  ExpectInstalling<ViewRequests>(
      requestsA, requestsB, SetViewRequests, [] { (void)Views().ShowNormalizationReview(); },
      requests);

  std::vector<UserPrompt*> prompts;
  struct Asking final : UserPrompt {
    explicit Asking(std::vector<UserPrompt*>& into) : seen(into) {}
    int MessageBox(std::string_view, std::string_view, MessageButtons, MessageIcon) override {
      seen.push_back(this);
      return kAnswerNo;
    }
    std::optional<std::string> FileName(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> FolderName(std::string_view) override { return {}; }
    std::vector<UserPrompt*>& seen;
  } promptA(prompts), promptB(prompts);
  ::testing::internal::CaptureStderr();
  ExpectInstalling<UserPrompt>(
      promptA, promptB, SetUserPrompt, [] { (void)AfxMessageBox("Go?"); }, prompts);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Go?"), std::string::npos);
}

// A file that opens is read by lines with nothing logged; one that does not (missing, or a
// folder) says the caller's message in red with the reason, and the reader stays closed.
TEST(EngineServices, OpeningLinesSaysWhyAFileCannotBeRead) {
  platform::testing::TempFolder folder;
  const std::string file = folder.Write("lines.txt", "first\nsecond\n");
  CapturedLog log;
  platform::LineReader reader;
  ASSERT_TRUE(OpenLinesOrLog(reader, file, 100, "  Reading the list failed"));
  std::string_view line;
  ASSERT_EQ(reader.Next(line), platform::LineStatus::kWhole);
  EXPECT_EQ(line, "first");
  EXPECT_TRUE(log.Lines().empty());

  for (const std::string& path : {folder.Path().string() + "/none.txt", folder.Path().string()}) {
    log.Clear();
    platform::LineReader failing;
    EXPECT_FALSE(OpenLinesOrLog(failing, path, 100, "  Reading '" + path + "' failed\n"));
    EXPECT_FALSE(failing.IsOpen());
    ASSERT_EQ(log.Lines().size(), 1u) << path;
    const CapturedLine& said = log.Lines()[0];
    EXPECT_EQ(said.colour, kLogRed);
    EXPECT_EQ(said.text.rfind("  Reading '" + path + "' failed (", 0), 0u) << said.text;
    EXPECT_GT(said.text.size(), ("  Reading '" + path + "' failed ()\n").size()) << said.text;
    EXPECT_EQ(said.text.back(), '\n') << "the closing line break stays last";
  }
}

}  // namespace
