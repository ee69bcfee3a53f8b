// bench_picture.exe: the Excel picture job on a 1920x1080 base against the floor of GDI+
// loading and saving the same picture as JPEG without drawing, measured in the same run.
// Prints the medians and their ratio (target: the job within 1.5x of the floor).
#include <windows.h>
// GDI+ needs windows.h first.
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/policy.h"
#include "picture/watermark_pic.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRounds = 15;

int EncoderFor(const wchar_t* mime, CLSID* clsid) {
  UINT count = 0, bytes = 0;
  Gdiplus::GetImageEncodersSize(&count, &bytes);
  std::vector<unsigned char> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (bytes == 0 || Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return -1;
  for (UINT i = 0; i < count; ++i) {
    if (std::wcscmp(codecs[i].MimeType, mime) == 0) {
      *clsid = codecs[i].Clsid;
      return int(i);
    }
  }
  return -1;
}

// A base with some content (a diagonal gradient), so the encoder has real work in both runs.
bool WriteBase(const std::wstring& path) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  bool ok = false;
  {
    Gdiplus::Bitmap bitmap(kWidth, kHeight, PixelFormat24bppRGB);
    Gdiplus::Graphics graphics(&bitmap);
    Gdiplus::LinearGradientBrush brush(Gdiplus::Point(0, 0), Gdiplus::Point(kWidth, kHeight),
                                       Gdiplus::Color(255, 250, 250, 235),
                                       Gdiplus::Color(255, 200, 215, 240));
    graphics.FillRectangle(&brush, 0, 0, kWidth, kHeight);
    CLSID bmp;
    ok = EncoderFor(L"image/bmp", &bmp) >= 0 &&
         bitmap.Save(path.c_str(), &bmp, nullptr) == Gdiplus::Ok;
  }
  Gdiplus::GdiplusShutdown(token);
  return ok;
}

// The floor: what any picture job pays at least (GDI+ up, load, save as JPEG, GDI+ down).
bool LoadAndSave(const std::wstring& base, const std::wstring& out) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  bool ok = false;
  {
    Gdiplus::Image image(base.c_str(), FALSE);
    CLSID jpeg;
    if (EncoderFor(L"image/jpeg", &jpeg) >= 0) {
      DeleteFileW(out.c_str());
      ok = image.Save(out.c_str(), &jpeg, nullptr) == Gdiplus::Ok;
    }
  }
  Gdiplus::GdiplusShutdown(token);
  return ok;
}

double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <size_t N>
void PutField(ExWChar (&field)[N], const wchar_t* text) {
  std::memset(field, 0, sizeof(field));
  for (size_t i = 0; text[i] != 0 && i + 1 < N; ++i) field[i] = static_cast<ExWChar>(text[i]);
}

// Restores the agent's Run value and APPDATA as they were.
class CRunValueGuard {
 public:
  CRunValueGuard() {
    HKEY key = Open();
    DWORD bytes = 0;
    if (key &&
        RegQueryValueExW(key, L"TavRegedit", nullptr, &m_type, nullptr, &bytes) == ERROR_SUCCESS) {
      m_saved.resize(bytes);
      m_had = RegQueryValueExW(key, L"TavRegedit", nullptr, &m_type, m_saved.data(), &bytes) ==
              ERROR_SUCCESS;
    }
    if (key) RegCloseKey(key);
  }
  ~CRunValueGuard() {
    HKEY key = Open();
    if (!key) return;
    if (m_had)
      RegSetValueExW(key, L"TavRegedit", 0, m_type, m_saved.data(), DWORD(m_saved.size()));
    else
      RegDeleteValueW(key, L"TavRegedit");
    RegCloseKey(key);
  }
  bool Set(const std::wstring& value) {
    HKEY key = Open();
    if (!key) return false;
    const LONG rc =
        RegSetValueExW(key, L"TavRegedit", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
  }

 private:
  static HKEY Open() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                    nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr);
    return key;
  }
  bool m_had = false;
  DWORD m_type = 0;
  std::vector<BYTE> m_saved;
};

}  // namespace

int wmain() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring root =
      std::wstring(temp) + L"kal_bench_picture_" + std::to_wstring(GetCurrentProcessId());
  const std::wstring agent = root + L"\\Agent\\";
  const std::wstring appData = root + L"\\AppData";
  CreateDirectoryW(root.c_str(), nullptr);
  CreateDirectoryW(agent.c_str(), nullptr);
  if (!WriteBase(agent + L"watermark.bmp")) {
    std::printf("bench_picture: cannot write the base picture\n");
    return 1;
  }
  CRunValueGuard run;
  if (!run.Set(agent + L"TavRegedit.exe")) {
    std::printf("bench_picture: cannot write the Run value\n");
    return 1;
  }
  SetEnvironmentVariableW(L"APPDATA", appData.c_str());

  _PRINT_EXCHG_INFO& r = WatermarkPolicyCache.record;
  PutField(r.watermarkText, L"Confidential - internal use only");
  PutField(r.watermarkColor, L"255,0,0");
  PutField(r.showDate, L"1");
  PutField(r.showUserName, L"1");
  PutField(r.showEmployeeId, L"1");
  r.watermarkFontSize = 36;
  r.watermarkTransparency = 128;
  r.watermarkHorizontal = 0;
  WatermarkPolicyCache.bInit = 1;
  WatermarkPolicyCache.bResult = 1;

  const std::wstring floorOut = root + L"\\floor.jpg";
  CWaterMarkPicTarget target = {};
  // One untimed round of each warms the file cache and the codec libraries.
  if (MakeWaterMarkPic(&target) != 1 || !LoadAndSave(agent + L"watermark.bmp", floorOut)) {
    std::printf("bench_picture: the picture job did not run\n");
    return 1;
  }
  std::vector<double> job, floor;
  for (int i = 0; i < kRounds; ++i) {
    double t0 = Now();
    LoadAndSave(agent + L"watermark.bmp", floorOut);
    floor.push_back(Now() - t0);
    t0 = Now();
    MakeWaterMarkPic(&target);
    job.push_back(Now() - t0);
  }
  const double jobMs = Median(job), floorMs = Median(floor);
  const double ratio = jobMs / floorMs;
  std::printf("picture: MakeWaterMarkPic on %dx%d median %.1f ms; GDI+ load+save floor %.1f ms\n",
              kWidth, kHeight, jobMs, floorMs);
  std::printf("picture: ratio %.2f (target <= 1.50) %s\n", ratio, ratio <= 1.5 ? "ok" : "OVER");

  DeleteFileW(target.m_szImgPath);
  DeleteFileW(floorOut.c_str());
  DeleteFileW((agent + L"watermark.bmp").c_str());
  RemoveDirectoryW((appData + L"\\KalTemp").c_str());
  RemoveDirectoryW(appData.c_str());
  RemoveDirectoryW(agent.c_str());
  RemoveDirectoryW(root.c_str());
  return 0;
}
