// The Export Image command that every picture view shares: the export dialog, then the
// view's whole picture as an enhanced metafile or a bitmap, to the clipboard or to a file
// (BMP, or JPEG when the name says ".jpg"), and the written file registered. A view gives
// only its default name, its picture's size and its drawing routine.
#pragma once

#include <QRect>
#include <QSize>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QImage;
class QPainter;
class QWidget;

inline constexpr const char* kImageExportFailedMessage =
    "Failed to export or copy image; you may try smaller image";
// Logged in red when the picture was made but its file could not be written.
inline constexpr const char* kImageFileNotWrittenMessage = "  Writing image file '%s' failed";
// The clipboard's type for metafiles.
inline constexpr const char* kMetafileMimeType = "image/x-emf";
// JPEG files are written at this quality.
inline constexpr int kJpegQuality = 100;

// "OK", or what the last BMP reading found wrong.
extern std::string ImageFileStatus;

struct PictureExport {
  std::string defaultName;  // folder and name, without extension
  QSize size;               // the whole picture, not only what is visible
  std::function<void(QPainter&)> draw;
  // A bitmap keeps only this part of the whole picture (a metafile keeps all of it).
  std::optional<QRect> crop;
};

// The command: true when the picture was copied or its file written (and registered).
// Cancel in the dialog does nothing; a failure shows the failure message, and a file
// that cannot be written is also logged in red, with nothing registered.
bool ExportViewImage(const PictureExport& picture, QWidget* parent);

// A view's picture drawn on a white bitmap goes to the clipboard, then into a 24-bit BMP
// file, or a JPEG file when the name holds ".jpg" or ".JPG". False when the picture is
// too large for a bitmap or the file cannot be written (an old file is then kept).
bool SaveBitmapImage(const std::string& file, const QImage& bitmap);

// A BMP file converted to a JPEG file; the BMP reader's complaint is shown in a message
// box (and kept in ImageFileStatus).
bool ConvertBmpToJpeg(const std::string& bmpFile, const std::string& jpgFile);
