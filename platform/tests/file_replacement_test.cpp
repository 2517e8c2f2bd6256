// platform::FileReplacement: a file written in pieces appears whole at commit and not
// before; one left unfinished or failed leaves the old file and nothing beside it.
#include "platform/file_replacement.hpp"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/system_error.hpp"
#include "platform/tests/file_size_limit.hpp"
#include "platform/tests/folder_entries.hpp"
#include "platform/tests/hostile_files.hpp"
#include "platform/tests/stale_replacements.hpp"
#include "platform/tests/temp_folder.hpp"

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::testing::EndedProcess;
using platform::testing::FolderEntries;
using platform::testing::Hostile;
using platform::testing::TempFolder;

TEST(FileReplacement, PiecesAppearWholeOnlyAtCommit) {
  TempFolder temp;
  const std::string path = temp.File("out.bin");
  ASSERT_TRUE(WriteWholeFile(path, Bytes{7, 7}));

  FileReplacement file;
  ASSERT_TRUE(file.Open(path));
  ASSERT_TRUE(file.Write(Bytes{1, 2, 3}));
  ASSERT_TRUE(file.Write(Bytes{}));
  ASSERT_TRUE(file.Write(Bytes(5000, 4)));
  EXPECT_EQ(ReadWholeFile(path), (Bytes{7, 7}));  // the old file until the commit
  ASSERT_TRUE(file.Commit());

  Bytes expected{1, 2, 3};
  expected.resize(5003, 4);
  EXPECT_EQ(ReadWholeFile(path), expected);
  EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{"out.bin"});
  EXPECT_FALSE(file.Commit());  // once only
}

TEST(FileReplacement, AnUnfinishedReplacementLeavesTheOldFile) {
  TempFolder temp;
  const std::string path = temp.File("keep.bin");
  ASSERT_TRUE(WriteWholeFile(path, Bytes{9, 8}));
  {
    FileReplacement file;
    ASSERT_TRUE(file.Open(path));
    ASSERT_TRUE(file.Write(Bytes(100, 1)));
    EXPECT_EQ(FolderEntries(temp.Path()).size(), 2u);  // the new file is being written beside
  }
  EXPECT_EQ(ReadWholeFile(path), (Bytes{9, 8}));
  EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{"keep.bin"});

  FileReplacement unopened;
  EXPECT_FALSE(unopened.Write(Bytes{1}));
  EXPECT_FALSE(unopened.Commit());
  FileReplacement nowhere;
  EXPECT_FALSE(nowhere.Open(temp.File("missing/out.bin")));
}

