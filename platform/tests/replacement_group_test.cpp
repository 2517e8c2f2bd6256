// Durable commits and files committed together: the steps of a replacement run in the order
// that leaves the old file or the new one after a power cut; a failure at any step keeps its
// reason and the old file; a group of files is in place whole or not at all, through a
// failed rename and through a writer killed at any step.
#include "platform/replacement_group.hpp"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/file_replacement.hpp"
#include "platform/tests/folder_entries.hpp"
#include "platform/tests/temp_folder.hpp"
#include "platform/write_fault.hpp"

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::testing::FolderEntries;
using platform::testing::TempFolder;

// A file's bytes; empty when it cannot be read.
Bytes Content(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  return bytes ? Bytes(*bytes) : Bytes{};
}

// The faults the tests install: a plain function, so its state sits here.
std::vector<WriteStep> seenSteps;
WriteStep failingStep = WriteStep::kOpen;
int failingCall = 0;  // the how-many-th call of failingStep fails (1 the first)
int callsSeen = 0;
bool killAtFault = false;

int RecordStep(WriteStep step, const std::string&) {
  seenSteps.push_back(step);
  return 0;
}

// The error number each step fails with, as the system would give it there.
int ErrorOf(WriteStep step) {
  switch (step) {
    case WriteStep::kOpen:
      return EROFS;
    case WriteStep::kWrite:
      return ENOSPC;
    case WriteStep::kSync:
      return EIO;
    case WriteStep::kRename:
      return EXDEV;
    case WriteStep::kFolderSync:
      return EDQUOT;
  }
  return EIO;
}

int FailAtStep(WriteStep step, const std::string&) {
  if (step != failingStep || ++callsSeen != failingCall) return 0;
  if (killAtFault) raise(SIGKILL);
  return ErrorOf(step);
}

class FaultInstalled {
 public:
  explicit FaultInstalled(WriteFault fault) {
    seenSteps.clear();
    callsSeen = 0;
    SetWriteFault(fault);
  }
  ~FaultInstalled() { SetWriteFault(nullptr); }
  FaultInstalled(const FaultInstalled&) = delete;
  FaultInstalled& operator=(const FaultInstalled&) = delete;
};

constexpr WriteStep kSteps[] = {WriteStep::kOpen, WriteStep::kWrite, WriteStep::kSync,
                                WriteStep::kRename, WriteStep::kFolderSync};

TEST(FileReplacement, TheNewFileReachesTheDiskBeforeTheRenameAndTheFolderAfter) {
  TempFolder temp;
  const FaultInstalled recording(RecordStep);
  ASSERT_TRUE(WriteWholeFile(temp.File("a.bin"), Bytes{1, 2}));
  EXPECT_EQ(seenSteps, std::vector<WriteStep>(std::begin(kSteps), std::end(kSteps)));
}

// A failure at each step: false, the step's reason kept, and nothing beside the old file,
// which is intact unless the step came after the rename.
TEST(FileReplacement, AFailureAtEachStepKeepsItsReasonAndTheOldFile) {
  for (const WriteStep step : kSteps) {
    TempFolder temp;
    const std::string path = temp.File("kept.bin");
    ASSERT_TRUE(WriteWholeFile(path, Bytes{5, 5, 5}));
    failingStep = step;
    failingCall = 1;
    const FaultInstalled failing(FailAtStep);
    int error = 0;
    EXPECT_FALSE(WriteWholeFile(path, Bytes(300, 9), &error)) << static_cast<int>(step);
    EXPECT_EQ(error, ErrorOf(step)) << static_cast<int>(step);
    const Bytes expected = step == WriteStep::kFolderSync ? Bytes(300, 9) : Bytes{5, 5, 5};
    EXPECT_EQ(Content(path), expected) << static_cast<int>(step);
    EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{"kept.bin"});

    // In place, the opening and the write fail alike and change nothing; a flush that
    // fails is reported, though the bytes may have gone to the file.
    if (step == WriteStep::kRename || step == WriteStep::kFolderSync) continue;
    const std::uint8_t piece[] = {7};
    const FilePiece pieces[] = {{1, piece}};
    ++failingCall;
    EXPECT_FALSE(OverwritePieces(path, pieces, &error)) << static_cast<int>(step);
    EXPECT_EQ(error, ErrorOf(step)) << static_cast<int>(step);
    if (step != WriteStep::kSync) {
      EXPECT_EQ(ReadWholeFile(path), (Bytes{5, 5, 5}));
    }
  }
}

