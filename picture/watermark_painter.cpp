// The GDI+ side of the watermark: painter lifetime, text gathering, drawing and JPEG output.
#include "picture/watermark_painter.h"

#include <cstring>
#include <new>
#include <vector>

#include "core/color_rule.h"
#include "exchange/tav_exchg.h"
#include "picture/picture_rules.h"
#include "picture/watermark_text.h"

namespace {

// Buffers the names and the id are read into. The exchange getters fill whole fields
// (256 bytes), so the reads land in field-sized buffers and are then cut to the sizes the
// composition allows: names to 63 bytes, the id to 255, never splitting a double-byte
// character.
constexpr size_t kNameBufferBytes = 64;
constexpr size_t kEmployeeIdBufferBytes = 256;

bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

std::wstring AnsiToWide(const char* text, size_t textBytes, size_t bufferBytes) {
  const size_t n = kal::AnsiPrefixLength(text, textBytes, bufferBytes, IsAnsiLeadByte);
  if (n == 0) return std::wstring();
  const int units = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(n), nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(n), &out[0], units);
  return out;
}

// GdiplusBase's operator new reports exhaustion with a null pointer rather than an
// exception, so the memory is taken from GDI+ first and the object built in it.
std::unique_ptr<Gdiplus::Image> LoadImageFile(const std::wstring& path) {
  void* memory = Gdiplus::DllExports::GdipAlloc(sizeof(Gdiplus::Image));
  if (memory == nullptr) return nullptr;
  return std::unique_ptr<Gdiplus::Image>(::new (memory) Gdiplus::Image(path.c_str(), FALSE));
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

CWaterMarkPainter::CWaterMarkPainter() : m_ulGdiplusToken(0), m_dwColor(0) {
  std::memset(&m_policy, 0, sizeof(m_policy));
  Gdiplus::GdiplusStartupInput input;  // version 1, nothing suppressed
  if (Gdiplus::GdiplusStartup(&m_ulGdiplusToken, &input, nullptr) != Gdiplus::Ok) {
    m_ulGdiplusToken = 0;
  }
}

CWaterMarkPainter::~CWaterMarkPainter() {
  // The picture is a GDI+ object: it must go while GDI+ is still up.
  m_pImage.reset();
  if (m_ulGdiplusToken != 0) Gdiplus::GdiplusShutdown(m_ulGdiplusToken);
}

std::wstring ComposeWaterMarkText(const CWaterMarkPainter& painter, const SYSTEMTIME& now) {
  const _PRINT_EXCHG_INFO& policy = painter.m_policy;
  kal::CWaterMarkTextParts parts;
  parts.m_strText =
      kal::WideFromField(policy.watermarkText, sizeof(policy.watermarkText) / sizeof(ExWChar));
  parts.m_bShowDate = kal::IsShowFlagOn(policy.showDate);
  parts.m_bShowUserName = kal::IsShowFlagOn(policy.showUserName);
  parts.m_bShowEmployeeId = kal::IsShowFlagOn(policy.showEmployeeId);
  parts.m_nYear = now.wYear;
  parts.m_nMonth = now.wMonth;
  parts.m_nDay = now.wDay;
  if (parts.m_bShowUserName) {
    char name[kal::kUserNameSize + 1] = {};
    char extra[kal::kUserNameSize + 1] = {};
    CTavExchg().GetDefaultUserNameAndPsw(name, nullptr, extra);
    parts.m_strUserName = AnsiToWide(name, kal::kUserNameSize, kNameBufferBytes);
    parts.m_strUserNameExtra = AnsiToWide(extra, kal::kUserNameSize, kNameBufferBytes);
  }
  if (parts.m_bShowEmployeeId) {
    char id[kal::kEmployeeIdSize + 1] = {};
    kal::GetUserEmployeeIdBounded(id, kal::kEmployeeIdSize);
    parts.m_strEmployeeId = AnsiToWide(id, kal::kEmployeeIdSize, kEmployeeIdBufferBytes);
  }
  return kal::ComposeWaterMarkTextFrom(parts);
}

std::wstring ComposeWaterMarkText(const CWaterMarkPainter& painter) {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  return ComposeWaterMarkText(painter, now);
}

void DrawWaterMark(CWaterMarkPainter& painter, const SYSTEMTIME& now) {
  using namespace Gdiplus;
  if (!FileExists(painter.m_strBasePicPath)) return;
  painter.m_pImage = LoadImageFile(painter.m_strBasePicPath);
  if (!painter.m_pImage) return;
  Image& image = *painter.m_pImage;

  // An undecodable file still leaves a picture object; every call below then fails quietly
  // and the save fails, which is the outcome wanted for a broken base picture.
  RectF bounds;
  Unit unit = UnitPixel;
  image.GetBounds(&bounds, &unit);
  const float w = bounds.Width;
  const float h = bounds.Height;

  const _PRINT_EXCHG_INFO& policy = painter.m_policy;
  FontFamily family(L"Arial", nullptr);
  Font font(&family, kal::WaterMarkEmSize(policy.watermarkFontSize), FontStyleRegular, UnitPixel);

  painter.m_dwColor = ColorFromWatermarkText(policy.watermarkColor,
                                             sizeof(policy.watermarkColor) / sizeof(ExWChar));
  const COLORREF rgb = painter.m_dwColor;
  SolidBrush brush(Color(kal::WaterMarkBrushAlpha(policy.watermarkTransparency), GetRValue(rgb),
                         GetGValue(rgb), GetBValue(rgb)));

  StringFormat format(0, LANG_NEUTRAL);
  format.SetAlignment(StringAlignmentCenter);
  format.SetLineAlignment(StringAlignmentCenter);

  Graphics graphics(&image);
  const std::wstring text = ComposeWaterMarkText(painter, now);

  const bool slanted = policy.watermarkHorizontal == 0;
  graphics.TranslateTransform(w / 2, h / 2, MatrixOrderPrepend);
  if (slanted) graphics.RotateTransform(kal::kSlantAngleDegrees, MatrixOrderPrepend);
  const kal::CLayoutRectF r = kal::WaterMarkLayoutRect(w, h);
  graphics.DrawString(text.c_str(), -1, &font, RectF(r.x, r.y, r.width, r.height), &format, &brush);
  if (slanted) graphics.RotateTransform(-kal::kSlantAngleDegrees, MatrixOrderPrepend);
  graphics.ResetTransform();
}

void DrawWaterMark(CWaterMarkPainter& painter) {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  DrawWaterMark(painter, now);
}

int GetEncoderClsid(const WCHAR* mimeType, CLSID* clsid) {
  UINT count = 0;
  UINT bytes = 0;
  Gdiplus::GetImageEncodersSize(&count, &bytes);
  if (bytes == 0 || mimeType == nullptr || clsid == nullptr) return -1;
  std::vector<unsigned char> buffer;
  try {
    buffer.resize(bytes);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return -1;
  // count comes from GDI+ alongside bytes; never walk past what the buffer holds.
  const UINT fits = static_cast<UINT>(bytes / sizeof(Gdiplus::ImageCodecInfo));
  if (count > fits) count = fits;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType != nullptr && std::wcscmp(codecs[i].MimeType, mimeType) == 0) {
      *clsid = codecs[i].Clsid;
      return static_cast<int>(i);
    }
  }
  return -1;
}

bool SaveAsJpeg(CWaterMarkPainter& painter, const std::wstring& path) {
  if (!painter.m_pImage) return false;
  CLSID jpeg = {};
  if (GetEncoderClsid(L"image/jpeg", &jpeg) < 0) return false;
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(path.c_str());
  return painter.m_pImage->Save(path.c_str(), &jpeg, nullptr) == Gdiplus::Ok;
}
