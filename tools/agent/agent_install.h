// Installing the reference agent: the Run value in the 32-bit registry view, the base bitmap
// of the Excel watermark and the two INI files beside TavRegedit.exe.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kal {
namespace agent {

// A 24-bit bottom-up BMP file of the given size filled with one colour.
std::vector<uint8_t> MakePlainBmp(int width, int height, uint8_t r, uint8_t g, uint8_t b);

int InstallAgent(const std::wstring& dir);
int UninstallAgent();

}  // namespace agent
}  // namespace kal
