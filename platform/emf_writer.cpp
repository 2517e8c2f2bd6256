// The enhanced-metafile writer.
#include "platform/emf_writer.hpp"

#include <algorithm>
#include <limits>

#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"

namespace platform {

namespace {

void WriteRect(ByteWriter& out, const EmfRect& box) {
  out.WriteInt32(box.left);
  out.WriteInt32(box.top);
  out.WriteInt32(box.right);
  out.WriteInt32(box.bottom);
}

// The inclusive box of a set of points.
EmfRect BoxOf(std::span<const EmfPoint> points) {
  EmfRect box{points[0].x, points[0].y, points[0].x, points[0].y};
  for (const EmfPoint& p : points) {
    box.left = std::min(box.left, p.x);
    box.top = std::min(box.top, p.y);
    box.right = std::max(box.right, p.x);
    box.bottom = std::max(box.bottom, p.y);
  }
  return box;
}

bool FitsIn16Bits(std::span<const EmfPoint> points) {
  constexpr std::int32_t low = std::numeric_limits<std::int16_t>::min();
  constexpr std::int32_t high = std::numeric_limits<std::int16_t>::max();
  return std::all_of(points.begin(), points.end(), [](const EmfPoint& p) {
    return p.x >= low && p.x <= high && p.y >= low && p.y <= high;
  });
}

}  // namespace

EmfWriter::EmfWriter(int width, int height, int dotsPerInch)
    : mWidth(std::max(width, 1)),
      mHeight(std::max(height, 1)),
      mDotsPerInch(std::max(dotsPerInch, 1)) {}

std::uint32_t EmfWriter::NewHandle() {
  const auto free = std::find(mHandleInUse.begin(), mHandleInUse.end(), false);
  const auto handle = static_cast<std::uint32_t>(free - mHandleInUse.begin());
  if (free == mHandleInUse.end())
    mHandleInUse.push_back(true);
  else
    *free = true;
  return handle;
}

void EmfWriter::Record(std::uint32_t type, std::span<const std::uint8_t> body) {
  ByteWriter head;
  head.WriteUInt32(type);
  // Records are whole 32-bit words long.
  const std::size_t padding = (4 - body.size() % 4) % 4;
  head.WriteUInt32(static_cast<std::uint32_t>(8 + body.size() + padding));
  mRecords.insert(mRecords.end(), head.Bytes().begin(), head.Bytes().end());
  mRecords.insert(mRecords.end(), body.begin(), body.end());
  mRecords.insert(mRecords.end(), padding, 0);
  ++mRecordCount;
}

void EmfWriter::RecordOfOneWord(std::uint32_t type, std::uint32_t word) {
  ByteWriter body;
  body.WriteUInt32(word);
  Record(type, body.Bytes());
}

void EmfWriter::Cover(const EmfRect& box) {
  if (box.right < box.left || box.bottom < box.top) return;
  if (!mDrawn) {
    mBounds = box;
    mDrawn = true;
    return;
  }
  mBounds.left = std::min(mBounds.left, box.left);
  mBounds.top = std::min(mBounds.top, box.top);
  mBounds.right = std::max(mBounds.right, box.right);
  mBounds.bottom = std::max(mBounds.bottom, box.bottom);
}

std::uint32_t EmfWriter::CreatePen(int width, std::uint32_t colour) {
  const std::uint32_t handle = NewHandle();
  ByteWriter body;
  body.WriteUInt32(handle);
  body.WriteUInt32(0);  // solid
  body.WriteInt32(std::max(width, 0));
  body.WriteInt32(0);
  body.WriteUInt32(colour);
  Record(emr::kCreatePen, body.Bytes());
  return handle;
}

std::uint32_t EmfWriter::CreateSolidBrush(std::uint32_t colour) {
  const std::uint32_t handle = NewHandle();
  ByteWriter body;
  body.WriteUInt32(handle);
  body.WriteUInt32(0);  // solid
  body.WriteUInt32(colour);
  body.WriteUInt32(0);
  Record(emr::kCreateBrushIndirect, body.Bytes());
  return handle;
}

std::uint32_t EmfWriter::CreateFont(int height, int weight, bool italic, std::u16string_view face) {
  const std::uint32_t handle = NewHandle();
  ByteWriter body;
  body.WriteUInt32(handle);
  // A negative height asks for the character height rather than the cell's; the cell
  // is what the toolkit measures.
  body.WriteInt32(height);
  body.WriteInt32(0);  // width
  body.WriteInt32(0);  // escapement
  body.WriteInt32(0);  // orientation
  body.WriteInt32(weight);
  body.WriteUInt8(italic ? 1 : 0);
  body.WriteZeros(3);                          // underline, strike-out, character set (ANSI)
  body.WriteZeros(3);                          // precisions and quality
  body.WriteUInt8(0);                          // pitch and family
  constexpr std::size_t kFaceCharacters = 32;  // with its terminating zero
  const std::size_t count = std::min(face.size(), kFaceCharacters - 1);
  for (std::size_t i = 0; i < kFaceCharacters; ++i)
    body.WriteUInt16(i < count ? static_cast<std::uint16_t>(face[i]) : 0);
  Record(emr::kExtCreateFontIndirectW, body.Bytes());
  return handle;
}

void EmfWriter::SelectObject(std::uint32_t handle) {
  RecordOfOneWord(emr::kSelectObject, handle);
}

void EmfWriter::DeleteObject(std::uint32_t handle) {
  RecordOfOneWord(emr::kDeleteObject, handle);
  if (handle > 0 && handle < mHandleInUse.size()) mHandleInUse[handle] = false;
}

void EmfWriter::SetBkMode(std::uint32_t mode) {
  RecordOfOneWord(emr::kSetBkMode, mode);
}

void EmfWriter::SetTextAlign(std::uint32_t align) {
  RecordOfOneWord(emr::kSetTextAlign, align);
}

void EmfWriter::SetTextColor(std::uint32_t colour) {
  RecordOfOneWord(emr::kSetTextColor, colour);
}

void EmfWriter::Rectangle(const EmfRect& box) {
  ByteWriter body;
  WriteRect(body, box);
  Record(emr::kRectangle, body.Bytes());
  Cover({box.left, box.top, box.right - 1, box.bottom - 1});
}

void EmfWriter::Ellipse(const EmfRect& box) {
  ByteWriter body;
  WriteRect(body, box);
  Record(emr::kEllipse, body.Bytes());
  Cover({box.left, box.top, box.right - 1, box.bottom - 1});
}

void EmfWriter::PolyRecord(std::uint32_t type16, std::uint32_t type32,
                           std::span<const EmfPoint> points) {
  if (points.empty()) return;
  const EmfRect box = BoxOf(points);
  const bool small = FitsIn16Bits(points);
  ByteWriter body;
  WriteRect(body, box);
  body.WriteUInt32(static_cast<std::uint32_t>(points.size()));
  for (const EmfPoint& p : points) {
    if (small) {
      body.WriteInt16(static_cast<std::int16_t>(p.x));
      body.WriteInt16(static_cast<std::int16_t>(p.y));
    } else {
      body.WriteInt32(p.x);
      body.WriteInt32(p.y);
    }
  }
  Record(small ? type16 : type32, body.Bytes());
  Cover(box);
}

void EmfWriter::Polyline(std::span<const EmfPoint> points) {
  PolyRecord(emr::kPolyline16, emr::kPolyline, points);
}

void EmfWriter::Polygon(std::span<const EmfPoint> points) {
  PolyRecord(emr::kPolygon16, emr::kPolygon, points);
}

void EmfWriter::TextOut(EmfPoint reference, std::u16string_view text,
                        std::span<const std::int32_t> advances) {
  if (text.empty()) return;
  constexpr std::uint32_t kFixedSize = 76;  // up to the characters
  const auto count = static_cast<std::uint32_t>(text.size());
  const std::uint32_t textBytes = (2 * count + 3) / 4 * 4;
  std::int32_t width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) width += i < advances.size() ? advances[i] : 0;
  ByteWriter body;
  const EmfRect box{reference.x, reference.y, reference.x + width, reference.y};
  WriteRect(body, box);
  body.WriteUInt32(1);  // compatible graphics mode
  body.WriteFloat(1.0f);
  body.WriteFloat(1.0f);
  body.WriteInt32(reference.x);
  body.WriteInt32(reference.y);
  body.WriteUInt32(count);
  body.WriteUInt32(kFixedSize);  // offset of the characters in the record
  body.WriteUInt32(0);           // options
  WriteRect(body, {0, 0, -1, -1});
  body.WriteUInt32(kFixedSize + textBytes);  // offset of the advances
  for (char16_t c : text) body.WriteUInt16(static_cast<std::uint16_t>(c));
  body.WriteZeros(textBytes - 2 * count);
  for (std::size_t i = 0; i < text.size(); ++i)
    body.WriteInt32(i < advances.size() ? advances[i] : 0);
  Record(emr::kExtTextOutW, body.Bytes());
  Cover(box);
}

