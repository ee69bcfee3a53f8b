// Pixel-level helpers for the picture tests.
#include "tests/picture/pixel_probe.h"

#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "picture/watermark_painter.h"

namespace pictest {
namespace {

int Diff(const uint8_t* p, const uint8_t background[3]) {
  int d = 0;
  for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int(p[c]) - int(background[c])));
  return d;
}

// Calls f(x, y, pixel, difference from the background) for every pixel in columns [fromX, toX).
template <class F>
void ForEachPixel(const CPixels& pic, const uint8_t background[3], int fromX, int toX, F f) {
  for (int y = 0; y < pic.height; ++y)
    for (int x = std::max(0, fromX); x < std::min(toX, pic.width); ++x)
      f(x, y, pic.At(x, y), Diff(pic.At(x, y), background));
}

}  // namespace

CGdiplusSession::CGdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
}

CGdiplusSession::~CGdiplusSession() {
  if (m_token != 0) Gdiplus::GdiplusShutdown(m_token);
}

bool WriteSolidBitmap(const std::wstring& path, int width, int height, uint8_t r, uint8_t g,
                      uint8_t b) {
  Gdiplus::Bitmap bitmap(width, height, PixelFormat24bppRGB);
  if (bitmap.GetLastStatus() != Gdiplus::Ok) return false;
  {
    Gdiplus::Graphics graphics(&bitmap);
    Gdiplus::SolidBrush brush(Gdiplus::Color(255, r, g, b));
    graphics.FillRectangle(&brush, 0, 0, width, height);
  }
  CLSID bmp;
  if (GetEncoderClsid(L"image/bmp", &bmp) < 0) return false;
  return bitmap.Save(path.c_str(), &bmp, nullptr) == Gdiplus::Ok;
}

bool DecodePicture(const std::wstring& path, CPixels* out) {
  Gdiplus::Bitmap bitmap(path.c_str(), FALSE);
  if (bitmap.GetLastStatus() != Gdiplus::Ok) return false;
  const int w = int(bitmap.GetWidth()), h = int(bitmap.GetHeight());
  Gdiplus::Rect rect(0, 0, w, h);
  Gdiplus::BitmapData data;
  if (bitmap.LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) != Gdiplus::Ok)
    return false;
  out->width = w;
  out->height = h;
  out->rgb.assign(size_t(w) * h * 3, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(data.Scan0) + ptrdiff_t(y) * data.Stride;
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &out->rgb[(size_t(y) * w + x) * 3];
      p[0] = row[x * 3 + 2];  // BGR in memory
      p[1] = row[x * 3 + 1];
      p[2] = row[x * 3 + 0];
    }
  }
  bitmap.UnlockBits(&data);
  return true;
}

int MaxChannelDiff(const CPixels& a, const CPixels& b) {
  if (a.width != b.width || a.height != b.height) return 255;
  int d = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i)
    d = std::max(d, std::abs(int(a.rgb[i]) - int(b.rgb[i])));
  return d;
}

CInk MeasureInk(const CPixels& pic, const uint8_t background[3], int threshold, int fromX,
                int toX) {
  CInk ink;
  ink.minX = pic.width;
  ink.minY = pic.height;
  ForEachPixel(pic, background, fromX, toX < 0 ? pic.width : toX,
               [&](int x, int y, const uint8_t*, int d) {
                 ink.strongest = std::max(ink.strongest, d);
                 if (d <= threshold) return;
                 ++ink.count;
                 ink.sumX += x;
                 ink.sumY += y;
                 ink.minX = std::min(ink.minX, x);
                 ink.maxX = std::max(ink.maxX, x);
                 ink.minY = std::min(ink.minY, y);
                 ink.maxY = std::max(ink.maxY, y);
               });
  return ink;
}

void InkExtentInTextFrame(const CPixels& pic, const uint8_t background[3], int threshold,
                          double angleDegrees, double* maxAbsX, double* maxAbsY) {
  const double a = -angleDegrees * 3.14159265358979323846 / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  *maxAbsX = 0;
  *maxAbsY = 0;
  ForEachPixel(pic, background, 0, pic.width, [&](int x, int y, const uint8_t*, int d) {
    if (d <= threshold) return;
    // Pixel centre, in a y-down frame, turned the way GDI+ turns with RotateTransform.
    const double dx = x + 0.5 - pic.width / 2.0, dy = y + 0.5 - pic.height / 2.0;
    *maxAbsX = std::max(*maxAbsX, std::fabs(dx * c - dy * s));
    *maxAbsY = std::max(*maxAbsY, std::fabs(dx * s + dy * c));
  });
}

void CoreInkColour(const CPixels& pic, const uint8_t background[3], int threshold, double rgb[3]) {
  double sum[3] = {0, 0, 0};
  long n = 0;
  ForEachPixel(pic, background, 0, pic.width, [&](int, int, const uint8_t* p, int d) {
    if (d <= threshold) return;
    for (int c = 0; c < 3; ++c) sum[c] += p[c];
    ++n;
  });
  for (int c = 0; c < 3; ++c) rgb[c] = n ? sum[c] / n : -1;
}

std::wstring FreshTempPath(const wchar_t* stem) {
  static unsigned counter = 0;
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + stem + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
         std::to_wstring(++counter) + L"_" + std::to_wstring(GetTickCount());
}

void RemoveTree(const std::wstring& path) {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path), ignored);
}

}  // namespace pictest
