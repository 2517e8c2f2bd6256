// The user's choices for exported images, kept for the rest of the run by every view
// alike and never saved: the format and whether pictures go to the clipboard instead of
// a file.
#pragma once

#include <string>
#include <string_view>

inline constexpr int kImageFormatBmp = 0;
inline constexpr int kImageFormatJpg = 1;
inline constexpr int kImageFormatEmf = 2;

// 0 BMP, 1 JPG, 2 EMF; BMP at start.
extern int ExportImageFormat;
// 1 copies to the clipboard, 0 exports to a file; the clipboard at start.
extern int ExportToClipboard;

// "bmp", "jpg" or "emf"; a format out of range counts as BMP.
const char* ImageExtension(int format);

// The name with the format's extension: an extension the file's own name has (the part
// after its last '.', when that holds no space) gives way to the format's; a '.' in a
// folder, or in a name such as "a.1 cel image", is not an extension.
std::string WithImageExtension(std::string_view name, int format);
