// The shared image export flow.
#include "shell/dialogs/image/image_export.hpp"
#include "platform/system_error.hpp"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>

#include <cerrno>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/output_file_registry.hpp"
#include "engine/services/user_prompt.hpp"
#include "platform/bmp_file.hpp"
#include "platform/byte_writer.hpp"
#include "shell/dialogs/image/export_image_dialog.hpp"
#include "shell/services/emf_paint_device.hpp"
#include "shell/services/image_export_choices.hpp"
#include "shell/services/jpeg_file.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"

std::string ImageFileStatus = platform::kBmpStatusOk;

namespace {

bool NamesMetafile(const std::string& name) {
  return Contains(name, ".emf") || Contains(name, ".EMF");
}

bool NamesJpeg(const std::string& name) {
  return Contains(name, ".jpg") || Contains(name, ".JPG");
}

// Top-down rows of red, green, blue; empty for a null picture.
std::vector<std::uint8_t> RgbRows(const QImage& picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
  std::vector<std::uint8_t> rows;
  if (rgb.isNull()) return rows;
  rows.reserve(static_cast<std::size_t>(rgb.width()) * rgb.height() * 3);
  for (int y = 0; y < rgb.height(); ++y) {
    const uchar* row = rgb.constScanLine(y);
    rows.insert(rows.end(), row, row + 3 * rgb.width());
  }
  return rows;
}

bool WithinBitmapLimit(const QSize& size) {
  return size.width() > 0 && size.height() > 0 &&
         platform::kDibHeaderSize +
                 platform::DibRowBytes(static_cast<std::uint64_t>(size.width()), 24) *
                     static_cast<std::uint64_t>(size.height()) <=
             platform::kMaxDibBytes;
}

// What the export produced.
enum class Outcome { kDone, kPictureFailed, kFileNotWritten };

// The system's reason of the last failed write, for the messages.
int gWriteError = 0;

// The outcome of a write whose result is in hand; errno still holds its reason, since
// nothing else ran after it failed.
Outcome Written(bool written) {
  gWriteError = written ? 0 : errno;
  return written ? Outcome::kDone : Outcome::kFileNotWritten;
}

Outcome ExportMetafile(const PictureExport& picture, const std::string& file) {
  const std::vector<std::uint8_t> metafile = RecordMetafile(picture.size, picture.draw);
  if (ExportToClipboard != 0) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kMetafileMimeType),
                  QByteArray(reinterpret_cast<const char*>(metafile.data()),
                             static_cast<qsizetype>(metafile.size())));
    QGuiApplication::clipboard()->setMimeData(data);
    return Outcome::kDone;
  }
  errno = 0;
  return Written(platform::WriteWholeFile(file, metafile));
}

Outcome ExportBitmap(const PictureExport& picture, const std::string& file) {
  if (!WithinBitmapLimit(picture.size)) return Outcome::kPictureFailed;
  QImage bitmap(picture.size, QImage::Format_RGB32);
  if (bitmap.isNull()) return Outcome::kPictureFailed;
  bitmap.fill(Qt::white);
  {
    QPainter painter(&bitmap);
    if (picture.draw) picture.draw(painter);
  }
  if (picture.crop) {
    const QRect part = picture.crop->intersected(bitmap.rect());
    if (part.isEmpty()) return Outcome::kPictureFailed;
    bitmap = bitmap.copy(part);
  }
  if (ExportToClipboard != 0) {
    QGuiApplication::clipboard()->setImage(bitmap);
    return Outcome::kDone;
  }
  errno = 0;
  return Written(SaveBitmapImage(file, bitmap));
}

}  // namespace

bool ExportViewImage(const PictureExport& picture, QWidget* parent) {
  std::string file;
  {
    ExportImageDialog dialog(picture.defaultName, parent);
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return false;
    dialog.StoreChoices();
    file = dialog.FileName();
  }
  PumpMessages();
  // The name's extension decides, whatever the format buttons said.
  const Outcome outcome =
      NamesMetafile(file) ? ExportMetafile(picture, file) : ExportBitmap(picture, file);
  if (outcome != Outcome::kDone) {
    const int error = outcome == Outcome::kFileNotWritten ? gWriteError : 0;
    if (outcome == Outcome::kFileNotWritten)
      LogMessage(platform::WithSystemReason(
                     MessageBuffer(kImageFileNotWrittenMessage, file.c_str()), error),
                 0, kLogRed);
    AfxMessageBox(platform::WithSystemReason(kImageExportFailedMessage, error));
    return false;
  }
  if (ExportToClipboard == 0) RegisterOutputFile(file, true);
  return true;
}

bool SaveBitmapImage(const std::string& file, const QImage& bitmap) {
  QGuiApplication::clipboard()->setImage(bitmap);
  if (!WithinBitmapLimit(bitmap.size())) return false;
  const std::vector<std::uint8_t> rgb = RgbRows(bitmap);
  // A JPEG is made from the pixels in hand: no BMP file is written first under the
  // JPEG's name or beside it.
  if (NamesJpeg(file))
    return !rgb.empty() &&
           WriteJpegFile(file, rgb.data(), static_cast<unsigned>(bitmap.width()),
                         static_cast<unsigned>(bitmap.height()), true, kJpegQuality);
  const auto block = platform::MakeDibBlock(bitmap.width(), bitmap.height(), rgb);
  return block && platform::WriteDibFile(file, *block);
}

bool ConvertBmpToJpeg(const std::string& bmpFile, const std::string& jpgFile) {
  const platform::BmpPixels pixels = platform::ReadBmpFile(bmpFile);
  ImageFileStatus = pixels.status;
  if (pixels.rgb.empty() || ImageFileStatus != platform::kBmpStatusOk) {
    AfxMessageBox(ImageFileStatus);
    return false;
  }
  return WriteJpegFile(jpgFile, pixels.rgb.data(), pixels.width, pixels.height, true, kJpegQuality);
}
