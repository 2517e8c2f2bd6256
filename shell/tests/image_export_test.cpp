// Image export: the dialog, the shared flow to files and the clipboard in each format,
// read back by independent readers (the toolkit's BMP and JPEG readers, our metafile
// record reader), failures, and the View menu command on the right pane's view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "engine/testing/captured_log.hpp"
#include "engine/testing/recorded_requests.hpp"
#include "platform/bmp_file.hpp"
#include "platform/byte_reader.hpp"
#include "platform/process.hpp"
#include "platform/system_error.hpp"
#include "platform/tests/emf_records.hpp"
#include "shell/dialogs/image/export_image_dialog.hpp"
#include "shell/dialogs/image/image_export.hpp"
#include "shell/services/emf_paint_device.hpp"
#include "shell/services/image_export_choices.hpp"
#include "shell/services/output_files.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"
#include "shell/views/pane/export_image_command.hpp"

namespace {

using platform::testing::EmfContent;
using platform::testing::ReadEmfRecords;
namespace emr = platform::emr;

constexpr QSize kPictureSize(120, 80);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

// A picture whose every pixel is known: blocks of red and blue, a black frame line.
void DrawBlocks(QPainter& painter) {
  painter.fillRect(QRect(10, 10, 30, 20), kRed);
  painter.fillRect(QRect(60, 40, 40, 30), kBlue);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(0, 79, 119, 79);
}

QImage Expected() {
  QImage picture(kPictureSize, QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  DrawBlocks(painter);
  return picture;
}

PictureExport Blocks(const std::string& name) {
  return {name, kPictureSize, DrawBlocks, {}};
}

// Largest difference of any channel between two pictures of one size.
int LargestDifference(const QImage& a, const QImage& b, double* mean = nullptr) {
  int largest = 0;
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QColor p = a.pixelColor(x, y);
      const QColor q = b.pixelColor(x, y);
      for (int d : {p.red() - q.red(), p.green() - q.green(), p.blue() - q.blue()}) {
        largest = std::max(largest, std::abs(d));
        sum += std::abs(d);
      }
    }
  if (mean != nullptr) *mean = sum / (3.0 * a.width() * a.height());
  return largest;
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ImageExportTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ExportImageFormat = kImageFormatBmp;
    ExportToClipboard = 1;
  }
  void TearDown() override {
    ExportImageFormat = kImageFormatBmp;
    ExportToClipboard = 1;
    ShellTest::TearDown();
  }

  // The dialog's answer: export method and format clicked as a user would, then OK.
  void Answer(int method, int format) {
    prompts.dialogAnswer = [method, format](QDialog& dialog) {
      Control<QRadioButton>(dialog, method)->click();
      Control<QRadioButton>(dialog, format)->click();
      return int(QDialog::Accepted);
    };
  }

  RecordedOutputFiles registered;
  CapturedLog log;
};

