// The JPEG writer over the JPEG library.
#include "shell/services/jpeg_file.hpp"
#include "platform/system_error.hpp"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <span>

#include <jpeglib.h>

#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "platform/file_replacement.hpp"
#include "shell/services/shell_helpers.hpp"

namespace {

// The library reports a fatal error by a jump back into CompressToMemory, which
// holds nothing that needs destroying.
struct JumpingErrors {
  jpeg_error_mgr manager;
  std::jmp_buf back;
};

void JumpBack(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JumpingErrors*>(info->err)->back, 1);
}

// Compresses into memory that the library allocates (freed by the caller with free());
// false when the library fails.
bool CompressToMemory(const std::uint8_t* pixels, unsigned width, unsigned height, bool colour,
                      int quality, unsigned char** output, unsigned long* outputSize) {
  jpeg_compress_struct info;
  JumpingErrors errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpBack;
  if (setjmp(errors.back) != 0) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, output, outputSize);
  info.image_width = width;
  info.image_height = height;
  info.input_components = colour ? 3 : 1;
  info.in_color_space = colour ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (colour ? 3 : 1);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + info.next_scanline * rowBytes);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

bool WriteJpegFile(const std::string& file, const std::uint8_t* pixels, unsigned width,
                   unsigned height, bool colour, int quality) {
  if (pixels == nullptr || width == 0 || height == 0) return false;
  platform::FileReplacement out;
  if (!out.Open(file)) {
    const int error = out.Error();
    AfxMessageBox(
        platform::WithSystemReason(MessageBuffer(kJpegCannotOpenMessage, file.c_str()), error));
    // The caller's own message gives the reason too.
    errno = error;
    return false;
  }
  unsigned char* compressed = nullptr;
  unsigned long size = 0;
  const bool made = CompressToMemory(pixels, width, height, colour, quality, &compressed, &size);
  const bool written =
      made && out.Write(std::span<const std::uint8_t>(compressed, size)) && out.Commit();
  std::free(compressed);
  // The caller's message gives the system's reason of a failed write.
  if (!written && out.Error() != 0) errno = out.Error();
  return written;
}
