// The one opener for reading and every platform reader built on it: a regular file is read
// as before, in blocking mode and closed on exec; a named pipe, a socket, a link to a
// device and a folder in its place are refused at once with their reason, and a missing
// file with the system's.
#include "platform/readable_file.hpp"

#include <fcntl.h>

#include <cerrno>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/byte_reader.hpp"
#include "platform/chunk_reader.hpp"
#include "platform/line_reader.hpp"
#include "platform/profile.hpp"
#include "platform/registry.hpp"
#include "platform/side_by_side_read.hpp"
#include "platform/tests/hostile_files.hpp"
#include "platform/tests/temp_folder.hpp"

namespace platform {
namespace {

using testing::Hostile;
using testing::TempFolder;

// A reader run on a path: nothing when it read the file whole, else what it reported.
struct PathReader {
  const char* name;
  std::function<std::optional<std::string>(const std::string& path)> read;
};

std::optional<std::string> Refused(const ReadFailure& failure) {
  return failure.Failed() ? failure.Reason() : "failed without a reason";
}

// Each reads the file "[s]\nk=v\n" (or the registry file of one value) and checks it.
std::vector<PathReader> PlatformReaders() {
  return {
      {"ReadableFile",
       [](const std::string& path) -> std::optional<std::string> {
         ReadableFile file;
         if (!file.Open(path)) return Refused(file.Failure());
         return std::nullopt;
       }},
      {"LineReader",
       [](const std::string& path) -> std::optional<std::string> {
         LineReader reader;
         if (!reader.Open(path)) return Refused(reader.OpenFailure());
         std::string_view line;
         if (reader.Next(line) != LineStatus::kWhole || line != "[s]") return "wrong line";
         return std::nullopt;
       }},
      {"ChunkReader",
       [](const std::string& path) -> std::optional<std::string> {
         ChunkReader reader;
         if (!reader.Open(path)) return Refused(reader.OpenFailure());
         if (!reader.Allocate(64) || reader.Fill(64) || reader.Available() != 8) return "short";
         return std::nullopt;
       }},
      {"ReadWholeFile",
       [](const std::string& path) -> std::optional<std::string> {
         ReadFailure failure;
         const auto bytes = ReadWholeFile(path, UINT64_MAX, &failure);
         if (!bytes) return Refused(failure);
         if (bytes->size() != 8) return "short";
         return std::nullopt;
       }},
      {"ReadWholeFileSideBySide",
       [](const std::string& path) -> std::optional<std::string> {
         ReadFailure failure;
         const auto bytes = ReadWholeFileSideBySide(path, 2, {}, &failure);
         if (!bytes) return Refused(failure);
         if (bytes->size != 8) return "short";
         return std::nullopt;
       }},
      {"ProfileText",
       [](const std::string& path) -> std::optional<std::string> {
         ReadFailure failure;
         const ProfileText text = ProfileText::Read(path, &failure);
         if (failure.Failed()) return failure.Reason();
         if (text.Value("s", "k") != "v") return "no value";
         return std::nullopt;
       }},
      {"WriteProfileString",
       // Writing a key reads the file first, and leaves alone what it cannot read.
       [](const std::string& path) -> std::optional<std::string> {
         if (!WriteProfileString(path, "s", "k", "w")) return "not a regular file";
         if (ProfileText::Read(path).Value("s", "k") != "w") return "not written";
         return std::nullopt;
       }},
      {"ReadRegistryFile",
       [](const std::string& path) -> std::optional<std::string> {
         const RegistryReading reading = ReadRegistryFile(path);
         if (reading.damagedLine != 0) return reading.fault;
         if (reading.store.String(kHkeyCurrentUser, "Software\\Zelko", "k") != "v")
           return "no value";
         return std::nullopt;
       }},
  };
}

TEST(ReadableFile, EveryPlatformReaderRefusesWhatIsNoRegularFile) {
  TempFolder folder;
  testing::PipeWatchdog watchdog;
  RegistryStore store;
  ASSERT_TRUE(store.SetString(kHkeyCurrentUser, "Software\\Zelko", "k", "v"));
  for (const PathReader& reader : PlatformReaders()) {
    SCOPED_TRACE(reader.name);
    const bool registry = std::string(reader.name) == "ReadRegistryFile";
    const std::string path =
        folder.Write(reader.name, registry ? store.ToText() : std::string("[s]\nk=v\n"));
    EXPECT_EQ(reader.read(path), std::nullopt) << "a regular file is read";
    for (const Hostile kind : testing::kHostileKinds) {
      SCOPED_TRACE(testing::HostileName(kind));
      ASSERT_TRUE(testing::MakeHostile(kind, path));
      if (kind == Hostile::kPipe) watchdog.Watch(path);
      const std::optional<std::string> refusal = reader.read(path);
      ASSERT_TRUE(refusal.has_value()) << "read as if it were a file";
      EXPECT_NE(refusal->find("not a regular file"), std::string::npos) << *refusal;
      if (std::string(reader.name) != "WriteProfileString") {
        EXPECT_NE(refusal->find(testing::HostileReason(kind)), std::string::npos) << *refusal;
      }
      EXPECT_FALSE(std::filesystem::is_regular_file(path)) << "left as it was";
    }
    std::filesystem::remove_all(path);
  }
  EXPECT_FALSE(watchdog.Fired()) << "a reader waited on a named pipe";
}

TEST(ReadableFile, RegularFilesReadInBlockingModeAndMissingOnesGiveTheSystemsReason) {
  TempFolder folder;
  const std::string path = folder.Write("some.txt", "12345678");
  ReadableFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_EQ(file.Size(), 8u);
  const int flags = ::fcntl(file.Descriptor(), F_GETFL);
  EXPECT_EQ(flags & O_NONBLOCK, 0);
  EXPECT_NE(::fcntl(file.Descriptor(), F_GETFD) & FD_CLOEXEC, 0);
  char bytes[16] = {};
  int error = 0;
  EXPECT_EQ(ReadFully(file.Descriptor(), bytes, sizeof bytes, error), 8u);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(std::string(bytes), "12345678");

  // A failed open closes what was open and says why.
  EXPECT_FALSE(file.Open(folder.File("missing.txt")));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.Failure().Missing());
  EXPECT_EQ(file.Failure().Reason(), "No such file or directory");
  EXPECT_FALSE(file.Open(folder.File("missing/below.txt")));
  EXPECT_TRUE(file.Failure().Missing());
  EXPECT_FALSE(file.Open(path + "/below.txt")) << "a file is no folder";
  EXPECT_TRUE(file.Failure().Missing());

  // The reason goes before the message's closing line breaks.
  EXPECT_EQ(WithReadFailure("  Reading 'x' failed\n", file.Failure()),
            "  Reading 'x' failed (Not a directory)\n");
  EXPECT_EQ(WithReadFailure("  Reading 'x' failed", ReadFailure{}), "  Reading 'x' failed");
  EXPECT_TRUE(CanReadFile(path));
  EXPECT_FALSE(CanReadFile(folder.Path().string()));

  // A file that cannot be read for its permissions (unless the tests run as root).
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  if (::geteuid() != 0) {
    LineReader reader;
    EXPECT_FALSE(reader.Open(path));
    EXPECT_EQ(reader.OpenFailure().Error(), EACCES);
    EXPECT_FALSE(reader.OpenFailure().Missing());
  }
}

}  // namespace
}  // namespace platform
