// Pure rules of the watermark picture job: the agent folder taken from its Run value, the
// directories a path needs, the picture's file names, and the drawing geometry. No windows.h,
// so each rule is checked on plain values.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kal {

// Characters trimmed from the right of the Run value: any character of this name, so the
// trim stops at the backslash before the file name.
constexpr const wchar_t* kAgentExeName = L"TavRegedit.exe";
constexpr const wchar_t* kBasePictureName = L"watermark.bmp";
constexpr const wchar_t* kPictureFolderSuffix = L"\\KalTemp\\";

// Removes from the right end every character that occurs anywhere in charSet.
std::wstring TrimRightCharSet(const std::wstring& text, const std::wstring& charSet);

// The agent folder from the raw bytes of its Run value: the data read as UTF-16 up to its
// first NUL (or the end of the data when it has none; an odd last byte is ignored), then
// trimmed by the characters of TavRegedit.exe.
std::wstring AgentDirFromRunValue(const unsigned char* data, size_t bytes);

// The directories CreateDirectoryChain creates for a path, in order: for a drive path every
// prefix ending before a backslash after the root, for a UNC path every such prefix after
// \\server\share\. A trailing backslash makes the last directory count too.
std::vector<std::wstring> DirectoryChainPrefixes(const std::wstring& path);

// "watermarkxlsx<pid>.jpg".
std::wstring PictureFileName(unsigned long processId);

// Copies text and its NUL into dest when it fits in destUnits; otherwise dest is left as it
// was and the result is false (a cut path would name another file).
bool CopyPathToMember(const std::wstring& text, wchar_t* dest, size_t destUnits);

// The layout rectangle of the text, relative to the picture's centre: three quarters of the
// width and a third of the height, centred.
struct CLayoutRectF {
  float x;
  float y;
  float width;
  float height;
};
CLayoutRectF WaterMarkLayoutRect(float width, float height);

// Alpha of the text brush: low 8 bits of 255 - transparency (256 gives 255).
uint8_t WaterMarkBrushAlpha(uint32_t transparency);
// Em size in pixels: font size + 10, taken as a signed 32-bit value.
float WaterMarkEmSize(uint32_t fontSize);
// The slanted text turns by this angle (clockwise on screen), so its baseline rises 30 degrees.
constexpr float kSlantAngleDegrees = 330.0f;

}  // namespace kal
