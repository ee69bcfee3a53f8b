// The throw-away protection passwords end to end: read-only scenarios in the simulated hosts
// whose read-only path hands Office a password (winword.exe: Document.Protect; excel.exe:
// Workbook.Protect and Worksheet.Protect), then every file the run wrote and every captured
// debugger-output line searched for those passwords. PowerPoint is left out: its read-only
// guards (input hooks, or the password dialog's Read Only button with PPTReadOnlyProtectPwd)
// hand PowerPoint no password.
//
// The test learns the passwords from the host, not from the add-in: the host records the
// Password argument of every Protect call in its own memory and writes it to a file of this
// test's own (/testonlyrecordpasswords). Any way for the add-in to report them would be the very
// leak looked for, and an add-in built differently for the test would not be the one shipped;
// comparing the saved hash instead would only check passwords of a shape the test guessed.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "tests/support/test_paths.h"
#include "tests/word/word_e2e_fixture.h"

namespace kaltest {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Whether the bytes hold the secret as UTF-8/ANSI or UTF-16LE text, in either letter case.
bool HoldsSecret(const std::string& bytes, const std::string& secret) {
  const std::string text = Lower(bytes), needle = Lower(secret);
  std::string wide;
  for (char c : needle) wide += std::string{c, '\0'};
  return text.find(needle) != std::string::npos || text.find(wide) != std::string::npos;
}

// Every file under `dir` (recursively) last written at or after `since`.
void FilesWrittenSince(const std::wstring& dir, const FILETIME& since, std::vector<std::wstring>& out) {
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((dir + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) FilesWrittenSince(dir + name + L"\\", since, out);
    else if (::CompareFileTime(&found.ftLastWriteTime, &since) >= 0) out.push_back(dir + name);
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    if (end > start) lines.push_back(text.substr(start, end - start));
  return lines;
}

struct CReadOnlyCase {
  const wchar_t* exe;
  const wchar_t* documentName;
  const char* document;
  bool watermark;
  size_t minPasswords;  // Protect calls the run makes with a password, at least
  // The saved document's protection in the final dump: a hash and nothing else of the password.
  const char* protectionPointer;
};

const CReadOnlyCase kCases[] = {
    // Stamped at start-up, protected for comments, saved.
    {L"winword.exe", L"report.docx",
     R"({"name": "report.docx", "sections": [{"text": "one", "headers": {"primary": {"text": "h"}}}]})", true, 1,
     "/documents/0/protection/passwordHash"},
    // The workbook's structure and each worksheet protected with one password, saved.
    {L"excel.exe", L"book.xlsx",
     R"({"saved": true, "sheets": [{"name": "Sheet1", "type": "worksheet"}, {"name": "Sheet2", "type": "worksheet"},)"
     R"( {"name": "Chart1", "type": "chart"}]})",
     false, 3, "/workbooks/0/protection/passwordHash"},
};

class ProtectPasswords : public CEndToEnd {};

TEST_F(ProtectPasswords, NoFileOrTraceLineOfAReadOnlyRunHoldsAPasswordItUsed) {
  const std::wstring recorded = TempFolder() + L"kal_test_protect_passwords.txt";
  for (const auto& c : kCases) {
    SCOPED_TRACE(Utf8(c.exe));
    const std::wstring log = TempFolder() + L"kalreadonly_host.log";
    ::DeleteFileW(recorded.c_str());
    ::DeleteFileW(log.c_str());
    ASSERT_TRUE(::SetEnvironmentVariableW(L"KALSIM_LOG", log.c_str()));
    FILETIME start;
    ::GetSystemTimeAsFileTime(&start);
    CHostRun run;
    run.document = c.document;
    run.readOnly = true;
    run.watermark = c.watermark;
    run.script = "ticks 1\nsave\n";
    run.extraArgs = L"/testonlyrecordpasswords \"" + recorded + L"\"";
    const CHostResult r = Run(run, c.exe, c.documentName, L"kalreadonly");
    ::SetEnvironmentVariableW(L"KALSIM_LOG", nullptr);
    ASSERT_EQ(r.exitCode, 0);
    ASSERT_TRUE(r.state.is_object());
    EXPECT_FALSE(r.state.at(nlohmann::json::json_pointer(c.protectionPointer)).get<std::string>().empty());

    const std::vector<std::string> passwords = SplitLines(ReadFileBytes(recorded));
    ::DeleteFileW(recorded.c_str());
    ASSERT_GE(passwords.size(), c.minPasswords);
    for (const auto& p : passwords) EXPECT_EQ(p.size(), 32u) << "not a throw-away password";

    // Everything the run wrote: its folder (document, script, saved document, dumps), the host
    // log, and whatever else landed in %TEMP% or beside the DLL meanwhile.
    std::vector<std::wstring> files;
    FilesWrittenSince(TempFolder(), start, files);
    FilesWrittenSince(BinDir(), start, files);
    const auto has = [&](const std::wstring& path) { return std::find(files.begin(), files.end(), path) != files.end(); };
    EXPECT_TRUE(has(r.dir + c.documentName));
    EXPECT_TRUE(has(r.dir + L"final.json"));
    EXPECT_TRUE(has(log));
    for (const auto& file : files) {
      const std::string bytes = ReadFileBytes(file);
      for (const auto& p : passwords) EXPECT_FALSE(HoldsSecret(bytes, p)) << Utf8(file) << " holds " << p;
    }
    const auto lines = m_trace.Lines();
    EXPECT_FALSE(lines.empty());
    for (const auto& line : lines)
      for (const auto& p : passwords) EXPECT_FALSE(HoldsSecret(line, p)) << line;
    m_trace.Clear();
  }
}

}  // namespace
}  // namespace kaltest
