// Opening a group from synthetic scans: folders searched in name order with their
// subfolders, data file lists with relative and full paths, repeated and missing scan
// times, the 1000th array refused, a user stop, QVF files reused, refused when stale and
// read directly, and the baseline array of the upper median.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <vector>

#include "engine/array/dat_reader.hpp"
#include "engine/jobs/array_summary.hpp"
#include "engine/jobs/baseline_array.hpp"
#include "engine/jobs/data_file_search.hpp"
#include "engine/jobs/information_readers.hpp"
#include "engine/model/model.hpp"
#include "engine/testing/byte_variants.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "engine/tests/group_job_test_support.hpp"
#include "platform/line_reader.hpp"

namespace fs = std::filesystem;

class OpenGroupTest : public GroupJobTest {
 protected:
  void MakeSmallGroup(int arrays) {
    synth::ArrayGroupOptions options;
    options.arrays = arrays;
    options.seed = 21;
    MakeGroup(24, 20, options);
  }
  // The array of the group holds the truth's planes of the given array.
  void ExpectArrayOf(int slot, int truthArray) {
    EXPECT_EQ(TheGroup().Array(slot).intensities,
              mTruth.arrays[static_cast<std::size_t>(truthArray)].intensities)
        << "slot " << slot;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < TheGroup().NumArrays(); ++i) names.push_back(TheGroup().Array(i).name);
    return names;
  }
};

TEST_F(OpenGroupTest, FolderAndSubfoldersAreReadInNameOrderWithoutRegardToCase) {
  MakeSmallGroup(3);
  const std::string b = WriteScan(0, "b");
  WriteScan(1, "A", "", "", ".cel");
  WriteScan(2, "c", "sub");
  fs::copy_file(b, DataFolder() + "/notes.CEL.bak");
  WriteText("data/readme.txt", "not a scan\n");
  Settings().CUR_ARRAY = 5;
  Settings().CUR_UNIT = 100;
  std::vector<std::pair<std::string, bool>> geneReads;
  SetGeneInfoReader([&geneReads](const std::string& path, bool rebuild) {
    geneReads.emplace_back(path, rebuild);
    return true;
  });
  Settings().GENE_NAME_FILE = mFolder.File("genes.txt");
  Settings().PSI_MODE = kPsiReadAndUse;
  Settings().PSI_FILE_NAME = mFolder.File("missing.psi");

  ASSERT_TRUE(Open());
  EXPECT_EQ(Settings().PSI_MODE, kPsiDoNotUse) << "an index file that cannot be read is let go";
  EXPECT_EQ(TheGroup().workPlane.size(), static_cast<std::size_t>(Layout.dimension) *
                                             static_cast<std::size_t>(Layout.dimension));
  SetGeneInfoReader({});
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "b", "c"}));
  ExpectArrayOf(0, 1);
  ExpectArrayOf(1, 0);
  ExpectArrayOf(2, 2);
  EXPECT_FALSE(mLog.ContainsRed("Unknow file type")) << "files found in folders pass silently";
  EXPECT_TRUE(
      mLog.Contains("Search and extract PM/MM data from 'CEL' files of chip type", kLogBlack));
  EXPECT_TRUE(mLog.Contains("Calculating background", kLogBlack));

  const Group& group = TheGroup();
  EXPECT_FALSE(group.Normalized) << "cell files are read raw";
  EXPECT_FALSE(group.Modelled);
  EXPECT_TRUE(group.HasCalls);
  EXPECT_EQ(Settings().CUR_ARRAY, 0);
  EXPECT_EQ(Settings().CUR_UNIT, -1);
  EXPECT_EQ(fs::current_path(), fs::path(Settings().WORKING_DIR));
  EXPECT_EQ(geneReads,
            (std::vector<std::pair<std::string, bool>>{{Settings().GENE_NAME_FILE, true}}));

  // The baseline is the array of the middle median intensity.
  std::vector<int> medians;
  for (int i = 0; i < 3; ++i) medians.push_back(group.Array(i).medianIntensity);
  std::vector<int> sorted = medians;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(medians[static_cast<std::size_t>(group.BaselineArray)], sorted[1]);

  // The summary: a header and one row per array, registered and announced.
  const std::string summary = ArraySummaryPath();
  ASSERT_EQ(mOutputFiles.files.size(), 1u);
  EXPECT_EQ(mOutputFiles.files[0].path, summary);
  EXPECT_TRUE(mLog.Contains("Group \"jobs\" contains 3 arrays; see '" + summary + "'", kLogBlack));
  platform::LineReader reader;
  ASSERT_TRUE(reader.Open(summary));
  std::string_view line;
  ASSERT_EQ(reader.Next(line), platform::LineStatus::kWhole);
  EXPECT_EQ(line, "Number\tArray\tFile Name\tMedian Intensity (unnormalized)\tP call %\t");
  ASSERT_EQ(reader.Next(line), platform::LineStatus::kWhole);
  EXPECT_EQ(line.substr(0, 4), "1\tA\t");
  EXPECT_NE(line.find(std::to_string(medians[0])), std::string_view::npos);
}

