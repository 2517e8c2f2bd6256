// The library file copier: listed files with their attributes, a type's files and the
// mask files naming it, and every copy that fails or would leave its folder reported.
#include "installer/steps/library_copier.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "installer/framework/message_table.hpp"
#include "installer/framework/tests/log_lines.hpp"
#include "platform/path.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/libgen/listed_files.hpp"

namespace quellbrook {
namespace {

using testing::ReadWholeFile;

namespace fs = std::filesystem;

bool ReadOnly(const std::string& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
}

std::vector<std::string> LogMessages(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line.substr(20));
  return lines;
}

int Count(const std::vector<std::string>& events, const std::string& event) {
  return static_cast<int>(std::count(events.begin(), events.end(), event));
}

class LibFileCopierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mCopier.sourceFolder = mTemp.File("source");
    mCopier.destFolder = mTemp.File("library");
    mCopier.logPath = mTemp.File("install.log");
    fs::create_directories(mCopier.destFolder);
    fs::create_directories(LibFiles());
  }
  std::string LibFiles() const { return mTemp.File("source/Chip_A/LibFiles"); }
  std::string Ini() const { return mTemp.File("source/ChipA_Files/Analysis.ini"); }
  std::string Dest(const std::string& name) const {
    return platform::JoinPath(mCopier.destFolder, name);
  }
  void Ship(const std::string& name, const std::string& text) const {
    mTemp.Write("source/Chip_A/LibFiles/" + name, text);
  }
  void WriteIni(const std::string& protocols) const {
    fs::create_directories(mTemp.File("source/ChipA_Files"));
    mTemp.Write("source/ChipA_Files/Analysis.ini", "[Protocols]\r\n" + protocols);
  }
  int CopyListed() { return mCopier.CopyListedFiles("Chip_A", Ini(), "Copying Chip_A Files..."); }

  platform::testing::TempFolder mTemp;
  LibFileCopier mCopier;
};

TEST_F(LibFileCopierTest, ListedFilesAreCopiedWithTheirAttributesAndTheRunningDefault) {
  Ship("a.cif", "A1");
  Ship("b.psi", "B1");
  Ship("c.txt", "C1");
  WriteIni(
      "NumProtocols=2\r\nProtocol1NumFiles=3\r\nProtocol1File1=a.cif\r\nProtocol1Attr1=r\r\n"
      "Protocol1File2=b.psi\r\nProtocol1File3=\r\nProtocol2NumFiles=3\r\n"
      "Protocol2File1=c.txt\r\nProtocol2Attr1=RW\r\n");
  EXPECT_EQ(CopyListed(), kCopyDone);
  EXPECT_EQ(ReadWholeFile(Dest("a.cif")), "A1");
  EXPECT_EQ(ReadWholeFile(Dest("b.psi")), "B1");
  EXPECT_EQ(ReadWholeFile(Dest("c.txt")), "C1");
  EXPECT_TRUE(ReadOnly(Dest("a.cif")));
  // No attribute of its own: the one read before it in the same call.
  EXPECT_TRUE(ReadOnly(Dest("b.psi")));
  EXPECT_FALSE(ReadOnly(Dest("c.txt")));
  EXPECT_EQ(LogMessages(mCopier.logPath), std::vector<std::string>{"Copying Chip_A Files..."});
  // Every entry advances the bar, the nameless one and the missing ones of group 2 too.
  const std::vector<std::string>& events = mCopier.ProgressEvents();
  EXPECT_EQ(Count(events, "range 0 6"), 2);
  EXPECT_EQ(events.back(), "destroy");
  EXPECT_EQ(Count(events, "pos 6"), 1);

  // A second run replaces the read-only copies of the first.
  Ship("a.cif", "A2");
  EXPECT_EQ(CopyListed(), kCopyDone);
  EXPECT_EQ(ReadWholeFile(Dest("a.cif")), "A2");
  EXPECT_TRUE(ReadOnly(Dest("a.cif")));
}

TEST_F(LibFileCopierTest, AnEmptyListCopiesAndLogsNothingAndShowsNoWindow) {
  Ship("a.cif", "A1");
  WriteIni("NumProtocols=0\r\nProtocol1NumFiles=1\r\nProtocol1File1=a.cif\r\n");
  EXPECT_EQ(CopyListed(), kCopyDone);
  WriteIni("");
  EXPECT_EQ(CopyListed(), kCopyDone);
  EXPECT_EQ(Count(mCopier.ProgressEvents(), "show"), 0);
  EXPECT_FALSE(fs::exists(Dest("a.cif")));
  EXPECT_FALSE(fs::exists(mCopier.logPath));
}