void EmfWriter::StretchDib(const EmfRect& box, std::span<const std::uint8_t> dib) {
  if (dib.size() < 40) return;
  constexpr std::uint32_t kFixedSize = 80;  // up to the bitmap header
  constexpr std::uint32_t kInfoSize = 40;
  const auto bitsSize = static_cast<std::uint32_t>(dib.size() - kInfoSize);
  ByteWriter body;
  WriteRect(body, {box.left, box.top, box.right - 1, box.bottom - 1});
  body.WriteInt32(box.left);
  body.WriteInt32(box.top);
  body.WriteInt32(0);
  body.WriteInt32(0);
  body.WriteInt32(static_cast<std::int32_t>(LoadU32(dib.data() + 4)));  // source width
  body.WriteInt32(static_cast<std::int32_t>(LoadU32(dib.data() + 8)));  // and height
  body.WriteUInt32(kFixedSize);
  body.WriteUInt32(kInfoSize);
  body.WriteUInt32(kFixedSize + kInfoSize);
  body.WriteUInt32(bitsSize);
  body.WriteUInt32(0);           // colours are red, green, blue values
  body.WriteUInt32(0x00CC0020);  // copy the source
  body.WriteInt32(box.right - box.left);
  body.WriteInt32(box.bottom - box.top);
  body.WriteBytes(dib);
  Record(emr::kStretchDiBits, body.Bytes());
  Cover({box.left, box.top, box.right - 1, box.bottom - 1});
}

