// The scanner image of a synthetic array: a grid of square cells painted from the
// array's truth, and what each cell's centre gives, worked out from the painted pixels.
#include <algorithm>
#include <cmath>

#include "platform/byte_writer.hpp"
#include "platform/scratch_file.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/random.hpp"

namespace synth {
namespace {

constexpr int kHeaderBytes = 512;
constexpr int kTextOffset = 33;
constexpr int kCornersOffset = 340;
constexpr int kLargestCoordinate = 65535;
constexpr int kCentreSide = 6;

// The centre of a cell's square of side c, as offsets from its first pixel: the border
// left out, then trimmed evenly from both ends to at most six pixels.
void CentreSpan(int c, int& low, int& high) {
  low = 1;
  high = c - 2;
  while (high - low > kCentreSide - 1) {
    ++low;
    --high;
  }
}

class PixelNoise {
 public:
  explicit PixelNoise(std::uint64_t seed) : mRandom(seed) {}
  double Normal() { return mRandom.Normal(); }

 private:
  SynthRandom mRandom;
};

std::uint16_t ToPixel(double value) {
  return static_cast<std::uint16_t>(std::clamp(std::round(value), 0.0, 65535.0));
}

// The upper-quartile value and the truncated standard error of one cell's centre.
void Summarise(std::vector<double>& values, std::uint16_t& value, std::uint16_t& error) {
  const std::size_t n = values.size();
  double sum = 0.0;
  for (double v : values) sum += v;
  const double mean = sum / static_cast<double>(n);
  double squares = 0.0;
  for (double v : values) squares += (v - mean) * (v - mean);
  const double deviation = n > 1 ? std::sqrt(squares / static_cast<double>(n - 1)) : 0.0;
  error = static_cast<std::uint16_t>(
      std::min(65535.0, std::floor(deviation / std::sqrt(static_cast<double>(n)))));
  std::sort(values.begin(), values.end());
  std::size_t k = static_cast<std::size_t>(std::floor(0.75 * static_cast<double>(n)));
  if (k >= n) k = n - 1;
  value = static_cast<std::uint16_t>(values[k]);
}

}  // namespace

std::optional<DatImage> MakeDatImage(const ArrayTruth& array, const DatOptions& options,
                                     std::string* error) {
  const auto fail = [error](std::string reason) -> std::optional<DatImage> {
    if (error != nullptr) *error = std::move(reason);
    return std::nullopt;
  };
  const int c = options.pixelsPerCell;
  const int n = array.dimension;
  if (c < 3 || c > 64) return fail("a cell takes 3 to 64 pixels a side");
  if (options.margin < 0 || options.margin > 1000)
    return fail("the margin must lie between 0 and 1000");
  const long long gridEnd =
      static_cast<long long>(options.margin) + static_cast<long long>(c) * n - 1;
  if (n < 1 || gridEnd > kLargestCoordinate - options.margin)
    return fail("the image would be wider than 16-bit pixel coordinates reach");

  DatImage image;
  image.pixelsPerCell = c;
  image.width = static_cast<int>(gridEnd) + 1 + options.margin;
  const auto first = static_cast<std::uint16_t>(options.margin);
  const auto last = static_cast<std::uint16_t>(gridEnd);
  image.corners = {{{first, first}, {last, first}, {last, last}, {first, last}}};

  // Dark gaps between the cells, so that a window one pixel too wide shows.
  const std::uint16_t dark = ToPixel(array.background / 2);
  image.pixels.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.width),
                      dark);
  const std::size_t cells = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  image.values.assign(cells, 0);
  image.errors.assign(cells, 0);

  int low = 0;
  int high = 0;
  CentreSpan(c, low, high);
  PixelNoise noise(options.seed);
  std::vector<double> centre;
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) {
      const CellTruth& cell = array.Cell(x, y);
      const int left = options.margin + c * x;
      const int top = options.margin + c * y;
      centre.clear();
      for (int py = top + low; py <= top + high; ++py)
        for (int px = left + low; px <= left + high; ++px) {
          const std::uint16_t pixel = cell.flag == CellFlag::kSaturated
                                          ? static_cast<std::uint16_t>(65535)
                                          : ToPixel(cell.mean + cell.deviation * noise.Normal());
          image.pixels[static_cast<std::size_t>(py) * static_cast<std::size_t>(image.width) +
                       static_cast<std::size_t>(px)] = pixel;
          centre.push_back(pixel);
        }
      const std::size_t index =
          static_cast<std::size_t>(x) * static_cast<std::size_t>(n) + static_cast<std::size_t>(y);
      Summarise(centre, image.values[index], image.errors[index]);
    }
  return image;
}

bool WriteDat(const ArrayTruth& array, const DatImage& image, const std::string& path) {
  const std::string text = array.ScannerHeader(image.width);
  if (text.size() + 1 > static_cast<std::size_t>(kCornersOffset - kTextOffset)) return false;
  std::vector<std::uint8_t> header(kHeaderBytes, 0);
  std::copy(text.begin(), text.end(), header.begin() + kTextOffset);
  platform::ByteWriter corners;
  for (const auto& corner : image.corners) {
    corners.WriteUInt16(corner[0]);
    corners.WriteUInt16(corner[1]);
  }
  std::copy(corners.Bytes().begin(), corners.Bytes().end(), header.begin() + kCornersOffset);

  platform::ByteWriter out;
  out.WriteBytes(header);
  for (std::uint16_t pixel : image.pixels) out.WriteUInt16(pixel);
  return platform::WriteScratchFile(path, out.Bytes());
}

}  // namespace synth
