// "TavRegedit.exe install <dir>" leaves what the add-ins look for: the Run value in the 32-bit
// registry view, the base bitmap and the two INI switches; "uninstall" takes them away.
#include <windows.h>

#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "tests/exchange/section_fixture.h"
#include "tests/support/agent_process.h"
#include "tests/support/test_paths.h"
#include "tools/agent/plain_bmp.h"

namespace {

std::wstring ReadRunValue(REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                    KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return L"<no key>";
  wchar_t data[1024] = {};
  DWORD bytes = sizeof(data) - sizeof(wchar_t), type = 0;
  LONG rc =
      RegQueryValueExW(key, L"TavRegedit", nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_SZ ? std::wstring(data) : L"<none>";
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TEST(AgentInstall, PlainBmpHasTheRequestedGeometryAndColour) {
  auto bmp = kal::agent::MakePlainBmp(5, 2, 0x10, 0x20, 0x30);
  ASSERT_EQ(bmp.size(), 54u + 2 * 16);  // rows padded to 4 bytes
  // Offset and byte: signature, width, height, bits per pixel, first pixel (blue, green, red),
  // the last pixel of the second row and the padding of the first.
  const std::pair<size_t, int> bytes[] = {{0, 'B'},   {1, 'M'},   {18, 5},    {22, 2},    {28, 24},
                                          {54, 0x30}, {55, 0x20}, {56, 0x10}, {84, 0x10}, {69, 0}};
  for (const auto& b : bytes) EXPECT_EQ(bmp[b.first], b.second) << "offset " << b.first;
}

TEST(AgentInstall, InstallWritesRunValueBitmapAndIniFilesThenUninstallRemovesThem) {
  wchar_t tmp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, tmp);
  std::wstring dir =
      std::wstring(tmp) + L"kaltest_agent_dir_" + std::to_wstring(GetCurrentProcessId());
  std::string out;
  ASSERT_EQ(kaltest::RunBinTool(L"TavRegedit.exe", L"install \"" + dir + L"\"", &out), 0) << out;

  std::wstring exe = ReadRunValue(KEY_WOW64_32KEY);
  EXPECT_EQ(_wcsicmp(exe.c_str(), (dir + L"\\TavRegedit.exe").c_str()), 0);
  EXPECT_TRUE(Exists(exe));
  EXPECT_EQ(GetPrivateProfileIntW(L"OEM", L"PowerpntWM", 0, (dir + L"\\KalConfig.ini").c_str()), 1);
  EXPECT_EQ(
      GetPrivateProfileIntW(L"ORCHARD", L"PPTWM", 0, (dir + L"\\KalEspecialConfig.ini").c_str()),
      1);
  std::string bmp = kaltest::ReadFileBytes(dir + L"\\watermark.bmp");
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(*reinterpret_cast<const int32_t*>(bmp.data() + 18), 1000);
  EXPECT_EQ(*reinterpret_cast<const int32_t*>(bmp.data() + 22), 600);
  // The installed copy is a working agent.
  kal::CHandleOwner process;
  ASSERT_TRUE(kaltest::Spawn(L"\"" + exe + L"\" show", &process));
  EXPECT_EQ(kaltest::ExitCodeAfter(process, 20000), 0u);

  ASSERT_EQ(kaltest::RunBinTool(L"TavRegedit.exe", L"uninstall", &out), 0) << out;
  EXPECT_EQ(ReadRunValue(KEY_WOW64_32KEY), L"<none>");
  EXPECT_FALSE(Exists(dir + L"\\watermark.bmp"));
  EXPECT_FALSE(Exists(dir + L"\\KalConfig.ini"));
  EXPECT_FALSE(Exists(dir + L"\\TavRegedit.exe"));
  RemoveDirectoryW(dir.c_str());
}
