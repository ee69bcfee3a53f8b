// The agent's install directory from its Run value, and the directory chain the picture
// folder is made with, against the real registry and file system of the prefix.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "picture/watermark_pic.h"
#include "tests/picture/pixel_probe.h"
#include "tests/picture/system_fixtures.h"

namespace {

using pictest::CScopedRunValue;

TEST(AgentInstallDir, IsTheFolderOfTheRunValueWithItsBackslash) {
  CScopedRunValue run;
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\Agent\\TavRegedit.exe", L"C:\\Agent\\"},
      {L"D:\\Tools\\TavRegedit.exe", L"D:\\Tools\\"},
      // A trim by characters: a name made of them goes too, up to the backslash.
      {L"C:\\Kal Agent\\gadget.exe", L"C:\\Kal Agent\\"},
      // The set is case-sensitive: a lower-case r is not in it.
      {L"C:\\Kal Agent\\reg.exe", L"C:\\Kal Agent\\r"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(run.SetString(c.first));
    EXPECT_EQ(GetAgentInstallDir(), c.second) << c.first;
  }
  ASSERT_TRUE(run.Remove());  // a missing value gives empty
  EXPECT_EQ(GetAgentInstallDir(), L"");
}

TEST(AgentInstallDir, TypeIsNotExaminedAndDataWithoutNulIsReadAsFarAsItGoes) {
  CScopedRunValue run;
  const std::wstring path = L"C:\\Bin\\TavRegedit.exe";
  for (DWORD type : {REG_EXPAND_SZ, REG_BINARY}) {
    ASSERT_TRUE(run.SetRaw(type, path.c_str(), DWORD((path.size() + 1) * 2)));
    EXPECT_EQ(GetAgentInstallDir(), L"C:\\Bin\\") << type;
  }
  const std::wstring noNul = L"C:\\NoNul\\TavRegedit.exe";
  ASSERT_TRUE(run.SetRaw(REG_BINARY, noNul.c_str(), DWORD(noNul.size() * 2)));
  EXPECT_EQ(GetAgentInstallDir(), L"C:\\NoNul\\");
}

TEST(AgentInstallDir, LongestValueThatFitsIsReadAndLongerOnesAreRefused) {
  CScopedRunValue run;
  // 126 characters and the NUL: 254 bytes, inside the 255-byte read.
  std::wstring dir = L"C:\\";
  dir += std::wstring(126 - 3 - 15, L'd');
  dir += L"\\";
  const std::wstring fits = dir + L"TavRegedit.exe";
  ASSERT_EQ(fits.size(), 126u);
  ASSERT_TRUE(run.SetString(fits));
  EXPECT_EQ(GetAgentInstallDir(), dir);
  // One more character no longer fits: the value reads as missing.
  ASSERT_TRUE(run.SetString(L"C:\\" + std::wstring(109, L'd') + L"\\TavRegedit.exe"));
  EXPECT_EQ(GetAgentInstallDir(), L"");
  ASSERT_TRUE(run.SetString(L"C:\\" + std::wstring(600, L'd') + L"\\TavRegedit.exe"));
  EXPECT_EQ(GetAgentInstallDir(), L"");
}

TEST(AgentInstallDir, ReadsTheThirtyTwoBitView) {
  CScopedRunValue run32;
  CScopedRunValue run64(KEY_WOW64_64KEY);
  ASSERT_TRUE(run32.Remove());
  ASSERT_TRUE(run64.SetString(L"C:\\Native\\TavRegedit.exe"));
  EXPECT_EQ(GetAgentInstallDir(), L"");
  ASSERT_TRUE(run32.SetString(L"C:\\Wow\\TavRegedit.exe"));
  EXPECT_EQ(GetAgentInstallDir(), L"C:\\Wow\\");
}

bool IsDirectory(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(DirectoryChainOnDisk, CreatesEveryMissingLevel) {
  const std::wstring root = pictest::FreshTempPath(L"kalpic_chain");
  CreateDirectoryChain(root + L"\\a\\b\\c\\");
  EXPECT_TRUE(IsDirectory(root + L"\\a\\b\\c"));
  // Without a trailing backslash the last name is not a directory to create.
  CreateDirectoryChain(root + L"\\a\\x\\file.jpg");
  EXPECT_TRUE(IsDirectory(root + L"\\a\\x"));
  EXPECT_FALSE(IsDirectory(root + L"\\a\\x\\file.jpg"));
  // Existing levels are passed over.
  CreateDirectoryChain(root + L"\\a\\b\\c\\d\\");
  EXPECT_TRUE(IsDirectory(root + L"\\a\\b\\c\\d"));
  pictest::RemoveTree(root);
}

}  // namespace