TEST_F(ImageExportTest, TheDialogStartsFromTheRunsChoicesAndKeepsTheExtensionInStep) {
  ExportImageFormat = kImageFormatJpg;
  ExportToClipboard = 0;
  ExportImageDialog dialog("/data/run.2/demo cel image", nullptr);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Export image"));
  EXPECT_TRUE(Control<QRadioButton>(dialog, ExportImageDialog::kExportToFile)->isChecked());
  EXPECT_TRUE(Control<QRadioButton>(dialog, ExportImageDialog::kFormatJpg)->isChecked());
  auto* button = Control<QPushButton>(dialog, ExportImageDialog::kFileButton);
  EXPECT_EQ(dialog.FileName(), "/data/run.2/demo cel image.jpg");
  EXPECT_EQ(button->text().toStdString(), dialog.FileName());

  Control<QRadioButton>(dialog, ExportImageDialog::kFormatEmf)->click();
  EXPECT_EQ(ExportImageFormat, kImageFormatEmf) << "a format click holds at once";
  EXPECT_EQ(button->text().toStdString(), "/data/run.2/demo cel image.emf");
  Control<QRadioButton>(dialog, ExportImageDialog::kFormatBmp)->click();
  EXPECT_EQ(dialog.FileName(), "/data/run.2/demo cel image.bmp");

  // The file button asks for a name to save under, with the format's extension.
  prompts.fileAnswers = {std::string("/out/picture.bmp"), std::nullopt};
  button->click();
  ASSERT_EQ(prompts.CountOf(RecordedPrompt::Kind::kFile), 1);
  const FileDialogRequest& request = prompts.prompts.back().request;
  EXPECT_FALSE(request.open);
  EXPECT_TRUE(request.promptOverwrite);
  EXPECT_EQ(request.defaultExtension, "bmp");
  EXPECT_EQ(request.startFile, "/data/run.2/demo cel image.bmp");
  EXPECT_EQ(dialog.FileName(), "/out/picture.bmp");
  button->click();  // cancelled: the name stays
  EXPECT_EQ(dialog.FileName(), "/out/picture.bmp");
  Control<QRadioButton>(dialog, ExportImageDialog::kFormatJpg)->click();
  EXPECT_EQ(dialog.FileName(), "/out/picture.jpg");

  Control<QRadioButton>(dialog, ExportImageDialog::kCopyToClipboard)->click();
  EXPECT_EQ(ExportToClipboard, 0) << "the method is stored only on OK";
  dialog.StoreChoices();
  EXPECT_EQ(ExportToClipboard, 1);
  EXPECT_EQ(ExportImageFormat, kImageFormatJpg);

  // A dot in a folder, or one followed by a space, is not an extension.
  EXPECT_EQ(WithImageExtension("/a.b/plot", kImageFormatEmf), "/a.b/plot.emf");
  EXPECT_EQ(WithImageExtension("C:\\a.b\\plot", kImageFormatJpg), "C:\\a.b\\plot.jpg");
  EXPECT_EQ(WithImageExtension("/w/1.5 plot.Jpg", kImageFormatBmp), "/w/1.5 plot.bmp");
}

TEST_F(ImageExportTest, TheDialogIsDrawnWithItsLabels) {
  ExportImageDialog dialog(File("demo plot"), nullptr);
  dialog.resize(dialog.sizeHint());
  dialog.show();
  QApplication::processEvents();
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  const QString path = QStringLiteral(ZELKO_SCREENSHOT_DIR "/export_image_dialog.png");
  ASSERT_TRUE(dialog.grab().save(path));
  const QImage picture(path);
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), dialog.size() * dialog.devicePixelRatio());
  EXPECT_GT(picture.width(), 200);
  EXPECT_GT(picture.height(), 150);

  // The label "Export to file" is drawn where its button is: dark text on a light
  // ground; the same strip right of the longest label holds no text.
  auto* radio = Control<QRadioButton>(dialog, ExportImageDialog::kExportToFile);
  EXPECT_EQ(radio->text(), QStringLiteral("Export to file"));
  const QRect area(radio->mapTo(&dialog, QPoint(0, 0)), radio->size());
  int dark = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      dark += picture.pixelColor(x, y).lightness() < 100 ? 1 : 0;
  EXPECT_GT(dark, 20);
  dialog.hide();
}

TEST_F(ImageExportTest, BitmapFilesReadBackPixelForPixel) {
  Answer(ExportImageDialog::kExportToFile, ExportImageDialog::kFormatBmp);
  ASSERT_TRUE(ExportViewImage(Blocks(File("blocks")), nullptr));
  const std::string path = File("blocks.bmp");
  QImageReader reader(ToQString(path));
  EXPECT_EQ(reader.format(), QByteArray("bmp"));
  const QImage back = reader.read();
  ASSERT_EQ(back.size(), kPictureSize);
  EXPECT_EQ(LargestDifference(back, Expected()), 0);
  const std::vector<std::uint8_t> bytes = FileBytes(path);
  EXPECT_EQ(bytes.size(), 54u + 360u * 80u);
  EXPECT_EQ(platform::LoadU16(bytes.data() + 28), 24u);

  ASSERT_EQ(registered.files.size(), 1u);
  EXPECT_EQ(registered.files[0].path, path);
  EXPECT_TRUE(registered.files[0].insertIntoLog);
  EXPECT_EQ(ExportToClipboard, 0);
  EXPECT_EQ(ExportImageFormat, kImageFormatBmp);
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kMessage), 0);
}

