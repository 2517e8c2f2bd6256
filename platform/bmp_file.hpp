// Device-independent bitmaps: the block of a 40-byte information header and bottom-up
// pixel rows that pictures are handed around in, the BMP file that is that block behind a
// 14-byte file header, and the reading of BMP files back into top-down red, green, blue
// pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

inline constexpr std::size_t kDibHeaderSize = 40;
inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::uint32_t kDibCompressionNone = 0;  // BI_RGB
// A picture whose block would be larger than this is refused rather than allocated.
inline constexpr std::uint64_t kMaxDibBytes = std::uint64_t{1} << 30;

// The bytes of one pixel row in a bitmap, padded to a multiple of 4.
std::uint64_t DibRowBytes(std::uint64_t width, unsigned bitCount);

// A 24-bit block of the picture given as top-down rows of red, green, blue (width x 3
// bytes a row); empty when a size is not positive, the pixels are too few or the block
// would exceed kMaxDibBytes.
std::optional<std::vector<std::uint8_t>> MakeDibBlock(int width, int height,
                                                      std::span<const std::uint8_t> rgb);

// The BMP file of a block: the file header, then the block unchanged.
std::vector<std::uint8_t> BmpFileBytes(std::span<const std::uint8_t> dib);

// Writes the BMP file of a block, replacing path only when the whole file was written;
// false when it cannot be (an old file is then kept).
[[nodiscard]] bool WriteDibFile(const std::string& path, std::span<const std::uint8_t> dib);

// What reading a BMP file says: "OK" or one of these.
inline constexpr const char* kBmpStatusOk = "OK";
inline constexpr const char* kBmpNotValid = "Not a valid BMP File";
inline constexpr const char* kBmpHeaderReadError = "Read Error!";
inline constexpr const char* kBmpCompressed = "This is a compressed file.";
inline constexpr const char* kBmpCorruptPalette = "Corrupt palette";
inline constexpr const char* kBmpCannotOpen = "Can't open file for reading :\n";
inline constexpr const char* kBmpPixelReadError = "Read Error";
inline constexpr const char* kBmpUnsupportedBits = "Unsupported number of bits per pixel";
// BMP files larger than this are not read.
inline constexpr std::uint64_t kMaxBmpFileBytes = kMaxDibBytes + 4096;

struct BmpPixels {
  std::string status = kBmpStatusOk;  // on failure the pixels are empty, the sizes 0
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint8_t> rgb;  // top-down rows of red, green, blue
};

// Reads an uncompressed BMP file of 1, 4, 8, 16 (5-5-5), 24 or 32 bits per pixel.
BmpPixels ReadBmpFile(const std::string& path);
// The same from the file's bytes.
BmpPixels DecodeBmp(std::span<const std::uint8_t> bytes);
// Fuzz entry: the reader on a byte buffer; true when it reads a picture.
bool FuzzReadBmpFile(const std::uint8_t* data, std::size_t size);

}  // namespace platform
