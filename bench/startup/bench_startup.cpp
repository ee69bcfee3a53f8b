// Start-up and shutdown cost of the add-in as Office measures it: Office times each add-in's
// OnConnection + OnStartupComplete (and its shutdown calls), logs the figure and disables an
// add-in that keeps taking longer than about a second. Each simulated host writes the same two
// figures per add-in to its log ("addin <ProgID> startup ms=..." / "shutdown ms=..."). Starts
// alternate between KalMsAddin (a watermark and read-only protection due for the process, the
// trace switch off as shipped) and the simulator's own test add-in in the same host, with the
// same agent and policy, so that whatever else the machine does weighs on both alike; each
// side's median of 20 starts is printed, in ms and as a ratio.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/bench_clock.h"
#include "tests/support/agent_process.h"
#include "tests/support/host_run.h"
#include "tests/support/test_paths.h"

namespace {

constexpr int kStarts = 20;
constexpr double kOfficeSlowMs = 1000.0;  // Office's default slow-add-in threshold
const wchar_t kTestProgId[] = L"KalSimTest.Addin";

struct CHost {
  const char* title;
  const wchar_t* exe;
  const wchar_t* officeApp;  // "Word": the Addins key Office reads
  const wchar_t* progId;     // KalMsAddin's class for that application
  const char* document;      // the document the host opens (the simulator's JSON form)
  const wchar_t* documentName;
};

const CHost kHosts[] = {
    {"Word", L"winword.exe", L"Word", L"KalMsAddin.MSWord",
     R"({"name": "report.docx", "sections": [{"text": "Quarterly report."}]})", L"report.docx"},
    {"Excel", L"excel.exe", L"Excel", L"KalMsAddin.MSExcel",
     R"({"name": "budget.xlsx", "sheets": [{"name": "Budget"}, {"name": "Notes"}]})", L"budget.xlsx"},
    {"PowerPoint", L"powerpnt.exe", L"PowerPoint", L"KalMsAddin.MSPowerPoint",
     R"({"name": "deck.pptx", "master": {"shapes": [{"name": "Title"}]}, "slides": [{}, {}]})",
     L"deck.pptx"},
};

bool SetLoadBehavior(HKEY root, const std::wstring& officeApp, const std::wstring& progId, DWORD value) {
  const std::wstring key = L"Software\\Microsoft\\Office\\" + officeApp + L"\\Addins\\" + progId;
  return ::RegSetKeyValueW(root, key.c_str(), L"LoadBehavior", REG_DWORD, &value, sizeof(value)) ==
         ERROR_SUCCESS;
}

// Which of the two add-ins the next start of the host loads.
bool Choose(const CHost& host, bool ours) {
  return SetLoadBehavior(HKEY_LOCAL_MACHINE, host.officeApp, host.progId, ours ? 3 : 0) &&
         SetLoadBehavior(HKEY_CURRENT_USER, host.officeApp, kTestProgId, ours ? 0 : 3);
}

// The figure the host logged for the add-in ("addin <ProgID> <what> ms=<x>"), or -1.
double LoggedMs(const std::string& log, const std::wstring& progId, const char* what) {
  const std::string key = "addin " + kaltest::Utf8(progId) + " " + what + " ms=";
  const size_t at = log.find(key);
  return at == std::string::npos ? -1 : std::atof(log.c_str() + at + key.size());
}

struct CSamples {
  std::vector<double> startup, shutdown;
};

// One start of the host with the chosen add-in; false when it did not log both figures.
bool StartOnce(kaltest::CAgentProcess& agent, const CHost& host, bool ours, CSamples& into) {
  kaltest::CHostRun run;
  run.exe = host.exe;
  run.document = host.document;
  run.documentName = host.documentName;
  run.script = "wait 1500";  // the add-in's first timer passes run before the host closes
  run.readOnly = true;
  run.watermark = true;
  const std::wstring log = kaltest::TempFolder() + L"kal_bench_startup_" +
                           std::to_wstring(::GetCurrentProcessId()) + L".log";
  ::DeleteFileW(log.c_str());
  run.extraArgs = L"/log \"" + log + L"\"";
  // The host echoes its log on its standard output: it goes to NUL, not into the table.
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE), err = ::GetStdHandle(STD_ERROR_HANDLE);
  const HANDLE nul = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ::SetStdHandle(STD_OUTPUT_HANDLE, nul);
  ::SetStdHandle(STD_ERROR_HANDLE, nul);
  const kaltest::CHostResult result = kaltest::RunHost(agent, run, L"kal_bench_startup");
  ::SetStdHandle(STD_OUTPUT_HANDLE, out);
  ::SetStdHandle(STD_ERROR_HANDLE, err);
  if (nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
  const std::string text = kaltest::ReadFileBytes(log);
  ::DeleteFileW(log.c_str());
  const std::wstring progId = ours ? host.progId : kTestProgId;
  const double up = LoggedMs(text, progId, "startup"), down = LoggedMs(text, progId, "shutdown");
  if (result.exitCode != 0 || up < 0 || down < 0) {
    std::fprintf(stderr, "bench_startup: %s with %ls: exit %d, no start-up or shutdown figure\n",
                 host.title, progId.c_str(), result.exitCode);
    return false;
  }
  into.startup.push_back(up);
  into.shutdown.push_back(down);
  return true;
}

}  // namespace

