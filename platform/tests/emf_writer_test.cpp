// The metafile writer's records, read back by a reader of our own: types, sizes, counts,
// the bounds of the drawing and a checksum of it.
#include "platform/emf_writer.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "platform/bmp_file.hpp"
#include "platform/tests/emf_records.hpp"

namespace platform {
namespace {

using testing::EmfContent;
using testing::EmfRecordView;
using testing::ReadEmfRecords;

// A small drawing of every kind of record; shift moves the rectangle.
std::vector<std::uint8_t> Drawing(int shift) {
  EmfWriter emf(200, 100);
  emf.SetBkMode(kEmfTransparent);
  const std::uint32_t pen = emf.CreatePen(1, 0x0000FF);
  const std::uint32_t brush = emf.CreateSolidBrush(0x00FF00);
  emf.SelectObject(pen);
  emf.SelectObject(brush);
  emf.Rectangle({10 + shift, 20, 50 + shift, 40});
  emf.Ellipse({60, 10, 80, 30});
  const std::vector<EmfPoint> line = {{0, 0}, {199, 99}};
  emf.Polyline(line);
  const std::vector<EmfPoint> far = {{5, 5}, {40000, 5}, {5, 50}};
  emf.Polygon(far);
  const std::uint32_t font = emf.CreateFont(16, 700, false, u"DejaVu Sans");
  emf.SelectObject(font);
  emf.SetTextColor(0xFF0000);
  const std::vector<std::int32_t> advances = {9, 8, 9};
  emf.TextOut({100, 80}, u"abc", advances);
  const std::vector<std::uint8_t> pixels(2 * 2 * 3, 128);
  const auto dib = MakeDibBlock(2, 2, pixels);
  emf.StretchDib({150, 60, 190, 90}, *dib);
  emf.SelectObject(kEmfNullPen);
  emf.DeleteObject(pen);
  emf.DeleteObject(brush);
  emf.DeleteObject(font);
  return emf.Finish();
}

TEST(EmfWriter, RecordsReadBackWithTheirTypesSizesAndCounts) {
  const std::vector<std::uint8_t> file = Drawing(0);
  const EmfContent content = ReadEmfRecords(file);
  ASSERT_EQ(content.error, "");
  const std::vector<std::uint32_t> expected = {emr::kHeader,
                                               emr::kSetBkMode,
                                               emr::kCreatePen,
                                               emr::kCreateBrushIndirect,
                                               emr::kSelectObject,
                                               emr::kSelectObject,
                                               emr::kRectangle,
                                               emr::kEllipse,
                                               emr::kPolyline16,
                                               emr::kPolygon,
                                               emr::kExtCreateFontIndirectW,
                                               emr::kSelectObject,
                                               emr::kSetTextColor,
                                               emr::kExtTextOutW,
                                               emr::kStretchDiBits,
                                               emr::kSelectObject,
                                               emr::kDeleteObject,
                                               emr::kDeleteObject,
                                               emr::kDeleteObject,
                                               emr::kEof};
  EXPECT_EQ(content.Types(), expected);
  const auto& r = content.records;
  EXPECT_EQ(r[0].size, kEmfHeaderSize);
  EXPECT_EQ(r[2].size, 28u) << "pen";
  EXPECT_EQ(r[3].size, 24u) << "brush";
  EXPECT_EQ(r[6].size, 24u) << "rectangle";
  EXPECT_EQ(r[8].size, 28u + 2 * 4) << "two short points";
  EXPECT_EQ(r[9].size, 28u + 3 * 8) << "a point beyond 16 bits takes the long form";
  EXPECT_EQ(r[10].size, 104u) << "font";
  EXPECT_EQ(r[13].size, 76u + 8 + 3 * 4) << "three characters padded, three advances";
  EXPECT_EQ(r[14].size, 80u + 40 + 2 * 8) << "two rows of 6 bytes padded to 8";
  EXPECT_EQ(content.handles, 4u) << "three objects and the metafile's own";

  // The rectangle keeps its exclusive box; the text its characters and advances.
  EXPECT_EQ(r[6].Int(8), 10);
  EXPECT_EQ(r[6].Int(20), 40);
  const EmfRecordView& text = r[13];
  EXPECT_EQ(text.Int(36), 100);
  EXPECT_EQ(text.Int(40), 80);
  EXPECT_EQ(text.Int(44), 3);
  EXPECT_EQ(LoadU16(text.bytes.data() + text.Int(48)), u'a');
  EXPECT_EQ(text.Int(text.Int(72) + 8), 9);
  // The bitmap's rows follow its header where the record says.
  const EmfRecordView& bitmap = r[14];
  EXPECT_EQ(LoadU32(bitmap.bytes.data() + bitmap.Int(48)), 40u);
  EXPECT_EQ(bitmap.bytes[static_cast<std::size_t>(bitmap.Int(56))], 128);

  // The bounds cover everything drawn, the far polygon point included; the frame is the
  // picture, 200 x 100 pixels at 96 per inch in hundredths of a millimetre.
  EXPECT_EQ(content.bounds.left, 0);
  EXPECT_EQ(content.bounds.top, 0);
  EXPECT_EQ(content.bounds.right, 40000);
  EXPECT_EQ(content.bounds.bottom, 99);
  EXPECT_EQ(content.frame.right, 200 * 2540 / 96 - 1);
  EXPECT_EQ(content.frame.bottom, 100 * 2540 / 96 - 1);
}

TEST(EmfWriter, TheSameDrawingGivesTheSameChecksumAndAnyChangeAnother) {
  EXPECT_EQ(ReadEmfRecords(Drawing(0)).drawingChecksum, ReadEmfRecords(Drawing(0)).drawingChecksum);
  EXPECT_NE(ReadEmfRecords(Drawing(0)).drawingChecksum, ReadEmfRecords(Drawing(1)).drawingChecksum);
}

TEST(EmfWriter, DeletedHandlesAreUsedAgainAndAnEmptyPictureHasEmptyBounds) {
  EmfWriter emf(10, 10);
  const std::uint32_t first = emf.CreatePen(1, 0);
  const std::uint32_t second = emf.CreateSolidBrush(0);
  emf.DeleteObject(first);
  EXPECT_EQ(emf.CreateSolidBrush(0), first);
  EXPECT_EQ(second, first + 1);
  const EmfContent content = ReadEmfRecords(emf.Finish());
  ASSERT_EQ(content.error, "");
  EXPECT_EQ(content.handles, 3u);
  EXPECT_GT(content.bounds.left, content.bounds.right) << "nothing drawn";
}

}  // namespace
}  // namespace platform