TEST_F(ImageExportTest, JpegFilesMatchThePictureWithinJpegErrorAndLeaveNoBitmapBehind) {
  Answer(ExportImageDialog::kExportToFile, ExportImageDialog::kFormatJpg);
  ASSERT_TRUE(ExportViewImage(Blocks(File("blocks")), nullptr));
  const std::string path = File("blocks.jpg");
  QImageReader reader(ToQString(path));
  EXPECT_EQ(reader.format(), QByteArray("jpeg"));
  const QImage back = reader.read();
  ASSERT_EQ(back.size(), kPictureSize) << reader.errorString().toStdString();
  // Quality 100 with the library's standard chroma subsampling: colour bleeds a pixel or
  // two across the blocks' sharp edges, and is exact to a few levels elsewhere.
  double mean = 0;
  LargestDifference(back, Expected(), &mean);
  EXPECT_LT(mean, 2.0);
  const QImage expected = Expected();
  for (const QRect& inside : {QRect(13, 13, 24, 14), QRect(63, 43, 34, 24), QRect(45, 2, 10, 70)})
    EXPECT_LE(LargestDifference(back.copy(inside), expected.copy(inside)), 6)
        << inside.x() << "," << inside.y();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder()),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary BMP file is left";
  ASSERT_EQ(registered.files.size(), 1u);
  EXPECT_EQ(registered.files[0].path, path);

  // ".Jpg" is neither ".jpg" nor ".JPG": the file holds a bitmap.
  prompts.fileAnswers = {File("mixed.Jpg")};
  prompts.dialogAnswer = [](QDialog& dialog) {
    Control<QPushButton>(dialog, ExportImageDialog::kFileButton)->click();
    return int(QDialog::Accepted);
  };
  ASSERT_TRUE(ExportViewImage(Blocks(File("blocks")), nullptr));
  const std::vector<std::uint8_t> bytes = FileBytes(File("mixed.Jpg"));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
}

TEST_F(ImageExportTest, MetafilesHoldThePicturesShapesAsRecords) {
  Answer(ExportImageDialog::kExportToFile, ExportImageDialog::kFormatEmf);
  ASSERT_TRUE(ExportViewImage(Blocks(File("blocks")), nullptr));
  const std::vector<std::uint8_t> file = FileBytes(File("blocks.emf"));
  const EmfContent content = ReadEmfRecords(file);
  ASSERT_EQ(content.error, "");
  // The two blocks are filled rectangles in their colours, without outline.
  std::vector<std::uint32_t> brushColours;
  std::vector<platform::EmfRect> rectangles;
  for (const auto& record : content.records) {
    if (record.type == emr::kCreateBrushIndirect)
      brushColours.push_back(static_cast<std::uint32_t>(record.Int(16)));
    if (record.type == emr::kRectangle)
      rectangles.push_back({record.Int(8), record.Int(12), record.Int(16), record.Int(20)});
  }
  EXPECT_EQ(brushColours, (std::vector<std::uint32_t>{0x0000FF, 0xFF0000}));
  ASSERT_EQ(rectangles.size(), 2u);
  EXPECT_EQ(rectangles[0].left, 10);
  EXPECT_EQ(rectangles[0].top, 10);
  EXPECT_EQ(rectangles[0].right, 40);
  EXPECT_EQ(rectangles[0].bottom, 30);
  EXPECT_EQ(rectangles[1].right, 100);
  EXPECT_EQ(content.CountOf(emr::kPolyline16), 1) << "the line";
  EXPECT_EQ(content.bounds.left, 0);
  EXPECT_EQ(content.bounds.bottom, 79);
  EXPECT_EQ(content.frame.right, 120 * 2540 / 96 - 1);
  ASSERT_EQ(registered.files.size(), 1u);

  // The same picture twice is the same drawing.
  ASSERT_TRUE(ExportViewImage(Blocks(File("again")), nullptr));
  EXPECT_EQ(ReadEmfRecords(FileBytes(File("again.emf"))).drawingChecksum, content.drawingChecksum);
}

