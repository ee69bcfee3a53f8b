// Fixture of the end-to-end scenarios: KalMsAddin.dll registered with regsvr32, gated trace
// switched on beside it, the reference agent running, and a simulated host (winword.exe,
// excel.exe, powerpnt.exe) started as a separate process through RunHost with a document, a
// scenario script and a state dump. The agent is handed each host process by id before that
// process runs.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/agent_process.h"
#include "tests/support/dbwin_capture.h"
#include "tests/support/host_run.h"

namespace kaltest {

class CEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  // Runs `exe` with the run's document saved as `documentName` (unless the run names one).
  CHostResult Run(CHostRun run, const wchar_t* exe, const wchar_t* documentName,
                  const std::wstring& dirTag = L"kalhost");
  CHostResult RunWord(const CHostRun& run) {
    return Run(run, L"winword.exe", L"document.docx", L"kalword_e2e");
  }

  CDbwinCapture m_trace;
  static CAgentProcess* s_pAgent;
};

// The first document's section header shapes in a dump (none for a linked header).
nlohmann::json HeaderShapes(const nlohmann::json& dump, int section);

}  // namespace kaltest
