// Scale CEL Value on a generated group opened in the window: the dialog shows the array
// and its median and refuses a target out of range, OK runs the job in its blue block and
// the array's QVF file read back holds the scaled intensities; Cancel and an array that
// cannot be read change nothing.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "engine/array/chip_data.hpp"
#include "shell/dialogs/array/scale_cel_dialog.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/tests/group_commands_test.hpp"
#include "shell/views/array/scale_cel_command.hpp"

namespace {

CHIP_DATA ReadQvf(int array) {
  CHIP_DATA data;
  data.dataPath = TheGroup().Array(array).dataFile;
  EXPECT_TRUE(data.ReadExisting(data.QvfPath().c_str(), false, false));
  return data;
}

class ScaleCelCommandTest : public GroupCommandsTest {
 protected:
  // The lines from `from` on, up to the last that is not empty.
  std::vector<std::string> Block(std::size_t from) const {
    std::vector<std::string> lines = LinesFrom(from);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
  }
};

TEST_F(ScaleCelCommandTest, OkScalesTheArrayIntoItsQvfFileAndFailuresChangeNothing) {
  CMainFrame& frame = OpenFrame();
  OpenLiver(frame);
  Group& group = TheGroup();
  const CHIP_DATA before = ReadQvf(1);
  const std::vector<std::uint16_t> inMemory = group.Array(1).intensities;
  std::vector<std::string> shown;
  prompts.dialogAnswer = [&shown](QDialog& dialog) {
    auto* target = Control<QLineEdit>(dialog, ScaleCelDialog::kTarget);
    shown = {Control<QLabel>(dialog, ScaleCelDialog::kArrayName)->text().toStdString(),
             Control<QLabel>(dialog, ScaleCelDialog::kMedian)->text().toStdString(),
             target->text().toStdString()};
    for (const char* text : {"2001", "1.5", "2000"}) {
      target->setText(QString::fromLatin1(text));
      dialog.accept();
    }
    return dialog.result();
  };
  const std::size_t start = LogLines().size();
  ASSERT_TRUE(RunScaleCelValue(frame, 1));
  EXPECT_EQ(shown,
            (std::vector<std::string>{"liver02", std::to_string(before.medianIntensity), "100"}));
  ASSERT_EQ(prompts.prompts.size(), 3u);
  EXPECT_EQ(prompts.prompts[1].text, IntegerRangeMessage(0, 2000));
  EXPECT_EQ(prompts.prompts[2].text, kNotAnIntegerMessage);
  std::vector<std::string> lines = Block(start);
  const auto saved =
      std::find(lines.begin(), lines.end(), "    Scaled CEL values are saved in QVF file");
  ASSERT_NE(saved, lines.end());
  EXPECT_EQ(LineColour(static_cast<int>(start + (saved - lines.begin()))), QColor(0, 0, 0));
  EXPECT_EQ(lines.front(), "{Scale unnormalized CEL values");
  EXPECT_EQ(LineColour(static_cast<int>(start)), QColor(0, 0, 255));
  EXPECT_EQ(lines.back(), "Finished}");

  const CHIP_DATA after = ReadQvf(1);
  const double factor = 2000.0 / before.medianIntensity;
  ASSERT_EQ(after.plane1.size(), before.plane1.size());
  for (std::size_t cell = 0; cell < before.plane1.size(); ++cell)
    ASSERT_EQ(after.plane1[cell],
              std::min(std::floor(factor * before.plane1[cell] + 0.5), 65535.0));
  EXPECT_EQ(after.medianIntensity, 2000);
  EXPECT_EQ(group.Array(1).medianIntensity, 2000);
  EXPECT_EQ(group.Array(1).intensities, inMemory) << "in use after the group is opened again";
  // The brightest array now: the baseline is the one of the new middle median.
  EXPECT_EQ(group.BaselineArray,
            group.Array(0).medianIntensity > group.Array(2).medianIntensity ? 0 : 2);

  // Cancel, no such array, and an array whose files are gone change nothing.
  const int median = group.Array(2).medianIntensity;
  const int baseline = group.BaselineArray;
  prompts.dialogAnswer = [](QDialog&) { return static_cast<int>(QDialog::Rejected); };
  const std::size_t cancelled = LogLines().size();
  EXPECT_FALSE(RunScaleCelValue(frame, 2));
  EXPECT_FALSE(RunScaleCelValue(frame, 3));
  EXPECT_EQ(LogLines().size(), cancelled);
  prompts.AcceptDialogs();
  std::filesystem::remove(group.Array(2).dataFile);
  std::filesystem::remove(QvfPathFor(group.Array(2).dataFile));
  EXPECT_FALSE(RunScaleCelValue(frame, 2));
  lines = Block(cancelled);
  EXPECT_EQ(lines.front(), "{Scale unnormalized CEL values");
  EXPECT_EQ(lines.back(), "Not completed}");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "    Scaled CEL values are saved in QVF file"),
            0);
  EXPECT_EQ(group.Array(2).medianIntensity, median);
  EXPECT_EQ(group.BaselineArray, baseline);
}

}  // namespace
