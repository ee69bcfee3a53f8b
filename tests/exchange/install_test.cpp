// "TavRegedit.exe install <dir>" leaves what the add-ins look for: the Run value in the 32-bit
// registry view, the base bitmap and the two INI switches; "uninstall" takes them away.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

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
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(bmp[18], 5);
  EXPECT_EQ(bmp[22], 2);
  EXPECT_EQ(bmp[28], 24);
  EXPECT_EQ(bmp[54], 0x30);  // blue, green, red
  EXPECT_EQ(bmp[55], 0x20);
  EXPECT_EQ(bmp[56], 0x10);
  EXPECT_EQ(bmp[54 + 16 + 14], 0x10);  // last pixel of the second row
  EXPECT_EQ(bmp[54 + 15], 0);          // padding
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
  STARTUPINFOW si = {sizeof(si)};
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exe + L"\" show";
  ASSERT_TRUE(
      CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  kal::CHandleOwner process(pi.hProcess), thread(pi.hThread);
  ASSERT_EQ(WaitForSingleObject(process.Get(), 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.Get(), &code);
  EXPECT_EQ(code, 0u);

  ASSERT_EQ(kaltest::RunBinTool(L"TavRegedit.exe", L"uninstall", &out), 0) << out;
  EXPECT_EQ(ReadRunValue(KEY_WOW64_32KEY), L"<none>");
  EXPECT_FALSE(Exists(dir + L"\\watermark.bmp"));
  EXPECT_FALSE(Exists(dir + L"\\KalConfig.ini"));
  EXPECT_FALSE(Exists(dir + L"\\TavRegedit.exe"));
  RemoveDirectoryW(dir.c_str());
}