TEST_F(OpenGroupTest, OnlyTheKindsAskedForAreRead) {
  MakeSmallGroup(3);
  WriteScan(0, "text");
  WriteScan(1, "binary", "", "", ".CEL", synth::CelForm::kBinary);
  const synth::ArrayTruth scan = synth::ScannedArray(mChip, mTruth, 2, "image", ScanTime(2));
  std::string error;
  const auto image = synth::MakeDatImage(scan, synth::DatOptions{}, &error);
  ASSERT_TRUE(image.has_value()) << error;
  ASSERT_TRUE(synth::WriteDat(scan, *image, DataFolder() + "/image.DAT"));

  Settings().READ_DAT = 1;
  ASSERT_TRUE(Open());
  EXPECT_EQ(Names(), (std::vector<std::string>{"binary", "image", "text"}));
  EXPECT_TRUE(mLog.Contains("from 'CEL,DAT' files", kLogBlack));
  ExpectArrayOf(0, 1);
  EXPECT_EQ(TheGroup().Array(1).intensities, image->values);
  ExpectArrayOf(2, 0);

  Settings().READ_CEL = 0;
  ASSERT_TRUE(Open());
  EXPECT_EQ(Names(), (std::vector<std::string>{"image"}));
}

TEST_F(OpenGroupTest, RepeatedScanTimesAreDroppedButFilesWithoutATimeAreNot) {
  MakeSmallGroup(4);
  const std::string first = WriteScan(0, "s1", "", "05/06/07 08:09:10");
  WriteScan(1, "s2", "", "05/06/07 08:09:10");
  WriteScan(2, "t1", "", "untimed");
  WriteScan(3, "t2", "", "untimed");
  ASSERT_TRUE(Open());
  EXPECT_EQ(Names(), (std::vector<std::string>{"s1", "t1", "t2"}));
  EXPECT_TRUE(
      mLog.ContainsRed("Have the same time tag [05/06/07 08:09:10] as '" + first + "', ignored"));
  EXPECT_EQ(TheGroup().Array(1).timeTag, kNoTimeTag);
  EXPECT_EQ(TheGroup().Array(2).timeTag, kNoTimeTag);
  ExpectArrayOf(2, 3);
}

TEST_F(OpenGroupTest, DataFileListNamesFilesAndFoldersRelativeToItselfUpToAnEmptyLine) {
  MakeSmallGroup(6);
  WriteScan(0, "a0");
  WriteScan(1, "a1", "sub");
  WriteScan(2, "odd:name");
  const std::string elsewhere = mFolder.File("elsewhere");
  fs::create_directories(elsewhere);
  const synth::ArrayTruth scan3 = synth::ScannedArray(mChip, mTruth, 3, "e", ScanTime(3));
  ASSERT_TRUE(synth::WriteCel(scan3, synth::CelForm::kBinary, elsewhere + "/e.CEL"));
  WriteScan(4, "a4", "sub2");
  WriteScan(5, "late");
  WriteText("data/notes.bak", "x\n");
  Settings().DATA_PATH =
      WriteText("data/list.TXT", "a0.CEL\tsub\\a1.CEL\nodd:name.CEL\n" + elsewhere +
                                     "/e.CEL\nnotes.bak\n sub2 \n\nlate.CEL\n");
  ASSERT_TRUE(IsDataFileList(Settings().DATA_PATH));
  ASSERT_TRUE(Open());
  EXPECT_EQ(Names(), (std::vector<std::string>{"a0", "a1", "odd:name", "e", "a4"}));
  for (int i = 0; i < 5; ++i) ExpectArrayOf(i, i);
  EXPECT_TRUE(mLog.Contains(
      "Looking for data files of chip type " + mChip.chipType + " in " + Settings().DATA_PATH,
      kLogBlack));
  EXPECT_TRUE(mLog.ContainsRed("Unknow file type, ignored: " + DataFolder() + "/notes.bak"));

  EXPECT_EQ(DataFileListEntries("D:\\scans\\x.CEL\t/abs/y.CEL\t\\\\host\\z.CEL", "/list"),
            (std::vector<std::string>{"D:/scans/x.CEL", "/abs/y.CEL", "//host/z.CEL"}));

  Settings().DATA_PATH = mFolder.File("missing.txt");
  EXPECT_FALSE(Open());
  EXPECT_TRUE(mLog.ContainsRed("Reading data file list " + Settings().DATA_PATH + " failed"));
}