TEST_F(LibFileCopierTest, FailedCopiesAndNamesLeavingTheFolderAreReportedAsErrors) {
  Ship("a.cif", "A1");
  mTemp.Write("source/outside.txt", "secret");
  WriteIni(
      "NumProtocols=1\r\nProtocol1NumFiles=5\r\nProtocol1File1=missing.cif\r\n"
      "Protocol1File2=..\\..\\outside.txt\r\nProtocol1File3=*.cif\r\nProtocol1File4=..\r\n"
      "Protocol1File5=a.cif\r\n");
  EXPECT_EQ(CopyListed(), kThereAreErrors);
  // The good file is still copied; nothing climbed out.
  EXPECT_EQ(ReadWholeFile(Dest("a.cif")), "A1");
  EXPECT_EQ(fs::directory_iterator(mCopier.destFolder)->path().filename(), "a.cif");
  EXPECT_EQ(LogMessages(mCopier.logPath),
            (std::vector<std::string>{
                "Copying Chip_A Files...",
                "ERROR: Failed to copy files. " + LibFiles() + "/missing.cif was not found.",
                "ERROR: Failed to copy files. The name '..\\..\\outside.txt' in " + Ini() +
                    " would leave the library folder.",
                "ERROR: Failed to copy files. The name '*.cif' in " + Ini() +
                    " would leave the library folder.",
                "ERROR: Failed to copy files. The name '..' in " + Ini() +
                    " would leave the library folder."}));

  // A sub folder or an INI that climbs out, and a count no library has, copy nothing.
  fs::remove(Dest("a.cif"));
  EXPECT_EQ(mCopier.CopyListedFiles("../Chip_A", Ini(), "x"), kThereAreErrors);
  EXPECT_EQ(mCopier.CopyListedFiles("Chip_A", mTemp.File("source/../Analysis.ini"), "x"),
            kThereAreErrors);
  EXPECT_EQ(mCopier.CopyListedFiles("Chip_A", mTemp.File("elsewhere.ini"), "x"), kThereAreErrors);
  WriteIni("NumProtocols=2000000000\r\nProtocol1NumFiles=1\r\nProtocol1File1=a.cif\r\n");
  EXPECT_EQ(CopyListed(), kThereAreErrors);
  EXPECT_FALSE(fs::exists(Dest("a.cif")));
  EXPECT_EQ(LogMessages(mCopier.logPath).back(),
            "ERROR: Failed to copy files. " + Ini() +
                " lists 2000000000 protocols; at most 9999 are read.");

  // Counts beyond the file's bytes read only what is there; a file that could list more
  // than 10000 files in all copies none of them.
  WriteIni(
      "NumProtocols=2\r\nProtocol1NumFiles=9999\r\nProtocol1File1=a.cif\r\n"
      "Protocol2NumFiles=9999\r\n");
  EXPECT_EQ(CopyListed(), kCopyDone);
  EXPECT_EQ(ReadWholeFile(Dest("a.cif")), "A1");
  fs::remove(Dest("a.cif"));
  WriteIni(
      "NumProtocols=2\r\nProtocol1NumFiles=9999\r\nProtocol1File1=a.cif\r\n"
      "Protocol2NumFiles=9999\r\n;" +
      std::string(10000, 'x') + "\r\n");
  EXPECT_EQ(CopyListed(), kThereAreErrors);
  EXPECT_FALSE(fs::exists(Dest("a.cif")));
  EXPECT_EQ(LogMessages(mCopier.logPath).back(),
            "ERROR: Failed to copy files. More than 10000 files in " + Ini() + "; file not read.");

  // A destination that is not a folder: the copy itself fails, with its reason.
  WriteIni("NumProtocols=1\r\nProtocol1NumFiles=1\r\nProtocol1File1=a.cif\r\n");
  mCopier.destFolder = mTemp.Write("not_a_folder", "");
  EXPECT_EQ(CopyListed(), kThereAreErrors);
  const std::string last = LogMessages(mCopier.logPath).back();
  EXPECT_EQ(last.rfind("ERROR: Failed to copy files. " + LibFiles() +
                           "/a.cif could not be copied "
                           "to " +
                           mCopier.destFolder + "/a.cif: ",
                       0),
            0u)
      << last;
}

