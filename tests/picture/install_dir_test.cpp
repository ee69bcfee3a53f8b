// The agent's install directory from its Run value, and the directory chain the picture
// folder is made with, against the real registry and file system of the prefix.
#include <gtest/gtest.h>

#include <string>

#include "picture/watermark_pic.h"
#include "tests/picture/pixel_probe.h"
#include "tests/picture/system_fixtures.h"

namespace {

using pictest::CScopedRunValue;

TEST(AgentInstallDir, IsTheFolderOfTheRunValueWithItsBackslash) {
  CScopedRunValue run;
  ASSERT_TRUE(run.SetString(L"C:\\Agent\\TavRegedit.exe"));
  EXPECT_EQ(GetAgentInstallDir(), L"C:\\Agent\\");
  ASSERT_TRUE(run.SetString(L"D:\\Tools\\TavRegedit.exe"));
  EXPECT_EQ(GetAgentInstallDir(), L"D:\\Tools\\");
  // A trim by characters: a name made of them goes too, up to the backslash.
  ASSERT_TRUE(run.SetString(L"C:\\Kal Agent\\gadget.exe"));
  EXPECT_EQ(GetAgentInstallDir(), L"C:\\Kal Agent\\");
  // The set is case-sensitive: a lower-case r is not in it.
  ASSERT_TRUE(run.SetString(L"C:\\Kal Agent\\reg.exe"));
  EXPECT_EQ(GetAgentInstallDir(), L"C:\\Kal Agent\\r");
}

TEST(AgentInstallDir, MissingValueGivesEmpty) {
  CScopedRunValue run;
  ASSERT_TRUE(run.Remove());
  EXPECT_EQ(GetAgentInstallDir(), L"");
}

TEST(AgentInstallDir, TypeIsNotExamined) {
  CScopedRunValue run;
  const std::wstring path = L"C:\\Bin\\TavRegedit.exe";
  ASSERT_TRUE(run.SetRaw(REG_EXPAND_SZ, path.c_str(), DWORD((path.size() + 1) * 2)));
  EXPECT_EQ(GetAgentInstallDir(), L"C:\\Bin\\");
  ASSERT_TRUE(run.SetRaw(REG_BINARY, path.c_str(), DWORD((path.size() + 1) * 2)));
  EXPECT_EQ(GetAgentInstallDir(), L"C:\\Bin\\");
}

TEST(AgentInstallDir, DataWithoutNulIsReadOnlyAsFarAsItGoes) {
  CScopedRunValue run;
  const std::wstring path = L"C:\\NoNul\\TavRegedit.exe";
  ASSERT_TRUE(run.SetRaw(REG_BINARY, path.c_str(), DWORD(path.size() * 2)));
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