// Opens the group on another thread: a read of a named pipe would wait for a writer, so
// after a while each is given one, and the open counts as stuck.
bool OpensWithoutWaitingOn(const std::vector<std::string>& pipes,
                           const std::function<bool()>& open) {
  std::future<bool> opened = std::async(std::launch::async, open);
  while (opened.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    ADD_FAILURE() << "the open waits on a named pipe";
    for (const std::string& pipe : pipes) {
      const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) ::close(writer);
    }
  }
  return opened.get();
}

// Named pipes and devices, found in the folder, through links or named in a list, are
// not data files: the open neither waits on them nor takes them, and goes on. One where a
// QVF file is to be written is never replaced.
TEST_F(OpenGroupTest, OnlyRegularFilesAreOfferedAsDataFiles) {
  MakeSmallGroup(2);
  WriteScan(0, "b");
  const std::string elsewhere = mFolder.File("elsewhere");
  fs::create_directories(elsewhere);
  const synth::ArrayTruth scan1 = synth::ScannedArray(mChip, mTruth, 1, "linked", ScanTime(1));
  ASSERT_TRUE(synth::WriteCel(scan1, synth::CelForm::kText, elsewhere + "/linked.CEL"));
  fs::create_symlink(elsewhere + "/linked.CEL", DataFolder() + "/linked.CEL");
  // A pipe for a data file, and one where the QVF file of a scan would be.
  const std::vector<std::string> pipes = {DataFolder() + "/a.CEL", DataFolder() + "/b.qvf"};
  for (const std::string& pipe : pipes) ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  fs::create_symlink(pipes[0], DataFolder() + "/c.CEL");
  fs::create_symlink("/dev/null", DataFolder() + "/d.CEL");

  // The pipe where a scan's QVF file would go is not replaced: the open stops with the
  // file's red line, and the pipe stays for whoever made it.
  mLog.Clear();
  EXPECT_FALSE(OpensWithoutWaitingOn(pipes, [this] { return Open(); }));
  EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(kQvfWriteFailedMessage, pipes[1].c_str()) +
                               " (not a regular file)"));
  EXPECT_TRUE(fs::is_fifo(pipes[1])) << "the scan's QVF file took the pipe's place";
  fs::remove(pipes[1]);
  ASSERT_TRUE(OpensWithoutWaitingOn(pipes, [this] { return Open(); }));
  EXPECT_EQ(Names(), (std::vector<std::string>{"b", "linked"}));
  ExpectArrayOf(0, 0);
  ExpectArrayOf(1, 1);

  Settings().DATA_PATH = WriteText("data/list.txt", "a.CEL\tc.CEL\nd.CEL\nb.CEL\n");
  mLog.Clear();
  ASSERT_TRUE(OpensWithoutWaitingOn(pipes, [this] { return Open(); }));
  EXPECT_EQ(Names(), (std::vector<std::string>{"b"}));
  for (const char* name : {"a.CEL", "c.CEL", "d.CEL"})
    EXPECT_TRUE(mLog.ContainsRed(
        MessageBuffer(kNotARegularFileMessage, (DataFolder() + "/" + name).c_str())))
        << name;
}

// Whether every entry of the list stays in the data folder or, relative, beside the list:
// a damaged list must not send the test searching the machine's folders.
bool StaysInside(const std::string& text, const std::string& folder) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    for (const std::string& entry :
         DataFileListEntries(std::string_view(text).substr(start, end - start), "beside")) {
      if (entry.find("..") != std::string::npos) return false;
      if (entry.rfind(folder + "/", 0) != 0 && entry.rfind("beside/", 0) != 0) return false;
    }
    start = end + 1;
  }
  return true;
}