// Each way a replacement fails keeps the system's reason for the message that reports it,
// and the first failure's reason stays.
TEST(FileReplacement, AFailureKeepsTheSystemsReason) {
  TempFolder temp;
  FileReplacement nowhere;
  EXPECT_FALSE(nowhere.Open(temp.File("missing/out.bin")));
  EXPECT_EQ(nowhere.Error(), ENOENT);

  const std::string path = temp.File("full.bin");
  FileReplacement full;
  ASSERT_TRUE(full.Open(path));
  EXPECT_EQ(full.Error(), 0);
  {
    platform::testing::FileSizeLimit limit(64);
    EXPECT_FALSE(full.Write(Bytes(1000, 7)));
  }
  EXPECT_EQ(full.Error(), EFBIG);
  EXPECT_FALSE(full.Commit());
  EXPECT_EQ(full.Error(), EFBIG);
  EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{});

  // A folder standing where the file is to go, empty or not: the new file can never take
  // its place, and the writer learns so before it writes anything.
  std::filesystem::create_directory(temp.File("taken"));
  std::filesystem::create_directory(temp.File("taken/inside"));
  for (const char* folder : {"taken", "taken/inside"}) {
    SCOPED_TRACE(folder);
    FileReplacement blocked;
    EXPECT_FALSE(blocked.Open(temp.File(folder)));
    EXPECT_EQ(blocked.Error(), EISDIR);
    EXPECT_FALSE(blocked.Write(Bytes{1, 2, 3}));
    EXPECT_FALSE(blocked.Commit());
    EXPECT_EQ(blocked.Error(), EISDIR);
    EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{"taken"});
    EXPECT_EQ(FolderEntries(temp.File("taken")), std::vector<std::string>{"inside"});
  }

  // A pipe, a socket or a link to a device in the file's place is refused before anything
  // is written, and stays what it was.
  for (const Hostile kind : {Hostile::kPipe, Hostile::kSocket, Hostile::kDevice}) {
    SCOPED_TRACE(platform::testing::HostileName(kind));
    const std::string special = temp.File("special");
    ASSERT_TRUE(platform::testing::MakeHostile(kind, special));
    struct stat before {};
    ASSERT_EQ(lstat(special.c_str(), &before), 0);
    FileReplacement refused;
    EXPECT_FALSE(refused.Open(special));
    EXPECT_EQ(refused.Error(), kNotRegularFileError);
    EXPECT_EQ(SystemErrorText(refused.Error()), "not a regular file");
    EXPECT_FALSE(WriteWholeFile(special, Bytes{1, 2, 3}));
    struct stat after {};
    ASSERT_EQ(lstat(special.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(FolderEntries(temp.Path()), (std::vector<std::string>{"special", "taken"}));
  }
}

// A live child that runs this program (waiting) or another one (sleep).
pid_t LiveProcess(bool thisProgram) {
  const pid_t child = fork();
  if (child == 0) {
    if (!thisProgram) execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
    pause();
    _exit(0);
  }
  return child;
}

// Files of our naming left in the folder by ended writers, or whose process number another
// program has taken, go when the next replacement there starts; those of live writers of
// this program, of this process, and other names stay.
TEST(FileReplacement, StaleFilesOfEndedWritersInTheFolderAreRemoved) {
  TempFolder temp;
  const std::string path = temp.File("out.bin");
  const pid_t ended = EndedProcess();
  const pid_t writer = LiveProcess(true);
  const pid_t other = LiveProcess(false);
  // Wait until the other program runs: until then the child is still this program.
  const std::string comm = "/proc/" + std::to_string(other) + "/comm";
  for (int i = 0; i < 500 && ReadWholeFile(comm) == ReadWholeFile("/proc/self/comm"); ++i)
    usleep(10000);
  const auto name = [](pid_t pid, const std::string& rest) {
    return ".out.bin.tmp" + std::to_string(pid) + rest;
  };
  const std::vector<std::pair<std::string, bool>> files = {
      {name(ended, "-0"), false},
      {name(ended, "-17"), false},
      {name(other, "-3"), false},
      {name(writer, "-0"), true},
      {name(getpid(), "-99"), true},
      {name(ended, "-0x"), true},
      {name(ended, "-"), true},
      {".out.bin.tmp-4", true},
      {".out.bin.tmpabc-1", true},
      {".other.bin.tmp" + std::to_string(ended) + "-0", false},
      {".other.bin.old" + std::to_string(ended) + "-2", false},
      {".other.bin.new" + std::to_string(ended) + "-2", true},
      {"..tmp" + std::to_string(ended) + "-2", true},
      {"out.bin.tmp" + std::to_string(ended) + "-0", true},
  };
  for (const auto& [file, kept] : files) ASSERT_TRUE(WriteWholeFile(temp.File(file), Bytes{1}));

  ASSERT_TRUE(WriteWholeFile(path, Bytes{2}));
  kill(writer, SIGKILL);
  kill(other, SIGKILL);
  waitpid(writer, nullptr, 0);
  waitpid(other, nullptr, 0);

  std::vector<std::string> expected = {"out.bin"};
  for (const auto& [file, kept] : files)
    if (kept) expected.push_back(file);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderEntries(temp.Path()), expected);
}

}  // namespace
}  // namespace platform