TEST_F(LibFileCopierTest, TypeFilesAndTheMaskFilesNamingTheTypeAreCopied) {
  const std::string from = mTemp.File("from");
  fs::create_directories(from);
  for (const char* name : {"T1.CIF", "t1.psi", "T1", "T10.CIF", "T1x.txt", "other.cif"})
    mTemp.Write(std::string("from/") + name, name);
  mTemp.Write("from/m.MSK", "\r\n   \r\n  t1\r\nT2\r\n");
  mTemp.Write("from/trailing.msk", "T1 \r\n");
  mTemp.Write("from/second.MSK", "T2\r\nT1\r\n");
  mTemp.Write("from/T1.MSK", "T1\n");
  fs::permissions(from + "/T1.CIF",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  mTemp.Write("library/T1.CIF", "old");
  fs::permissions(Dest("T1.CIF"), fs::perms::owner_write, fs::perm_options::remove);

  EXPECT_EQ(mCopier.CopyTypeFiles(from, mCopier.destFolder, "T1", "Copying T1..."), kCopyDone);
  std::vector<std::string> copied;
  for (const auto& entry : fs::directory_iterator(mCopier.destFolder))
    copied.push_back(entry.path().filename().string());
  std::sort(copied.begin(), copied.end());
  EXPECT_EQ(copied, (std::vector<std::string>{"T1", "T1.CIF", "T1.MSK", "m.MSK", "t1.psi"}));
  EXPECT_EQ(ReadWholeFile(Dest("T1.CIF")), "T1.CIF");
  EXPECT_TRUE(ReadOnly(Dest("T1.CIF")));
  EXPECT_FALSE(ReadOnly(Dest("t1.psi")));
  // T1.MSK is listed twice, by the pattern and as a mask naming the type.
  EXPECT_EQ(Count(mCopier.ProgressEvents(), "range 0 6"), 1);
  EXPECT_FALSE(fs::exists(mCopier.logPath));

  // The same folder in another case copies nothing and opens no window.
  EXPECT_EQ(mCopier.CopyTypeFiles(mCopier.destFolder, mTemp.File("LIBRARY"), "T1", "x"), kCopyDone);
  EXPECT_TRUE(mCopier.ProgressEvents().empty());
}

TEST_F(LibFileCopierTest, TypeCopiesThatFailOrLeaveTheFolderAreReportedAsErrors) {
  mTemp.Write("T1.CIF", "outside");
  fs::create_directories(mTemp.File("from"));
  EXPECT_EQ(mCopier.CopyTypeFiles(mTemp.File("from"), mCopier.destFolder, "../T1", "x"),
            kThereAreErrors);
  EXPECT_EQ(mCopier.CopyTypeFiles(mTemp.File("from"), mCopier.destFolder, "T*", "x"),
            kThereAreErrors);
  EXPECT_EQ(mCopier.CopyTypeFiles(mTemp.File("nowhere"), mCopier.destFolder, "T1", "x"),
            kThereAreErrors);
  mTemp.Write("from/T1.CIF", "T1");
  EXPECT_EQ(mCopier.CopyTypeFiles(mTemp.File("from"), mTemp.File("missing"), "T1", "x"),
            kThereAreErrors);
  EXPECT_TRUE(fs::is_empty(mCopier.destFolder));
  const std::vector<std::string> log = LogMessages(mCopier.logPath);
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "ERROR: Failed to copy files. The name '../T1' in " + mTemp.File("from") +
                        " would leave the library folder.");
  EXPECT_EQ(log[2],
            "ERROR: Failed to copy files. The folder " + mTemp.File("nowhere") + " was not found.");
  EXPECT_EQ(log[3].rfind("ERROR: Failed to copy files. " + mTemp.File("from/T1.CIF") +
                             " could not be copied to " + mTemp.File("missing/T1.CIF") + ": ",
                         0),
            0u)
      << log[3];
}