TEST_F(OpenGroupTest, DamagedDataFileListsReadOnlyTheFilesTheyName) {
  MakeSmallGroup(3);
  WriteAllScans();
  // Damage falls on the relative entries, which name nothing beside the scratch list; the
  // full path at the end names the one file there is to read.
  const std::string relative = "a0.CEL\tsub\\a1.CEL\nodd:x.CEL\n sub2 \t\n";
  const std::string text = relative + DataFolder() + "/a2.CEL\n\nlate.CEL\n";
  int fed = 0;
  int withFile = 0;
  int index = 0;
  for (const Bytes& variant :
       ByteVariants(Bytes(text.begin(), text.end()), 90, 11, "\t\n\\:aC", relative.size())) {
    SCOPED_TRACE(index++);
    if (!StaysInside(std::string(variant.begin(), variant.end()), DataFolder())) continue;
    TheGroup().ClearGroup();
    EXPECT_TRUE(FuzzReadDataFileList(variant.data(), variant.size()));
    ++fed;
    const Group& group = TheGroup();
    EXPECT_LE(group.NumArrays(), 1);
    if (group.NumArrays() == 1) {
      EXPECT_EQ(group.Array(0).dataFile, DataFolder() + "/a2.CEL");
      ++withFile;
    }
  }
  EXPECT_GT(fed, 45);
  EXPECT_GT(withFile, 30);
  EXPECT_EQ(Settings().DATA_PATH, DataFolder());
}

TEST_F(OpenGroupTest, TheThousandthArrayIsRefused) {
  synth::ArrayGroupOptions options;
  options.arrays = 1;
  MakeGroup(20, 8, options);
  for (int k = 0; k < MAX_ARRAY_NUM; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "s%04d", k);
    WriteScan(0, name, "", ScanTime(k));
  }
  Settings().LOAD_PROBE_DATA = 0;
  EXPECT_FALSE(Open());
  EXPECT_EQ(TheGroup().NumArrays(), MAX_ARRAY_NUM - 1);
  EXPECT_TRUE(mLog.ContainsRed(kMaxArrayNumMessage));
  EXPECT_EQ(TheGroup().Array(MAX_ARRAY_NUM - 2).name, "");  // names come after the read
  EXPECT_NE(TheGroup().Array(MAX_ARRAY_NUM - 2).dataFile.find("s0998.CEL"), std::string::npos);
}

TEST_F(OpenGroupTest, StopInTheMiddleEndsTheOpenAndKeepsWhatWasRead) {
  MakeSmallGroup(5);
  WriteAllScans();
  OpenGroupOptions fresh;
  fresh.ignoreExistingQvf = true;
  int polls = 0;
  {
    ScriptedProgress progress;
    ASSERT_TRUE(Open(fresh));
    polls = progress.polls;
  }
  ScriptedProgress progress;
  progress.stopAtPoll = polls / 2;
  mLog.Clear();
  EXPECT_FALSE(Open(fresh));
  const int arrays = TheGroup().NumArrays();
  EXPECT_GT(arrays, 0);
  EXPECT_LT(arrays, 5);
  for (int i = 0; i < arrays; ++i) ExpectArrayOf(i, i);
  // Nothing is offered after the stop line; a file being read when it came is dropped.
  const auto& lines = mLog.Lines();
  const auto stop = std::find_if(lines.begin(), lines.end(), [](const CapturedLine& line) {
    return line.colour == kLogRed && line.text == kUserStopMessage;
  });
  ASSERT_NE(stop, lines.end());
  EXPECT_EQ(std::next(stop), lines.end());
  const int found = CountLines("  Found ");
  EXPECT_TRUE(found == arrays || found == arrays + 1) << found;
}

TEST_F(OpenGroupTest, QvfFilesAreReusedUnlessIgnoredOrStale) {
  MakeSmallGroup(3);
  WriteAllScans();
  ASSERT_TRUE(Open());
  EXPECT_EQ(CountLines("Accessing"), 0);
  const std::string qvf = DataFolder() + "/a1.qvf";
  const auto size = QvfFileSize(Layout.dimension, Layout.unitCount);
  ASSERT_EQ(fs::file_size(qvf), size);

  mLog.Clear();
  ASSERT_TRUE(Open());
  EXPECT_EQ(CountLines("Accessing"), 3);
  for (int i = 0; i < 3; ++i) ExpectArrayOf(i, i);

  mLog.Clear();
  OpenGroupOptions fresh;
  fresh.ignoreExistingQvf = true;
  ASSERT_TRUE(Open(fresh));
  EXPECT_EQ(CountLines("Accessing"), 0);

  // One probe set fewer in the file, as a mask change leaves it.
  fs::resize_file(qvf, size - kQvfBytesPerUnit);
  mLog.Clear();
  ASSERT_TRUE(Open());
  EXPECT_EQ(CountLines("Accessing"), 2);
  EXPECT_TRUE(mLog.Contains("'" + qvf + "' was written for another chip layout", kLogBlack));
  EXPECT_FALSE(mLog.ContainsRed("does not fit the chip layout"));
  for (int i = 0; i < 3; ++i) ExpectArrayOf(i, i);
  EXPECT_EQ(fs::file_size(qvf), size);
}

