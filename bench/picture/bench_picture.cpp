// bench_picture.exe: the Excel picture job on a 1920x1080 base against the floor of GDI+
// loading and saving the same picture as JPEG without drawing, measured in the same run.
// Prints the medians and their ratio (target: the job within 1.5x of the floor).
#include <windows.h>
// GDI+ needs windows.h first.
#include <gdiplus.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/bench_clock.h"
#include "core/policy.h"
#include "picture/watermark_painter.h"
#include "picture/watermark_pic.h"
#include "tests/picture/pixel_probe.h"
#include "tests/picture/system_fixtures.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRounds = 15;

// A base with some content (a diagonal gradient), so the encoder has real work in both runs.
bool WriteBase(const std::wstring& path) {
  pictest::CGdiplusSession gdiplus;
  if (!gdiplus.Started()) return false;
  Gdiplus::Bitmap bitmap(kWidth, kHeight, PixelFormat24bppRGB);
  Gdiplus::Graphics graphics(&bitmap);
  Gdiplus::LinearGradientBrush brush(Gdiplus::Point(0, 0), Gdiplus::Point(kWidth, kHeight),
                                     Gdiplus::Color(255, 250, 250, 235),
                                     Gdiplus::Color(255, 200, 215, 240));
  graphics.FillRectangle(&brush, 0, 0, kWidth, kHeight);
  CLSID bmp;
  return GetEncoderClsid(L"image/bmp", &bmp) >= 0 &&
         bitmap.Save(path.c_str(), &bmp, nullptr) == Gdiplus::Ok;
}

// The floor: what any picture job pays at least (GDI+ up, load, save as JPEG, GDI+ down).
bool LoadAndSave(const std::wstring& base, const std::wstring& out) {
  pictest::CGdiplusSession gdiplus;
  if (!gdiplus.Started()) return false;
  Gdiplus::Image image(base.c_str(), FALSE);
  CLSID jpeg;
  if (GetEncoderClsid(L"image/jpeg", &jpeg) < 0) return false;
  DeleteFileW(out.c_str());
  return image.Save(out.c_str(), &jpeg, nullptr) == Gdiplus::Ok;
}

}  // namespace

int wmain() {
  const std::wstring root = pictest::FreshTempPath(L"kal_bench_picture");
  const std::wstring agent = root + L"\\Agent\\";
  const std::wstring appData = root + L"\\AppData";
  CreateDirectoryW(root.c_str(), nullptr);
  CreateDirectoryW(agent.c_str(), nullptr);
  if (!WriteBase(agent + L"watermark.bmp")) {
    std::printf("bench_picture: cannot write the base picture\n");
    return 1;
  }
  pictest::CScopedRunValue run;
  if (!run.SetString(agent + L"TavRegedit.exe")) {
    std::printf("bench_picture: cannot write the Run value\n");
    return 1;
  }
  pictest::CScopedEnv appDataVar(L"APPDATA");
  appDataVar.Set(appData);

  _PRINT_EXCHG_INFO& r = WatermarkPolicyCache.record;
  pictest::PutField(r.watermarkText, L"Confidential - internal use only");
  pictest::PutField(r.watermarkColor, L"255,0,0");
  pictest::PutField(r.showDate, L"1");
  pictest::PutField(r.showUserName, L"1");
  pictest::PutField(r.showEmployeeId, L"1");
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
    floor.push_back(kalbench::TimeMs([&] { LoadAndSave(agent + L"watermark.bmp", floorOut); }));
    job.push_back(kalbench::TimeMs([&] { MakeWaterMarkPic(&target); }));
  }
  const double jobMs = kalbench::Median(job), floorMs = kalbench::Median(floor);
  const double ratio = jobMs / floorMs;
  std::printf("picture: MakeWaterMarkPic on %dx%d median %.1f ms; GDI+ load+save floor %.1f ms\n",
              kWidth, kHeight, jobMs, floorMs);
  std::printf("picture: ratio %.2f (target <= 1.50) %s\n", ratio, ratio <= 1.5 ? "ok" : "OVER");

  pictest::RemoveTree(root);
  return 0;
}
