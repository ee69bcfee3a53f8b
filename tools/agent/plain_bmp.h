// A plain BMP file in memory (no windows.h), for the agent's watermark.bmp.
#pragma once
#include <cstdint>
#include <vector>

namespace kal {
namespace agent {

// A 24-bit bottom-up BMP file of the given size filled with one colour.
std::vector<uint8_t> MakePlainBmp(int width, int height, uint8_t r, uint8_t g, uint8_t b);

}  // namespace agent
}  // namespace kal
