// The export choices and the extension of an image file name.
#include "shell/services/image_export_choices.hpp"

#include <array>

int ExportImageFormat = kImageFormatBmp;
int ExportToClipboard = 1;

const char* ImageExtension(int format) {
  static constexpr std::array<const char*, 3> kExtensions = {"bmp", "jpg", "emf"};
  return format >= 0 && format < static_cast<int>(kExtensions.size()) ? kExtensions[format]
                                                                      : kExtensions[0];
}

std::string WithImageExtension(std::string_view name, int format) {
  const std::size_t nameStart = name.find_last_of("/\\");
  const std::size_t fileStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
  const std::size_t dot = name.rfind('.');
  std::string_view stem = name;
  if (dot != std::string_view::npos && dot >= fileStart &&
      name.find(' ', dot) == std::string_view::npos)
    stem = name.substr(0, dot);
  return std::string(stem) + "." + ImageExtension(format);
}
