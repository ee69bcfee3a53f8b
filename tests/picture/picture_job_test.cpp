// MakeWaterMarkPic end to end: Run value, APPDATA, base picture and cached policy in, the
// picture file and m_szImgPath out, with the gated trace lines on the debugger channel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/policy.h"
#include "core/trace.h"
#include "picture/watermark_pic.h"
#include "tests/picture/pixel_probe.h"
#include "tests/picture/system_fixtures.h"
#include "tests/support/dbwin_capture.h"

namespace {

using pictest::kWhite;
using pictest::Narrow;

class PictureJob : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_gdiplus.Started());
    m_root = pictest::FreshTempPath(L"kalpic_job");
    m_agentDir = m_root + L"\\Agent\\";
    m_appData = m_root + L"\\Users\\u\\AppData\\Roaming";
    ASSERT_TRUE(CreateDirectoryW(m_root.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(m_agentDir.c_str(), nullptr));
    ASSERT_TRUE(pictest::WriteSolidBitmap(m_agentDir + L"watermark.bmp", 640, 480, 255, 255, 255));
    ASSERT_TRUE(m_run.SetString(m_agentDir + L"TavRegedit.exe"));
    m_env.Set(m_appData);
    m_savedCache = WatermarkPolicyCache;
    SetLook(L"CONFIDENTIAL", L"255,0,0");
    std::memset(&m_target, 0, sizeof(m_target));
    m_savedTrace = g_bTraceOn;
  }
  void TearDown() override {
    g_bTraceOn = m_savedTrace;
    WatermarkPolicyCache = m_savedCache;
    pictest::RemoveTree(m_root);
  }

  void SetLook(const std::wstring& text, const std::wstring& colour) {
    _PRINT_EXCHG_INFO& r = WatermarkPolicyCache.record;
    std::memset(&r, 0, sizeof(r));
    pictest::PutField(r.watermarkText, text);
    pictest::PutField(r.watermarkColor, colour);
    r.watermarkFontSize = 60;
    r.watermarkHorizontal = 0;
    WatermarkPolicyCache.bInit = 1;
    WatermarkPolicyCache.bResult = 1;
  }

  std::wstring ExpectedPicture() const {
    return m_appData + L"\\KalTemp\\watermarkxlsx" + std::to_wstring(GetCurrentProcessId()) +
           L".jpg";
  }
  // The job fails and leaves the path member all zero.
  void ExpectRefusedWithoutPath() {
    EXPECT_EQ(MakeWaterMarkPic(&m_target), 0);
    for (WCHAR c : m_target.m_szImgPath) ASSERT_EQ(c, 0);
  }

  pictest::CGdiplusSession m_gdiplus;
  pictest::CScopedRunValue m_run;
  pictest::CScopedEnv m_env{L"APPDATA"};
  std::wstring m_root, m_agentDir, m_appData;
  CWatermarkPolicyCache m_savedCache{};
  CWaterMarkPicTarget m_target{};
  bool m_savedTrace = false;
};