TEST_F(ImageExportTest, TextAndPicturesBecomeTextAndBitmapRecords) {
  QImage stamp(4, 3, QImage::Format_RGB32);
  stamp.fill(QColor(10, 200, 30));
  const std::vector<std::uint8_t> metafile = RecordMetafile(QSize(200, 100), [&](QPainter& p) {
    p.setPen(QColor(0, 0, 255));
    p.drawText(QPointF(20, 50), QStringLiteral("Probe 1000_at"));
    p.drawImage(QRect(100, 10, 40, 30), stamp);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRect(150, 60, 20, 20));
  });
  const EmfContent content = ReadEmfRecords(metafile);
  ASSERT_EQ(content.error, "");
  ASSERT_EQ(content.CountOf(emr::kExtTextOutW), 1);
  ASSERT_EQ(content.CountOf(emr::kStretchDiBits), 1);
  EXPECT_EQ(content.CountOf(emr::kEllipse), 1);
  EXPECT_EQ(content.CountOf(emr::kExtCreateFontIndirectW), 1);
  for (const auto& record : content.records) {
    if (record.type == emr::kSetTextColor) {
      EXPECT_EQ(record.Int(8), 0xFF0000);
    }
    if (record.type == emr::kExtTextOutW) {
      EXPECT_EQ(record.Int(36), 20);
      EXPECT_EQ(record.Int(40), 50);
      ASSERT_EQ(record.Int(44), 13);
      std::u16string text;
      for (int i = 0; i < 13; ++i)
        text +=
            static_cast<char16_t>(platform::LoadU16(record.bytes.data() + record.Int(48) + 2 * i));
      EXPECT_EQ(text, u"Probe 1000_at");
    }
    if (record.type == emr::kStretchDiBits) {
      EXPECT_EQ(record.Int(24), 100);
      EXPECT_EQ(record.Int(28), 10);
      EXPECT_EQ(record.Int(44), 30) << "the picture comes scaled to its place";
      EXPECT_EQ(record.Int(72), 40) << "destination width";
      const std::uint8_t* firstPixel = record.bytes.data() + record.Int(56);
      EXPECT_EQ(firstPixel[0], 30);  // blue, green, red
      EXPECT_EQ(firstPixel[1], 200);
      EXPECT_EQ(firstPixel[2], 10);
    }
  }
}

TEST_F(ImageExportTest, TheClipboardGetsThePictureAndNoFileIsWritten) {
  Answer(ExportImageDialog::kCopyToClipboard, ExportImageDialog::kFormatBmp);
  ASSERT_TRUE(ExportViewImage(Blocks(File("blocks")), nullptr));
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), kPictureSize);
  EXPECT_EQ(LargestDifference(copied, Expected()), 0);

  Answer(ExportImageDialog::kCopyToClipboard, ExportImageDialog::kFormatEmf);
  ASSERT_TRUE(ExportViewImage(Blocks(File("blocks")), nullptr));
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  const QByteArray bytes = data->data(QString::fromLatin1(kMetafileMimeType));
  const EmfContent content =
      ReadEmfRecords(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               static_cast<std::size_t>(bytes.size())));
  EXPECT_EQ(content.error, "");
  EXPECT_EQ(content.CountOf(emr::kRectangle), 2);

  EXPECT_TRUE(registered.files.empty());
  EXPECT_TRUE(std::filesystem::is_empty(Folder()));
  EXPECT_EQ(ExportToClipboard, 1);
}

