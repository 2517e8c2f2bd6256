// Bitmap blocks and BMP files: the bytes written, and the reading of the files back,
// palettes and failures included.
#include "platform/bmp_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/tests/temp_folder.hpp"

namespace platform {
namespace {

// A picture whose every byte says where it is.
std::vector<std::uint8_t> Pattern(int width, int height) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width * height * 3));
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7 + i / 3);
  return rgb;
}

// The headers of an uncompressed file with the given palette, bits and pixel offset.
ByteWriter Headers(int width, int height, unsigned bits, std::uint32_t colours,
                   std::uint32_t pixelOffset, std::uint32_t compression = 0) {
  ByteWriter file;
  file.WriteText("BM");
  file.WriteUInt32(0);
  file.WriteUInt32(0);
  file.WriteUInt32(pixelOffset);
  file.WriteUInt32(40);
  file.WriteInt32(width);
  file.WriteInt32(height);
  file.WriteUInt16(1);
  file.WriteUInt16(static_cast<std::uint16_t>(bits));
  file.WriteUInt32(compression);
  file.WriteZeros(12);
  file.WriteUInt32(colours);
  file.WriteUInt32(0);
  return file;
}

TEST(BmpFile, BlocksAreBottomUpBlueGreenRedRowsPaddedToFourBytes) {
  const std::vector<std::uint8_t> rgb = Pattern(3, 2);
  const auto block = MakeDibBlock(3, 2, rgb);
  ASSERT_TRUE(block);
  // Width 3: 9 bytes of pixels and 3 of padding a row.
  ASSERT_EQ(block->size(), 40u + 2 * 12);
  EXPECT_EQ(LoadU32(block->data()), 40u);
  EXPECT_EQ(LoadU32(block->data() + 4), 3u);
  EXPECT_EQ(LoadU32(block->data() + 8), 2u);
  EXPECT_EQ(LoadU16(block->data() + 12), 1u);
  EXPECT_EQ(LoadU16(block->data() + 14), 24u);
  EXPECT_EQ(LoadU32(block->data() + 16), 0u);
  EXPECT_EQ(LoadU32(block->data() + 20), 24u) << "image size";
  const std::uint8_t* bottomRow = block->data() + 40;  // the picture's last row
  const std::uint8_t* lastRowPixels = rgb.data() + 9;
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(bottomRow[3 * x], lastRowPixels[3 * x + 2]);
    EXPECT_EQ(bottomRow[3 * x + 2], lastRowPixels[3 * x]);
  }
  EXPECT_EQ(bottomRow[9] | bottomRow[10] | bottomRow[11], 0);

  const std::vector<std::uint8_t> file = BmpFileBytes(*block);
  ASSERT_EQ(file.size(), 14 + block->size());
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(LoadU32(file.data() + 2), file.size());
  EXPECT_EQ(LoadU32(file.data() + 6), 0u);
  EXPECT_EQ(LoadU32(file.data() + 10), 54u);

  EXPECT_FALSE(MakeDibBlock(0, 2, rgb));
  EXPECT_FALSE(MakeDibBlock(3, 3, rgb)) << "too few pixels";
  EXPECT_FALSE(MakeDibBlock(20000, 20000, {})) << "beyond the block limit";
}

TEST(BmpFile, WrittenFilesReadBackToTheSamePixels) {
  testing::TempFolder folder;
  for (int width : {1, 2, 3, 4, 5, 17}) {
    const std::vector<std::uint8_t> rgb = Pattern(width, 3);
    const auto block = MakeDibBlock(width, 3, rgb);
    ASSERT_TRUE(block);
    const std::string path = folder.File("picture.bmp");
    ASSERT_TRUE(WriteDibFile(path, *block));
    const BmpPixels back = ReadBmpFile(path);
    EXPECT_EQ(back.status, kBmpStatusOk);
    EXPECT_EQ(back.width, static_cast<unsigned>(width));
    EXPECT_EQ(back.height, 3u);
    EXPECT_EQ(back.rgb, rgb) << "width " << width;
  }
}