int wmain() {
  const std::wstring bin = kaltest::BinDir();
  if (kaltest::RegisterAddin() != 0 || !kaltest::WriteTraceSwitch(false) ||
      kaltest::RunAndWait(L"regsvr32 /s \"" + bin + L"sim_test_addin.dll\"", 60000) != 0) {
    std::fputs("bench_startup: registration failed\n", stderr);
    return 1;
  }
  int rc = 0;
  {
    kaltest::CAgentProcess agent;
    if (!agent.Start(kaltest::PolicyForProcess(0, true, true))) {
      std::fputs("bench_startup: the agent did not start\n", stderr);
      rc = 1;
    }
    std::printf("Add-in start-up and shutdown in each simulated host, median of %d starts each,\n"
                "KalMsAddin (watermark and read-only due) against the simulator's test add-in\n",
                kStarts);
    std::printf("%-11s %10s %10s %7s   %10s %10s %7s\n", "host", "start ms", "test ms", "ratio",
                "stop ms", "test ms", "ratio");
    for (const CHost& host : kHosts) {
      if (rc != 0) break;
      CSamples ours, theirs;
      for (int i = 0; i < kStarts && rc == 0; ++i)
        for (bool side : {true, false})
          if (!Choose(host, side) || !StartOnce(agent, host, side, side ? ours : theirs)) rc = 1;
      if (rc != 0) break;
      const double up = kalbench::Quantile(ours.startup, 0.5), upBase = kalbench::Quantile(theirs.startup, 0.5);
      const double down = kalbench::Quantile(ours.shutdown, 0.5), downBase = kalbench::Quantile(theirs.shutdown, 0.5);
      std::printf("%-11s %10.3f %10.3f %7.1f   %10.3f %10.3f %7.1f\n", host.title, up, upBase,
                  up / upBase, down, downBase, down / downBase);
      if (up > kOfficeSlowMs || down > kOfficeSlowMs) {
        std::fprintf(stderr, "bench_startup: %s: over Office's %.0f ms slow-add-in threshold\n",
                     host.title, kOfficeSlowMs);
        rc = 1;
      }
      SetLoadBehavior(HKEY_CURRENT_USER, host.officeApp, kTestProgId, 0);
    }
  }
  for (const CHost& host : kHosts) {
    const std::wstring key = std::wstring(L"Software\\Microsoft\\Office\\") + host.officeApp +
                             L"\\Addins\\" + kTestProgId;
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
  }
  kaltest::RunAndWait(L"regsvr32 /u /s \"" + bin + L"sim_test_addin.dll\"", 60000);
  kaltest::UnregisterAddin();
  return rc;
}
