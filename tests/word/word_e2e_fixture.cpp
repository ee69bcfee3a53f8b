// Fixture of the end-to-end Word scenarios (see word_e2e_fixture.h).
#include "tests/word/word_e2e_fixture.h"

#include <fstream>

#include "tests/support/test_paths.h"

namespace kaltest {

CAgentProcess* CWordEndToEnd::s_pAgent = nullptr;

namespace {

int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  std::wstring cmd = commandLine;
  if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

std::wstring IniPath() { return BinPath(L"KalConfig.ini"); }

bool WriteText(const std::wstring& path, const std::string& text) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(h);
  return ok && written == text.size();
}

std::string Narrow(const std::wstring& w) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring Widen(const std::string& utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], n);
  return out;
}

std::wstring TempDir() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, buffer);
  return buffer;
}

std::string E2ePolicy(DWORD pid, bool readOnly, bool watermark) {
  std::string text =
      "[user]\nname = alice\nemployeeId = E-1001\n"
      "[watermark]\nreadWatermark = ";
  text += watermark ? "1" : "0";
  text +=
      "\ntavFileWatermark = 1\nsmartFileWatermark = 1\nmodelFlag = 0\nhorizontal = 0\n"
      "text = CONFIDENTIAL\nfont = Arial\nfontSize = 40\ncolor = 0,0,255\ntransparency = 128\n"
      "showDate = 1\nshowUserName = 1\nshowEmployeeId = 1\n[processes]\n";
  if (pid) text += "protect = pid:" + std::to_string(pid) + " readonly=" + (readOnly ? "1" : "0") + " print=1\n";
  return text;
}

void CWordEndToEnd::SetUpTestSuite() {
  ASSERT_EQ(RunAndWait(L"regsvr32 /s \"" + BinPath(L"KalMsAddin.dll") + L"\"", 60000), 0);
  ASSERT_TRUE(WriteText(IniPath(), "[DebugLog]\r\nKalMsAddin=1\r\n"));
  s_pAgent = new CAgentProcess();
  ASSERT_TRUE(s_pAgent->Start(E2ePolicy(0, false, true)));
}

void CWordEndToEnd::TearDownTestSuite() {
  delete s_pAgent;
  s_pAgent = nullptr;
  ::DeleteFileW(IniPath().c_str());
  RunAndWait(L"regsvr32 /u /s \"" + BinPath(L"KalMsAddin.dll") + L"\"", 60000);
}

nlohmann::json CWordResult::Dump(int n) const {
  const std::string text = ReadFileBytes(dumpDir + L"dump" + std::to_wstring(n) + L".json");
  return text.empty() ? nlohmann::json() : nlohmann::json::parse(text, nullptr, false);
}

nlohmann::json CWordResult::Shapes(int section, const nlohmann::json& dump) const {
  try {
    return dump.at("documents").at(0).at("sections").at(section - 1).at("headers").at("primary").value(
        "shapes", nlohmann::json::array());
  } catch (const nlohmann::json::exception&) {
    return nlohmann::json::array();
  }
}

CWordResult CWordEndToEnd::RunWord(const CWordRun& run) {
  CWordResult result;
  static int s_nRun = 0;
  const std::wstring dir = TempDir() + L"kalword_e2e_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                           std::to_wstring(++s_nRun) + L"\\";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  result.dumpDir = dir;
  const std::wstring finalDump = dir + L"final.json";
  std::string script = run.script;
  // "dump N" in the script stands for a dump into this run's folder.
  for (size_t at = script.find("dump "); at != std::string::npos; at = script.find("dump ", at + 5)) {
    const size_t end = script.find('\n', at);
    const std::string n = script.substr(at + 5, end - at - 5);
    const std::string path = Narrow(dir) + "dump" + n + ".json";
    script.replace(at + 5, end - at - 5, path);
  }
  script += "\ndump " + Narrow(finalDump) + "\n";
  const std::wstring scriptPath = dir + L"script.txt";
  EXPECT_TRUE(WriteText(scriptPath, script));
  std::wstring cmd = L"\"" + BinPath(L"winword.exe") + L"\"";
  if (!run.document.empty()) {
    const std::wstring docPath = dir + L"document.docx";
    EXPECT_TRUE(WriteText(docPath, run.document));
    cmd += L" \"" + docPath + L"\"";
  }
  cmd += L" /script \"" + scriptPath + L"\" " + run.extraArgs;

  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "winword.exe did not start";
    return result;
  }
  result.pid = pi.dwProcessId;
  // The agent knows the process before its add-in asks.
  EXPECT_TRUE(s_pAgent->Set(E2ePolicy(pi.dwProcessId, run.readOnly, run.watermark)));
  HANDLE exemption = nullptr;
  if (run.exempt) {
    const std::wstring name = L"Global\\LumicODS_WINWORD.EXE_" + std::to_wstring(pi.dwProcessId);
    exemption = ::CreateMutexW(nullptr, FALSE, name.c_str());
    EXPECT_NE(exemption, nullptr);
  }
  ::ResumeThread(pi.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(pi.hProcess, &code);
  } else {
    ADD_FAILURE() << "winword.exe did not finish";
    ::TerminateProcess(pi.hProcess, 1);
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  if (exemption) ::CloseHandle(exemption);
  result.exitCode = static_cast<int>(code);
  const std::string text = ReadFileBytes(finalDump);
  result.state = text.empty() ? nlohmann::json() : nlohmann::json::parse(text, nullptr, false);
  return result;
}

}  // namespace kaltest