TEST(BmpFile, PaletteFilesAreUnpackedFromTheHighBitsAndLookedUp) {
  // Width 5 at 4 bits: 3 bytes of pixels, padded to 4; two rows, the bottom one first.
  ByteWriter file = Headers(5, 2, 4, 3, 14 + 40 + 3 * 4);
  file.WriteBytes(std::vector<std::uint8_t>{10, 20, 30, 0});  // blue, green, red
  file.WriteBytes(std::vector<std::uint8_t>{40, 50, 60, 0});
  file.WriteBytes(std::vector<std::uint8_t>{70, 80, 90, 0});
  file.WriteBytes(std::vector<std::uint8_t>{0x01, 0x20, 0x10, 0xFF});  // bottom: 0 1 2 0 1
  file.WriteBytes(std::vector<std::uint8_t>{0x22, 0x22, 0x20, 0xFF});  // top: 2 2 2 2 2
  const BmpPixels pixels = DecodeBmp(file.Bytes());
  ASSERT_EQ(pixels.status, kBmpStatusOk);
  const std::vector<std::uint8_t> expected = {90, 80, 70, 90, 80, 70, 90, 80, 70, 90,
                                              80, 70, 90, 80, 70, 30, 20, 10, 60, 50,
                                              40, 90, 80, 70, 30, 20, 10, 60, 50, 40};
  EXPECT_EQ(pixels.rgb, expected);

  // One bit a pixel with the full palette of two colours (colours used 0).
  ByteWriter mono = Headers(10, 1, 1, 0, 14 + 40 + 8);
  mono.WriteBytes(std::vector<std::uint8_t>{0, 0, 0, 0, 255, 255, 255, 0});
  mono.WriteBytes(std::vector<std::uint8_t>{0b10100000, 0b01000000, 0, 0});
  const BmpPixels bits = DecodeBmp(mono.Bytes());
  ASSERT_EQ(bits.status, kBmpStatusOk);
  std::string lit;
  for (unsigned x = 0; x < 10; ++x) lit += bits.rgb[3 * x] == 255 ? '1' : '0';
  EXPECT_EQ(lit, "1010000001");
}

TEST(BmpFile, FaultyFilesSayWhatIsWrong) {
  testing::TempFolder folder;
  const std::string missing = folder.File("missing.bmp");
  EXPECT_EQ(ReadBmpFile(missing).status, std::string(kBmpCannotOpen) + missing);

  const auto block = MakeDibBlock(3, 2, Pattern(3, 2));
  const std::vector<std::uint8_t> good = BmpFileBytes(*block);
  // Shorter than the two headers.
  for (std::size_t size : {2u, 20u, 53u}) {
    const BmpPixels short_ = DecodeBmp(std::span(good.data(), size));
    EXPECT_EQ(short_.status, kBmpHeaderReadError) << size;
    EXPECT_TRUE(short_.rgb.empty());
    EXPECT_EQ(short_.width, 0u);
  }
  // Cut inside the pixels.
  EXPECT_EQ(DecodeBmp(std::span(good.data(), good.size() - 1)).status, kBmpPixelReadError);
  std::vector<std::uint8_t> notBmp = good;
  notBmp[1] = 'X';
  EXPECT_EQ(DecodeBmp(notBmp).status, kBmpNotValid);
  EXPECT_EQ(DecodeBmp(Headers(3, 2, 24, 0, 54, 1).Bytes()).status, kBmpCompressed);
  // The palette of 8 bits runs past the pixel offset.
  ByteWriter overlap = Headers(1, 1, 8, 4, 54);
  overlap.WriteZeros(64);
  EXPECT_EQ(DecodeBmp(overlap.Bytes()).status, kBmpCorruptPalette);
  // A height that does not fit in the file is refused before anything is allocated.
  ByteWriter huge = Headers(60000, 60000, 24, 0, 54);
  huge.WriteZeros(16);
  EXPECT_EQ(DecodeBmp(huge.Bytes()).status, kBmpPixelReadError);

  // Byte flips and truncations never read out of bounds; a flip in the padding or the
  // pixels still reads.
  for (std::size_t i = 0; i < good.size(); ++i) {
    std::vector<std::uint8_t> flipped = good;
    flipped[i] ^= 0xA5;
    const BmpPixels any = DecodeBmp(flipped);
    if (any.status == kBmpStatusOk) {
      EXPECT_EQ(any.rgb.size(), 3u * any.width * any.height);
    }
    EXPECT_EQ(FuzzReadBmpFile(good.data(), i), false) << "cut at " << i;
    if (i >= 54) {
      EXPECT_TRUE(FuzzReadBmpFile(flipped.data(), flipped.size())) << i;
    }
  }
}

TEST(BmpFile, AFileThatCannotBeWrittenLeavesNothing) {
  testing::TempFolder folder;
  const auto block = MakeDibBlock(3, 2, Pattern(3, 2));
  const std::string path = folder.File("no folder/picture.bmp");
  EXPECT_FALSE(WriteDibFile(path, *block));
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace platform