TEST_F(PictureJob, DrawsThePictureIntoANewFolderUnderAppData) {
  ASSERT_EQ(GetFileAttributesW(m_appData.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(MakeWaterMarkPic(&m_target), 1);
  EXPECT_EQ(std::wstring(m_target.m_szImgPath), ExpectedPicture());
  pictest::CPixels pic;
  ASSERT_TRUE(pictest::DecodePicture(ExpectedPicture(), &pic));
  EXPECT_EQ(pic.width, 640);
  EXPECT_EQ(pic.height, 480);
  // Red text rising to the right around the centre.
  const pictest::CInk ink = pictest::MeasureInk(pic, kWhite, 80);
  ASSERT_GT(ink.count, 1000);
  EXPECT_NEAR(ink.CentreX(), 320, 25);
  EXPECT_NEAR(ink.CentreY(), 240, 25);
  const pictest::CInk left = pictest::MeasureInk(pic, kWhite, 80, 0, 320);
  const pictest::CInk right = pictest::MeasureInk(pic, kWhite, 80, 320, 640);
  EXPECT_GT(left.CentreY() - right.CentreY(), 40);
  double rgb[3];
  pictest::CoreInkColour(pic, kWhite, 200, rgb);
  EXPECT_GT(rgb[0], 200);
  EXPECT_LT(rgb[1], 60);
  EXPECT_LT(rgb[2], 60);
  // The base picture itself is not touched.
  pictest::CPixels base;
  ASSERT_TRUE(pictest::DecodePicture(m_agentDir + L"watermark.bmp", &base));
  EXPECT_EQ(pictest::MeasureInk(base, kWhite, 0).count, 0);
}

TEST_F(PictureJob, SecondRunInTheSameProcessReplacesThePicture) {
  ASSERT_EQ(MakeWaterMarkPic(&m_target), 1);
  pictest::CPixels first;
  ASSERT_TRUE(pictest::DecodePicture(ExpectedPicture(), &first));
  ASSERT_GT(pictest::MeasureInk(first, kWhite, 80).count, 1000);

  SetLook(L"", L"255,0,0");  // nothing to draw now
  CWaterMarkPicTarget again{};
  ASSERT_EQ(MakeWaterMarkPic(&again), 1);
  EXPECT_EQ(std::wstring(again.m_szImgPath), ExpectedPicture());
  pictest::CPixels second;
  ASSERT_TRUE(pictest::DecodePicture(ExpectedPicture(), &second));
  EXPECT_LE(pictest::MeasureInk(second, kWhite, 0).strongest, 12);
}

TEST_F(PictureJob, WithoutTheRunValueNothingIsStored) {
  ASSERT_TRUE(m_run.Remove());
  ExpectRefusedWithoutPath();
  EXPECT_EQ(GetFileAttributesW(m_appData.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(PictureJob, EmptyOrMissingAppDataStopsTheJob) {
  m_env.Set(L"");
  ExpectRefusedWithoutPath();
  m_env.Unset();
  ExpectRefusedWithoutPath();
  // A value that does not fit the 255-unit read counts as empty; the folder is not made.
  const std::wstring tooLong = m_root + L"\\" + std::wstring(300 - m_root.size(), L'a');
  m_env.Set(tooLong);
  ExpectRefusedWithoutPath();
  EXPECT_EQ(GetFileAttributesW(tooLong.c_str()), INVALID_FILE_ATTRIBUTES);
  // 254 units still fit: the job gets past the variable (and stops later, at the member).
  std::wstring longest = m_root;
  while (longest.size() + 21 + 2 <= 254) {  // room left for a last name of at least one unit
    longest += L"\\" + std::wstring(20, L'q');
    ASSERT_TRUE(CreateDirectoryW(longest.c_str(), nullptr));
  }
  longest += L"\\" + std::wstring(254 - longest.size() - 1, L'r');
  ASSERT_EQ(longest.size(), 254u);
  m_env.Set(longest);
  ExpectRefusedWithoutPath();
  const DWORD made = GetFileAttributesW((longest + L"\\KalTemp").c_str());
  EXPECT_NE(made, INVALID_FILE_ATTRIBUTES);
}

TEST_F(PictureJob, FolderThatCannotBeMadeStopsTheJob) {
  // A file stands where a directory of the path should be.
  const std::wstring blocker = m_root + L"\\blocker";
  ASSERT_TRUE(pictest::WriteBytes(blocker, ""));
  m_env.Set(blocker + L"\\Roaming");
  ExpectRefusedWithoutPath();
}

TEST_F(PictureJob, MissingBasePictureStillStoresThePath) {
  ASSERT_TRUE(DeleteFileW((m_agentDir + L"watermark.bmp").c_str()));
  EXPECT_EQ(MakeWaterMarkPic(&m_target), 0);
  EXPECT_EQ(std::wstring(m_target.m_szImgPath), ExpectedPicture());
  EXPECT_EQ(GetFileAttributesW(ExpectedPicture().c_str()), INVALID_FILE_ATTRIBUTES);
  // The folder was made before the base picture was looked for.
  const DWORD folder = GetFileAttributesW((m_appData + L"\\KalTemp").c_str());
  ASSERT_NE(folder, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(folder & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(PictureJob, UndecodableBaseLeavesNoPictureBehind) {
  ASSERT_EQ(MakeWaterMarkPic(&m_target), 1);
  ASSERT_NE(GetFileAttributesW(ExpectedPicture().c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(pictest::WriteBytes(m_agentDir + L"watermark.bmp", "BMgarbage"));
  EXPECT_EQ(MakeWaterMarkPic(&m_target), 1);
  EXPECT_EQ(GetFileAttributesW(ExpectedPicture().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(PictureJob, PathLongerThanTheMemberIsRefused) {
  // The folder exists already, so only the member's size can stop the job.
  std::wstring deep = m_root;
  while (deep.size() < 240) {
    deep += L"\\" + std::wstring(20, L'p');
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  ASSERT_TRUE(CreateDirectoryW((deep + L"\\KalTemp").c_str(), nullptr));
  m_env.Set(deep);
  for (WCHAR& c : m_target.m_szImgPath) c = L'#';
  EXPECT_EQ(MakeWaterMarkPic(&m_target), 0);
  for (WCHAR c : m_target.m_szImgPath) ASSERT_EQ(c, L'#');
}

TEST_F(PictureJob, GatedTraceLinesFollowTheSwitch) {
  kaltest::CDbwinCapture capture;
  ASSERT_TRUE(capture.Listening());
  g_bTraceOn = false;
  m_run.Remove();
  EXPECT_EQ(MakeWaterMarkPic(&m_target), 0);
  m_env.Set(L"");
  ASSERT_TRUE(m_run.SetString(m_agentDir + L"TavRegedit.exe"));
  EXPECT_EQ(MakeWaterMarkPic(&m_target), 0);
  ASSERT_TRUE(capture.Drain());
  EXPECT_FALSE(capture.Contains("MakeWaterMarkPic2"));

  g_bTraceOn = true;
  m_run.Remove();
  EXPECT_EQ(MakeWaterMarkPic(&m_target), 0);
  EXPECT_TRUE(capture.WaitFor("MakeWaterMarkPic2 strCurrUserPath IsEmpty", 10000));
  ASSERT_TRUE(m_run.SetString(m_agentDir + L"TavRegedit.exe"));
  EXPECT_EQ(MakeWaterMarkPic(&m_target), 0);
  EXPECT_TRUE(capture.WaitFor("MakeWaterMarkPic2 strTempBasePath IsEmpty", 10000));
  m_env.Set(m_appData);
  EXPECT_EQ(MakeWaterMarkPic(&m_target), 1);
  EXPECT_TRUE(capture.WaitFor(Narrow(ExpectedPicture()), 10000));
  // The APPDATA value has a line of its own, apart from the picture path that contains it.
  const std::vector<std::string> lines = capture.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), Narrow(m_appData)), lines.end());
}

}  // namespace