// Links would carry a copy outside the library: a source link would bring in what it points at,
// a link standing at the destination would be written through. Both operations refuse them;
// a hard link at the destination is replaced, never written into.
TEST_F(LibFileCopierTest, LinksOnEitherSideAreRefused) {
  const std::string secret = mTemp.Write("secret.txt", "secret");
  const std::string victim = mTemp.Write("victim.txt", "victim");
  const std::string shared = mTemp.Write("shared.txt", "shared");
  const auto intact = [&] {
    EXPECT_EQ(ReadWholeFile(secret), "secret");
    EXPECT_EQ(ReadWholeFile(victim), "victim");
    EXPECT_FALSE(ReadOnly(victim));
    EXPECT_EQ(ReadWholeFile(shared), "shared");
    EXPECT_FALSE(ReadOnly(shared));
  };
  const std::string from = mTemp.File("from");
  fs::create_directories(from);
  for (const std::string folder : {"source/Chip_A/LibFiles/", "from/"}) {
    fs::create_symlink(secret, mTemp.File(folder + "T1.lnk"));
    mTemp.Write(folder + "T1.over", "new");
    mTemp.Write(folder + "T1.hard", "new");
  }
  fs::create_symlink(victim, Dest("T1.over"));
  fs::create_hard_link(shared, Dest("T1.hard"));
  WriteIni(
      "NumProtocols=1\r\nProtocol1NumFiles=3\r\nProtocol1File1=T1.lnk\r\n"
      "Protocol1File2=T1.over\r\nProtocol1File3=T1.hard\r\nProtocol1Attr3=R\r\n");
  EXPECT_EQ(CopyListed(), kThereAreErrors);
  intact();
  EXPECT_EQ(ReadWholeFile(Dest("T1.hard")), "new");
  EXPECT_FALSE(fs::exists(fs::symlink_status(Dest("T1.lnk"))));
  fs::remove(Dest("T1.hard"));
  fs::create_hard_link(shared, Dest("T1.hard"));
  EXPECT_EQ(mCopier.CopyTypeFiles(from, mCopier.destFolder, "T1", "x"), kThereAreErrors);
  intact();
  EXPECT_EQ(ReadWholeFile(Dest("T1.hard")), "new");
  EXPECT_FALSE(fs::exists(fs::symlink_status(Dest("T1.lnk"))));
  const std::vector<std::string> log = LogMessages(mCopier.logPath);
  for (const std::string& folder : {LibFiles(), from}) {
    const std::string source = "ERROR: Failed to copy files. " + folder +
                               "/T1.lnk is a link; "
                               "links are not copied.";
    EXPECT_EQ(std::count(log.begin(), log.end(), source), 1) << source;
  }
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "ERROR: Failed to copy files. " + Dest("T1.over") +
                           " is a link; it is not written through."),
            2);

  // A linked LibFiles folder copies nothing from wherever it points.
  fs::rename(LibFiles(), mTemp.File("elsewhere"));
  fs::create_symlink(mTemp.File("elsewhere"), LibFiles());
  fs::remove(Dest("T1.hard"));
  EXPECT_EQ(CopyListed(), kThereAreErrors);
  EXPECT_FALSE(fs::exists(Dest("T1.hard")));
  EXPECT_EQ(LogMessages(mCopier.logPath).back(),
            "ERROR: Failed to copy files. " + LibFiles() + " is a link; links are not copied.");
}

// A generated library whose type folder differs from the type's name: the INI comes from
// the type's folder, the listed files from the folder named after the type.
TEST_F(LibFileCopierTest, AGeneratedTypesListedFilesArriveWithTheirAttributes) {
  const libgen::LibraryFolder library(mCopier.sourceFolder, libgen::StandardLibrary());
  std::string error;
  ASSERT_TRUE(library.Write(error)) << error;
  const std::vector<libgen::ProtocolGroup> groups = libgen::StandardListedFiles("Chip_B");
  const std::string ini = platform::JoinPath(library.TypeFolder("Chip_B"), "Analysis.ini");
  ASSERT_TRUE(libgen::WriteTextFile(ini, libgen::IniText({libgen::ProtocolsSection(groups)})));
  ASSERT_TRUE(libgen::WriteListedFiles(library, "Chip_B", groups));

  EXPECT_EQ(mCopier.CopyListedFiles("Chip_B", ini, "Copying Chip_B Analysis Library Files..."),
            kCopyDone);
  std::string attribute = "RW";
  for (const libgen::ProtocolGroup& group : groups)
    for (const libgen::ListedFile& file : group) {
      if (!file.attribute.empty()) attribute = file.attribute;
      EXPECT_EQ(ReadWholeFile(Dest(file.name)), file.content) << file.name;
      EXPECT_EQ(ReadOnly(Dest(file.name)), attribute == "R") << file.name;
    }
  EXPECT_FALSE(fs::exists(mCopier.logPath) &&
               ReadWholeFile(mCopier.logPath).find("ERROR") != std::string::npos);
}

}  // namespace
}  // namespace quellbrook