TEST_F(ImageExportTest, AFileThatCannotBeWrittenSaysSoInRedAndRegistersNothing) {
  for (int format : {ExportImageDialog::kFormatBmp, ExportImageDialog::kFormatJpg,
                     ExportImageDialog::kFormatEmf}) {
    log.Clear();
    prompts.prompts.clear();
    Answer(ExportImageDialog::kExportToFile, format);
    // The JPEG writer says first that it cannot open the file.
    EXPECT_FALSE(ExportViewImage(Blocks(File("no folder/blocks")), nullptr));
    // Each message keeps its words and gives the system's reason on its last line.
    const std::string reason = " (" + platform::SystemErrorText(ENOENT) + ")";
    EXPECT_TRUE(log.ContainsRed(File("no folder/blocks"))) << format;
    EXPECT_TRUE(log.ContainsRed("' failed" + reason)) << format;
    ASSERT_EQ(prompts.CountOf(RecordedPrompt::Kind::kMessage),
              format == ExportImageDialog::kFormatJpg ? 2 : 1);
    if (format == ExportImageDialog::kFormatJpg) {
      ASSERT_EQ(prompts.prompts.size(), 3u);
      EXPECT_EQ(prompts.prompts[1].text,
                "JpegFile :\nCan't open " + File("no folder/blocks.jpg") + reason + "\n");
    }
    EXPECT_EQ(prompts.prompts.back().text, kImageExportFailedMessage + reason);
  }
  // A file in the way of the folder gives its own reason.
  std::ofstream(File("plain")) << "a file";
  prompts.prompts.clear();
  Answer(ExportImageDialog::kExportToFile, ExportImageDialog::kFormatBmp);
  EXPECT_FALSE(ExportViewImage(Blocks(File("plain/blocks")), nullptr));
  EXPECT_EQ(prompts.prompts.back().text,
            kImageExportFailedMessage + (" (" + platform::SystemErrorText(ENOTDIR) + ")"));
  EXPECT_TRUE(registered.files.empty());
  EXPECT_FALSE(std::filesystem::exists(File("no folder")));

  // An old file stays as it was when the new picture cannot be made.
  const std::string old = File("old.bmp");
  std::ofstream(old) << "old picture";
  prompts.prompts.clear();
  Answer(ExportImageDialog::kExportToFile, ExportImageDialog::kFormatBmp);
  EXPECT_FALSE(ExportViewImage({File("old"), QSize(40000, 40000), DrawBlocks, {}}, nullptr));
  EXPECT_EQ(prompts.prompts.back().text, kImageExportFailedMessage);
  std::string kept;
  std::getline(std::ifstream(old), kept);
  EXPECT_EQ(kept, "old picture");
  EXPECT_TRUE(registered.files.empty());

  // Cancel does nothing at all.
  prompts.prompts.clear();
  prompts.dialogAnswer = nullptr;
  EXPECT_FALSE(ExportViewImage(Blocks(File("blocks")), nullptr));
  EXPECT_EQ(prompts.prompts.size(), 1u);
}

TEST_F(ImageExportTest, BmpFilesConvertToJpegOrSayWhatIsWrong) {
  QImage picture = Expected();
  const std::string bmp = File("in.bmp");
  ASSERT_TRUE(picture.save(ToQString(bmp), "BMP"));
  ASSERT_TRUE(ConvertBmpToJpeg(bmp, File("out.jpg")));
  EXPECT_EQ(ImageFileStatus, platform::kBmpStatusOk);
  const QImage back(ToQString(File("out.jpg")), "JPEG");
  ASSERT_EQ(back.size(), kPictureSize);
  double mean = 0;
  LargestDifference(back, picture, &mean);
  EXPECT_LT(mean, 1.0);

  std::ofstream(File("short.bmp")) << "BM1234";
  EXPECT_FALSE(ConvertBmpToJpeg(File("short.bmp"), File("short.jpg")));
  EXPECT_EQ(ImageFileStatus, platform::kBmpHeaderReadError);
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].text, "Read Error!");
  EXPECT_FALSE(std::filesystem::exists(File("short.jpg")));
}