std::vector<std::uint8_t> EmfWriter::Finish() {
  ByteWriter end;
  end.WriteUInt32(0);   // palette entries
  end.WriteUInt32(16);  // their offset
  end.WriteUInt32(20);  // this record's size again
  Record(emr::kEof, end.Bytes());

  const std::int64_t umWidth = std::int64_t{mWidth} * 25400 / mDotsPerInch;
  const std::int64_t umHeight = std::int64_t{mHeight} * 25400 / mDotsPerInch;
  ByteWriter header;
  header.WriteUInt32(emr::kHeader);
  header.WriteUInt32(kEmfHeaderSize);
  WriteRect(header, mDrawn ? mBounds : EmfRect{0, 0, -1, -1});
  // The frame, in hundredths of a millimetre, covers the whole picture.
  WriteRect(header, {0, 0, static_cast<std::int32_t>(umWidth / 10) - 1,
                     static_cast<std::int32_t>(umHeight / 10) - 1});
  header.WriteUInt32(kEmfSignature);
  header.WriteUInt32(0x10000);  // version
  header.WriteUInt32(static_cast<std::uint32_t>(kEmfHeaderSize + mRecords.size()));
  header.WriteUInt32(mRecordCount + 1);
  header.WriteUInt16(static_cast<std::uint16_t>(mHandleInUse.size()));
  header.WriteUInt16(0);
  header.WriteUInt32(0);  // no description
  header.WriteUInt32(0);
  header.WriteUInt32(0);  // no palette
  // The reference device is the picture itself.
  header.WriteInt32(mWidth);
  header.WriteInt32(mHeight);
  header.WriteInt32(static_cast<std::int32_t>((umWidth + 500) / 1000));
  header.WriteInt32(static_cast<std::int32_t>((umHeight + 500) / 1000));
  header.WriteUInt32(0);  // no pixel format
  header.WriteUInt32(0);
  header.WriteUInt32(0);  // no OpenGL records
  header.WriteInt32(static_cast<std::int32_t>(umWidth));
  header.WriteInt32(static_cast<std::int32_t>(umHeight));

  std::vector<std::uint8_t> file = header.Bytes();
  file.insert(file.end(), mRecords.begin(), mRecords.end());
  mRecords.clear();
  mRecordCount = 0;
  return file;
}

}  // namespace platform
