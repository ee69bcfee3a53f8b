// Fixture of the end-to-end Word scenarios (see word_e2e_fixture.h).
#include "tests/word/word_e2e_fixture.h"

#include "tests/support/test_paths.h"

namespace kaltest {

CAgentProcess* CWordEndToEnd::s_pAgent = nullptr;

namespace {

bool Launch(std::wstring cmd, PROCESS_INFORMATION& pi, DWORD flags = 0) {
  STARTUPINFOW si{sizeof(si)};
  return ::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi);
}

// Waits for the process (killing it at the timeout, a test failure) and returns its exit code.
int Finish(const PROCESS_INFORMATION& pi, DWORD timeoutMs) {
  DWORD code = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(pi.hProcess, &code);
  } else {
    ADD_FAILURE() << "process did not finish";
    ::TerminateProcess(pi.hProcess, 1);
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
  PROCESS_INFORMATION pi{};
  return Launch(commandLine, pi) ? Finish(pi, timeoutMs) : -1;
}

std::wstring IniPath() { return BinPath(L"KalConfig.ini"); }
std::wstring Regsvr32(const wchar_t* flags) { return L"regsvr32 " + std::wstring(flags) + L" \"" + BinPath(L"KalMsAddin.dll") + L"\""; }

nlohmann::json ParseFile(const std::wstring& path) {
  const std::string text = ReadFileBytes(path);
  return text.empty() ? nlohmann::json() : nlohmann::json::parse(text, nullptr, false);
}

std::string Narrow(const std::wstring& w) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace

bool WriteText(const std::wstring& path, const std::string& text) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(h);
  return ok && written == text.size();
}

std::wstring TempDir() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, buffer);
  return buffer;
}

std::string E2ePolicy(DWORD pid, bool readOnly, bool watermark) {
  std::string text = std::string("[user]\nname = alice\nemployeeId = E-1001\n[watermark]\nreadWatermark = ") +
                     (watermark ? "1" : "0") +
                     "\ntavFileWatermark = 1\nsmartFileWatermark = 1\nmodelFlag = 0\nhorizontal = 0\n"
                     "text = CONFIDENTIAL\nfont = Arial\nfontSize = 40\ncolor = 0,0,255\ntransparency = 128\n"
                     "showDate = 1\nshowUserName = 1\nshowEmployeeId = 1\n[processes]\n";
  if (pid) text += "protect = pid:" + std::to_string(pid) + " readonly=" + (readOnly ? "1" : "0") + " print=1\n";
  return text;
}

void CWordEndToEnd::SetUpTestSuite() {
  ASSERT_EQ(RunAndWait(Regsvr32(L"/s"), 60000), 0);
  ASSERT_TRUE(WriteText(IniPath(), "[DebugLog]\r\nKalMsAddin=1\r\n"));
  s_pAgent = new CAgentProcess();
  ASSERT_TRUE(s_pAgent->Start(E2ePolicy(0, false, true)));
}

void CWordEndToEnd::TearDownTestSuite() {
  delete s_pAgent;
  s_pAgent = nullptr;
  ::DeleteFileW(IniPath().c_str());
  RunAndWait(Regsvr32(L"/u /s"), 60000);
}

nlohmann::json CWordResult::Dump(int n) const { return ParseFile(dumpDir + L"dump" + std::to_wstring(n) + L".json"); }

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
  std::string script = run.script;
  // "dump N" in the script stands for a dump into this run's folder.
  for (size_t at = script.find("dump "); at != std::string::npos; at = script.find("dump ", at + 5)) {
    const size_t end = script.find('\n', at);
    script.replace(at + 5, end - at - 5, Narrow(dir) + "dump" + script.substr(at + 5, end - at - 5) + ".json");
  }
  script += "\ndump " + Narrow(dir + L"final.json") + "\n";
  EXPECT_TRUE(WriteText(dir + L"script.txt", script));
  std::wstring cmd = L"\"" + BinPath(L"winword.exe") + L"\"";
  if (!run.document.empty()) {
    EXPECT_TRUE(WriteText(dir + L"document.docx", run.document));
    cmd += L" \"" + dir + L"document.docx\"";
  }
  cmd += L" /script \"" + dir + L"script.txt\" " + run.extraArgs;

  PROCESS_INFORMATION pi{};
  if (!Launch(cmd, pi, CREATE_SUSPENDED)) {
    ADD_FAILURE() << "winword.exe did not start";
    return result;
  }
  result.pid = pi.dwProcessId;
  // The agent knows the process before its add-in asks.
  EXPECT_TRUE(s_pAgent->Set(E2ePolicy(pi.dwProcessId, run.readOnly, run.watermark)));
  HANDLE exemption = nullptr;
  if (run.exempt) {
    exemption = ::CreateMutexW(nullptr, FALSE, (L"Global\\LumicODS_WINWORD.EXE_" + std::to_wstring(pi.dwProcessId)).c_str());
    EXPECT_NE(exemption, nullptr);
  }
  ::ResumeThread(pi.hThread);
  result.exitCode = Finish(pi, 120000);
  if (exemption) ::CloseHandle(exemption);
  result.state = ParseFile(dir + L"final.json");
  return result;
}

}  // namespace kaltest
