// With the reference agent: installed on another drive than C: (its Run value, watermark.bmp)
// and running with a policy that protects render_excel.exe, the Excel-side program decides the
// watermark through the sections and makes the picture from the agent's record.
#include <gtest/gtest.h>

#include <string>

#include "picture/watermark_pic.h"
#include "tests/picture/pixel_probe.h"
#include "tests/picture/system_fixtures.h"
#include "tests/support/agent_process.h"
#include "tests/support/test_paths.h"

namespace {

// Value of "key=" at the start of a line of the program's output. The text comes last and
// may hold line feeds of its own, so it runs to the end of the output.
std::string Field(const std::string& output, const std::string& key) {
  const std::string tag = key + "=";
  size_t at = ("\n" + output).find("\n" + tag);  // index of the line's start in output
  if (at == std::string::npos) return std::string();
  at += tag.size();
  if (key == "text") return output.substr(at, output.find_last_not_of("\r\n") + 1 - at);
  return output.substr(at, output.find_first_of("\r\n", at) - at);
}

const char kPolicy[] =
    "[user]\n"
    "name = alice\n"
    "extra = Finance\n"
    "password = s3cret\n"
    "employeeId = E-1001\n"
    "[watermark]\n"
    "readWatermark = 1\n"
    "tavFileWatermark = 1\n"
    "smartFileWatermark = 1\n"
    "modelFlag = 0\n"
    "horizontal = 0\n"
    "text = Confidential\n"
    "fontSize = 40\n"
    "color = 0,0,255\n"
    "transparency = 0\n"
    "showDate = 1\n"
    "showUserName = 1\n"
    "showEmployeeId = 1\n"
    "[processes]\n"
    "protect = render_excel.exe readonly=0 print=1\n";

TEST(PictureWithAgent, InstalledAgentOnAnotherDriveGivesTheExcelPicture) {
  pictest::CGdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.Started());
  pictest::CScopedRunValue run;
  pictest::CScopedEnv appDataVar(L"APPDATA");

  // The build folder is reached through Wine's Z: drive.
  const std::wstring agentDir =
      kaltest::BinDir() + L"picture_agent_" + std::to_wstring(GetCurrentProcessId());
  ASSERT_EQ(agentDir.compare(0, 2, L"Z:"), 0);
  std::string out;
  ASSERT_EQ(kaltest::RunBinTool(L"TavRegedit.exe", L"install \"" + agentDir + L"\"", &out), 0)
      << out;
  EXPECT_EQ(GetAgentInstallDir(), agentDir + L"\\");

  const std::wstring appData = pictest::FreshTempPath(L"kalpic_e2e") + L"\\Roaming";
  appDataVar.Set(appData);

  kaltest::CAgentProcess agent;
  ASSERT_TRUE(agent.Start(kPolicy));
  const int rc = kaltest::RunBinTool(L"render_excel.exe", L"", &out, 60000);
  agent.Stop();
  ASSERT_EQ(rc, 0) << out;

  EXPECT_EQ(Field(out, "result"), "1");
  EXPECT_EQ(Field(out, "text"),
            "Confidential\n" + pictest::Narrow(pictest::Today()) + "&alice&Finance&E-1001");
  const std::string path = Field(out, "path");
  const std::string folder = pictest::Narrow(appData) + "\\KalTemp\\watermarkxlsx";
  ASSERT_EQ(path.compare(0, folder.size(), folder), 0) << path;
  EXPECT_EQ(path.substr(path.size() - 4), ".jpg");

  pictest::CPixels pic;
  ASSERT_TRUE(pictest::DecodePicture(std::wstring(path.begin(), path.end()), &pic));
  pictest::CPixels base;
  ASSERT_TRUE(pictest::DecodePicture(agentDir + L"\\watermark.bmp", &base));
  EXPECT_EQ(pic.width, base.width);
  EXPECT_EQ(pic.height, base.height);
  const uint8_t* bg = base.At(0, 0);
  const uint8_t background[3] = {bg[0], bg[1], bg[2]};
  const pictest::CInk ink = pictest::MeasureInk(pic, background, 80);
  ASSERT_GT(ink.count, 1000);
  EXPECT_NEAR(ink.CentreX(), base.width / 2.0, 30);
  EXPECT_NEAR(ink.CentreY(), base.height / 2.0, 30);
  double rgb[3];
  pictest::CoreInkColour(pic, background, 180, rgb);
  EXPECT_LT(rgb[0], 70);
  EXPECT_LT(rgb[1], 70);
  EXPECT_GT(rgb[2], 190);

  DeleteFileW(std::wstring(path.begin(), path.end()).c_str());
  pictest::RemoveTree(appData.substr(0, appData.rfind(L'\\')));
  pictest::RemoveTree(agentDir);
}

}  // namespace
