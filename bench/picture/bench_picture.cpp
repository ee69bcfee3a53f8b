// bench_picture.exe: the Excel picture job on a 1920x1080 base against the floor of GDI+
// loading and saving the same picture as JPEG without drawing, sampled in alternation in the
// same run. Prints the median ratio (target: the job within 1.5x of the floor).
#include <windows.h>
// GDI+ needs windows.h first.
#include <gdiplus.h>

#include <cstdio>
#include <string>

#include "bench/common/paired_ratio.h"
#include "core/policy.h"
#include "picture/watermark_painter.h"
#include "picture/watermark_pic.h"
#include "tests/picture/pixel_probe.h"
#include "tests/picture/system_fixtures.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
// A call lasts tens of milliseconds: one call is a sample, and 100 pairs take some 12 s.
constexpr kalbench::CPairing kPairing = {100, 1, 2};

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

  const std::wstring base = agent + L"watermark.bmp", floorOut = root + L"\\floor.jpg";
  CWaterMarkPicTarget target = {};
  // Both must work before they are timed; the pairing warms them up further.
  if (MakeWaterMarkPic(&target) != 1 || !LoadAndSave(base, floorOut)) {
    std::printf("bench_picture: the picture job did not run\n");
    return 1;
  }
  // A job that gives up early (its Run value or base picture gone, say because another program
  // changed the prefix meanwhile) would look fast: every timed call must succeed.
  int failures = 0;
  const kalbench::CPairedRatio timing =
      kalbench::PairedRatio([&] { failures += MakeWaterMarkPic(&target) != 1; },
                            [&] { failures += !LoadAndSave(base, floorOut); }, kPairing);
  std::printf("picture: MakeWaterMarkPic on %dx%d against GDI+ load+save as JPEG, %d pairs\n",
              kWidth, kHeight, kPairing.pairs);
  kalbench::PrintPairedRatio("picture", "job", "floor", timing, 1.5);
  if (failures)
    std::printf("bench_picture: %d timed calls failed; the ratio means nothing\n", failures);

  pictest::RemoveTree(root);
  return failures ? 1 : 0;
}
