// Test helpers that look at pictures by their pixels: base bitmaps made on the fly, decoding
// with GDI+, and measurements of the "ink" (pixels that differ from the base).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pictest {

// Keeps GDI+ up for a test's own decoding and drawing.
class CGdiplusSession {
 public:
  CGdiplusSession();
  ~CGdiplusSession();
  CGdiplusSession(const CGdiplusSession&) = delete;
  CGdiplusSession& operator=(const CGdiplusSession&) = delete;
  bool Started() const { return m_token != 0; }

 private:
  ULONG_PTR m_token = 0;
};

// A decoded picture, 8 bits per channel.
struct CPixels {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // row-major, 3 bytes per pixel
  const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

// Writes a 24-bit BMP of one colour (needs a running GDI+).
bool WriteSolidBitmap(const std::wstring& path, int width, int height, uint8_t r, uint8_t g,
                      uint8_t b);
// Decodes any picture GDI+ reads; false when it cannot.
bool DecodePicture(const std::wstring& path, CPixels* out);

const uint8_t kWhite[3] = {255, 255, 255};
const uint8_t kBlack[3] = {0, 0, 0};

// Largest per-channel difference between two pictures of the same size (255 when the sizes
// differ).
int MaxChannelDiff(const CPixels& a, const CPixels& b);

// Ink: the pixels whose largest channel difference from a plain background colour exceeds a
// threshold.
struct CInk {
  long count = 0;
  int minX = 0, maxX = -1, minY = 0, maxY = -1;
  double sumX = 0, sumY = 0;
  int strongest = 0;  // the largest difference seen
  double CentreX() const { return count ? sumX / count : 0; }
  double CentreY() const { return count ? sumY / count : 0; }
  int Width() const { return maxX - minX + 1; }
  int Height() const { return maxY - minY + 1; }
};
CInk MeasureInk(const CPixels& pic, const uint8_t background[3], int threshold, int fromX = 0,
                int toX = -1);

// Ink pixels expressed in the text's own frame: shifted by the picture's centre and turned
// back by angleDegrees (the GDI+ world rotation the text was drawn with). Returns the largest
// |x| and |y| found.
void InkExtentInTextFrame(const CPixels& pic, const uint8_t background[3], int threshold,
                          double angleDegrees, double* maxAbsX, double* maxAbsY);

// Average colour of the pixels that differ most from the background (the stroke cores).
void CoreInkColour(const CPixels& pic, const uint8_t background[3], int threshold, double rgb[3]);

// A fresh folder under %TEMP% (not created) with a name unique to this process and call.
std::wstring FreshTempPath(const wchar_t* stem);
// Removes a folder tree; ignores failures.
void RemoveTree(const std::wstring& path);

}  // namespace pictest
