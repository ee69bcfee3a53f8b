// Fixture of the end-to-end Word scenarios: KalMsAddin.dll registered with regsvr32, gated
// trace switched on beside it, the reference agent running, and the simulated Word
// (winword.exe) started as a separate process with a document, a scenario script and a
// state dump. The agent is handed each Word process by id before that process runs.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/agent_process.h"
#include "tests/support/dbwin_capture.h"

namespace kaltest {

struct CWordRun {
  std::string document;  // JSON document text; empty: Word starts with a blank document
  std::string script;    // scenario lines; a final dump is appended
  std::wstring extraArgs;
  bool readOnly = false;
  bool watermark = true;
  bool exempt = false;   // hold the watermark-exemption mutex for the process
};

struct CWordResult {
  int exitCode = -1;
  DWORD pid = 0;
  nlohmann::json state;  // the final dump
  std::wstring dumpDir;  // where dump<N>.json files of the script land
  nlohmann::json Dump(int n) const;
  // The first document's section header shapes (resolving nothing: linked headers have none).
  nlohmann::json Shapes(int section, const nlohmann::json& dump) const;
};

class CWordEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  CWordResult RunWord(const CWordRun& run);

  CDbwinCapture m_trace;
  static CAgentProcess* s_pAgent;
};

// Policy text naming one process by id.
std::string E2ePolicy(DWORD pid, bool readOnly, bool watermark);
std::wstring TempDir();
bool WriteText(const std::wstring& path, const std::string& text);

}  // namespace kaltest