// In place, the pieces are flushed before the call returns, so that the writer's next
// call never reaches the disk ahead of them.
TEST(OverwritePieces, ThePiecesReachTheDiskBeforeItReturns) {
  TempFolder temp;
  const std::string path = temp.File("in place.bin");
  ASSERT_TRUE(WriteWholeFile(path, Bytes{1, 2, 3}));
  const std::uint8_t piece[] = {9};
  const FilePiece pieces[] = {{2, piece}};
  const FaultInstalled recording(RecordStep);
  ASSERT_TRUE(OverwritePieces(path, pieces));
  EXPECT_EQ(seenSteps,
            (std::vector<WriteStep>{WriteStep::kOpen, WriteStep::kWrite, WriteStep::kSync}));
  EXPECT_EQ(ReadWholeFile(path), (Bytes{1, 2, 9}));
}

// Three files of a group, the second without an old file.
struct Group {
  explicit Group(const TempFolder& temp)
      : paths{temp.File("info.xls"), temp.File("info A.xls"), temp.File("info B.xls")} {
    EXPECT_TRUE(WriteWholeFile(paths[0], Bytes{'o', '0'}));
    EXPECT_TRUE(WriteWholeFile(paths[2], Bytes{'o', '2'}));
  }
  // Writes the new files and commits them together.
  bool Replace() const {
    FileReplacement files[3];
    for (int i = 0; i < 3; ++i) {
      const Bytes bytes{'n', static_cast<std::uint8_t>('0' + i)};
      if (!files[i].Open(paths[i]) || !files[i].Write(bytes)) return false;
    }
    FileReplacement* const all[] = {&files[0], &files[1], &files[2]};
    return CommitTogether(all);
  }
  // "old" when every file is as before, "new" when every file is new, else what is mixed.
  std::string State(const TempFolder& temp) const {
    const Bytes first = Content(paths[0]);
    const bool old = first == Bytes{'o', '0'} && !std::filesystem::exists(paths[1]) &&
                     Content(paths[2]) == Bytes{'o', '2'};
    const bool fresh = first == Bytes{'n', '0'} && Content(paths[1]) == Bytes{'n', '1'} &&
                       Content(paths[2]) == Bytes{'n', '2'};
    const std::vector<std::string> entries = FolderEntries(temp.Path());
    const bool tidy = entries.size() == (old ? 2u : 3u);
    if (!tidy) return "untidy";
    return old ? "old" : fresh ? "new" : "mixed";
  }
  std::string paths[3];
};

TEST(CommitTogether, AllFilesTakeTheirPlacesOrNone) {
  TempFolder temp;
  const Group group(temp);
  ASSERT_TRUE(group.Replace());
  EXPECT_EQ(group.State(temp), "new");

  // A failure at each rename, and at the flush of the folder after the last one, puts
  // back what was already placed.
  const std::pair<WriteStep, int> faults[] = {{WriteStep::kRename, 1},
                                              {WriteStep::kRename, 2},
                                              {WriteStep::kRename, 3},
                                              {WriteStep::kFolderSync, 2},
                                              {WriteStep::kSync, 3}};
  for (const auto& [step, call] : faults) {
    TempFolder again;
    const Group fresh(again);
    failingStep = step;
    failingCall = call;
    const FaultInstalled failing(FailAtStep);
    EXPECT_FALSE(fresh.Replace()) << static_cast<int>(step) << " " << call;
    EXPECT_EQ(fresh.State(again), "old") << static_cast<int>(step) << " " << call;
  }
}

// A real writer killed at each step of the commit, from flushing the first new file to
// flushing the folder after the last rename: the next replacement in the folder finds the
// group whole, old or new, and nothing of the killed writer beside it.
TEST(CommitTogether, AWriterKilledAtAnyStepLeavesTheOldGroupOrTheNew) {
  int killed = 0;
  for (const WriteStep step : {WriteStep::kSync, WriteStep::kRename, WriteStep::kFolderSync}) {
    for (int call = 1; call <= 4; ++call) {
      TempFolder temp;
      const Group group(temp);
      const pid_t child = fork();
      if (child == 0) {
        failingStep = step;
        failingCall = call;
        callsSeen = 0;
        killAtFault = true;
        SetWriteFault(FailAtStep);
        _exit(group.Replace() ? 0 : 1);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      const bool wasKilled = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
      if (!wasKilled) {
        // Fewer calls of this step than call: the child ran to its end.
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(group.State(temp), "new");
        continue;
      }
      ++killed;
      const std::string label = std::to_string(static_cast<int>(step)) + " " + std::to_string(call);
      RemoveStaleReplacements(temp.Path().string());
      const std::string state = group.State(temp);
      EXPECT_TRUE(state == "old" || state == "new") << label << ": " << state;
      // The kill came before the first rename: nothing new may show.
      if (step == WriteStep::kSync) {
        EXPECT_EQ(state, "old") << label;
      }
    }
  }
  // Three flushes of the new files, three renames and four flushes of the folder (the list's,
  // then the group's, after the renames) each had their kill.
  EXPECT_EQ(killed, 3 + 3 + 4);
}

}  // namespace
}  // namespace platform