TEST_F(ImageExportTest, TheViewMenuCommandExportsWhatThePaneShows) {
  CMainFrame& frame = OpenFrame();
  frame.UpdateCommandUi();
  EXPECT_FALSE(frame.Action(ids::kExportImage)->isEnabled()) << "the log draws no picture";
  TheGroup().Settings().WORKING_DIR = Folder();
  TheGroup().SetName("demo");
  frame.ShowView(VIEW_CHROMOSOME);
  QApplication::processEvents();
  frame.UpdateCommandUi();
  ASSERT_TRUE(frame.Action(ids::kExportImage)->isEnabled());

  std::string offered;
  prompts.dialogAnswer = [&offered](QDialog& dialog) {
    offered = static_cast<ExportImageDialog&>(dialog).FileName();
    Control<QRadioButton>(dialog, ExportImageDialog::kExportToFile)->click();
    return int(QDialog::Accepted);
  };
  ASSERT_TRUE(frame.OnCommand(ids::kExportImage));
  // The chromosome view gives its whole picture, named after the chromosome shown.
  EXPECT_EQ(offered, File("demo chro_1.bmp"));
  const QImage back(ToQString(offered));
  ASSERT_FALSE(back.isNull());
  const auto* chromosomes = dynamic_cast<CChromosomeView*>(frame.PaneView());
  ASSERT_NE(chromosomes, nullptr);
  const QSize whole(chromosomes->Geometry().picWidth, chromosomes->Geometry().picHeight);
  EXPECT_EQ(back.size(), whole);
  EXPECT_EQ(back.pixelColor(back.width() / 2, back.height() / 2), QColor(Qt::white));
  ASSERT_EQ(registered.files.size(), 1u);
  EXPECT_EQ(registered.files[0].path, offered);

  // The same picture as a metafile, drawn within it.
  Answer(ExportImageDialog::kExportToFile, ExportImageDialog::kFormatEmf);
  ASSERT_TRUE(frame.OnCommand(ids::kExportImage));
  const EmfContent content = ReadEmfRecords(FileBytes(File("demo chro_1.emf")));
  ASSERT_EQ(content.error, "");
  EXPECT_GT(content.bounds.right, 0);
  EXPECT_LT(content.bounds.right, whole.width());
  EXPECT_LT(content.bounds.bottom, whole.height());
  TheGroup().Settings().VIEW_ALL_CHROMOSOME = 1;
  EXPECT_EQ(DefaultImageName(VIEW_CHROMOSOME), File("demo chro_"));

  // A scrolled view gives all it scrolls over, not only what is visible.
  frame.ShowView(VIEW_PLOTS);
  QApplication::processEvents();
  auto* plots = qobject_cast<QScrollArea*>(frame.PaneView());
  ASSERT_NE(plots, nullptr);
  ASSERT_NE(plots->widget(), nullptr);
  const PictureExport picture = PaneViewPicture(frame);
  EXPECT_EQ(picture.size, plots->widget()->size());
  EXPECT_EQ(picture.defaultName, File("demo plot"));

  EXPECT_TRUE(ShowsPicture(VIEW_CEL));
  EXPECT_FALSE(ShowsPicture(VIEW_R));
  EXPECT_FALSE(ShowsPicture(VIEW_PATHWAY));
  TheGroup().Settings().GENE_LIST_FILE = "/lists/up genes.txt";
  EXPECT_EQ(DefaultImageName(VIEW_CLUSTER), "/lists/up genes clustering");
  EXPECT_EQ(DefaultImageName(VIEW_GENOME), "/lists/up genes genome image");
}

}  // namespace
