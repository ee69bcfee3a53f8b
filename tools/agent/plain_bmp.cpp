// A plain 24-bit BMP file in memory: the base picture the agent installs.
#include "tools/agent/plain_bmp.h"

#include <cstddef>

namespace kal {
namespace agent {
namespace {

void PutLe(std::vector<uint8_t>& v, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) v[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> MakePlainBmp(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t pixelBytes = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> v(54 + pixelBytes, 0);
  v[0] = 'B';
  v[1] = 'M';
  PutLe(v, 2, static_cast<uint32_t>(v.size()), 4);
  PutLe(v, 10, 54, 4);  // pixel data offset
  PutLe(v, 14, 40, 4);  // BITMAPINFOHEADER
  PutLe(v, 18, static_cast<uint32_t>(width), 4);
  PutLe(v, 22, static_cast<uint32_t>(height), 4);
  PutLe(v, 26, 1, 2);   // planes
  PutLe(v, 28, 24, 2);  // bits per pixel
  PutLe(v, 34, pixelBytes, 4);
  PutLe(v, 38, 2835, 4);  // 72 dpi
  PutLe(v, 42, 2835, 4);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = v.data() + 54 + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      row[x * 3] = b;
      row[x * 3 + 1] = g;
      row[x * 3 + 2] = r;
    }
  }
  return v;
}

}  // namespace agent
}  // namespace kal