TEST_F(OpenGroupTest, QvfFilesOpenDirectlyAndOneThatCannotBeReadStopsTheOpen) {
  MakeSmallGroup(3);
  WriteAllScans();
  ASSERT_TRUE(Open());
  for (int i = 0; i < 3; ++i) fs::remove(DataFolder() + "/a" + std::to_string(i) + ".CEL");
  Settings().READ_CEL = 0;
  Settings().READ_QVF = 1;
  mLog.Clear();
  ASSERT_TRUE(Open());
  EXPECT_EQ(Names(), (std::vector<std::string>{"a0", "a1", "a2"}));
  EXPECT_TRUE(mLog.Contains("from 'QVF' files", kLogBlack));
  for (int i = 0; i < 3; ++i) ExpectArrayOf(i, i);

  fs::resize_file(DataFolder() + "/a1.qvf", 2000);
  EXPECT_FALSE(Open());
  EXPECT_TRUE(mLog.Contains(kQvfReadFailedMessage, kLogBlack));
  EXPECT_EQ(TheGroup().NumArrays(), 1);
}

TEST_F(OpenGroupTest, NothingFoundFailsTheOpen) {
  MakeSmallGroup(1);
  EXPECT_FALSE(Open());
  EXPECT_TRUE(mLog.ContainsRed("Found no files of this type"));
}

TEST_F(OpenGroupTest, BaselineIsTheUpperMedianOrTheRecordedBaseline) {
  Group& group = TheGroup();
  const auto setMedians = [&group](std::vector<int> medians) {
    group.ClearGroup();
    for (std::size_t i = 0; i < medians.size(); ++i) {
      ArraySlot& slot = group.NextArraySlot();
      slot.medianIntensity = medians[i];
      slot.dataFile = "/scans/m" + std::to_string(i) + ".CEL";
      ASSERT_TRUE(group.CountArray());
    }
  };
  setMedians({300, 100, 200});
  EXPECT_EQ(ChooseBaselineArray(), 2);
  setMedians({100, 200, 300, 400});
  EXPECT_EQ(ChooseBaselineArray(), 2);
  EXPECT_EQ(group.BaselineArray, 2);
  setMedians({100, 200, 300, 400});
  group.Normalized = true;
  ChipData.baselinePath = "D:\\elsewhere\\M0.cel";
  EXPECT_EQ(ChooseBaselineArray(), 0);
  ChipData.baselinePath = "/scans/gone.CEL";
  EXPECT_EQ(ChooseBaselineArray(), 2);
}

// New files that killed writers left in the group's folders go when the group is opened,
// also from a folder the open writes nothing into (the home folder, with the working folder
// elsewhere); those of a live writer of this program, and files of any other naming, stay.
TEST_F(OpenGroupTest, OpeningClearsWhatKilledWritersLeftInTheGroupsFolders) {
  MakeSmallGroup(2);
  WriteAllScans();
  fs::create_directories(mFolder.File("work"));
  Settings().WORKING_DIR = mFolder.File("work");
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  const std::string dead = std::to_string(ended);
  const std::string live = std::to_string(getpid());
  const std::vector<std::pair<std::string, bool>> files = {
      {Settings().WORKING_DIR + "/.a0.qvf.tmp" + dead + "-3", false},
      {DataFolder() + "/.a1.qvf.tmp" + dead + "-0", false},
      {TheGroup().HomeFolder() + "/.group.ini.tmp" + dead + "-1", false},
      {DataFolder() + "/.a1.qvf.tmp" + live + "-0", true},
      {DataFolder() + "/a1.qvf.tmp" + dead + "-0", true},
  };
  for (const auto& [path, kept] : files)
    WriteText(fs::relative(path, mFolder.Path()).string(), "left\n");
  ASSERT_TRUE(Open());
  for (const auto& [path, kept] : files) EXPECT_EQ(fs::exists(path), kept) << path;
}
