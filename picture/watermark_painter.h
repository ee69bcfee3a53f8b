// CWaterMarkPainter: one watermark drawing job. GDI+ is started in its constructor and shut
// down in its destructor, so a painter lives on the stack of one operation. The operations
// on it compose the text from its policy copy, draw the text onto the base picture in memory
// and save the result as JPEG.
#pragma once
#include <windows.h>
// GDI+ needs windows.h first.
#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <string>

#include "exchange/exchange_layout.h"

class CWaterMarkPainter {
 public:
  CWaterMarkPainter();
  ~CWaterMarkPainter();
  CWaterMarkPainter(const CWaterMarkPainter&) = delete;
  CWaterMarkPainter& operator=(const CWaterMarkPainter&) = delete;

  ULONG_PTR m_ulGdiplusToken;                // 0 when GdiplusStartup failed
  std::wstring m_strBasePicPath;             // the bitmap to draw on
  uint32_t m_dwColor;                        // COLORREF layout, set by DrawWaterMark
  std::unique_ptr<Gdiplus::Image> m_pImage;  // the base picture once loaded; may be null
  _PRINT_EXCHG_INFO m_policy;                // byte copy of the watermark policy record
};

// The text from the painter's policy copy; names and employee id come from the exchange
// block. The date is that of the call, or the one given.
std::wstring ComposeWaterMarkText(const CWaterMarkPainter& painter);
std::wstring ComposeWaterMarkText(const CWaterMarkPainter& painter, const SYSTEMTIME& now);

// Loads the base picture into the painter and draws the composed text on it, centred.
void DrawWaterMark(CWaterMarkPainter& painter);
void DrawWaterMark(CWaterMarkPainter& painter, const SYSTEMTIME& now);

// Index of the GDI+ encoder whose MIME type equals mimeType (case-sensitive) and its class
// id in clsid; -1 when there is none.
int GetEncoderClsid(const WCHAR* mimeType, CLSID* clsid);

// Writes the painter's picture as JPEG to path, deleting an old file first. False, with the
// old file left alone, when the painter has no picture or no JPEG encoder exists.
bool SaveAsJpeg(CWaterMarkPainter& painter, const std::wstring& path);
