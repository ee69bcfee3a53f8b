// Fixture of the in-process Excel suite: the reference agent installed (Run value and base
// bitmap, so the add-in can render its picture) and publishing a policy for this very process,
// APPDATA pointed at a fresh folder, the simulated Excel application, and CMSExcel created
// through the module's class factory and connected the way Excel connects it.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "excel/ms_excel.h"
#include "sim/excel/excel_model.h"
#include "tests/support/agent_process.h"
#include "tests/support/dbwin_capture.h"

namespace kaltest {

class CExcelAddinTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Starts the agent with the policy and forgets any earlier watermark decision.
  void Publish(bool watermark, bool readOnly);
  // Creates the simulated Excel holding `books` (opened in order; hidden ones stay hidden).
  void StartExcel(const std::vector<std::shared_ptr<kalsim::excel::CWorkbook>>& books);
  // Creates CMSExcel through the class factory and calls OnConnection, GetCustomUI and
  // OnStartupComplete as Excel does.
  void ConnectAddin();
  void DisconnectAddin();
  void Start(const std::vector<std::shared_ptr<kalsim::excel::CWorkbook>>& books, bool watermark = true,
             bool readOnly = false) {
    Publish(watermark, readOnly);
    StartExcel(books);
    ConnectAddin();
  }

  kalsim::excel::CExcelApplication& App() { return *m_app.Get(); }
  std::wstring Picture() const { return m_pAddin ? m_pAddin->m_szImgPath : L""; }
  // The sheets of a workbook that carry the add-in's picture, by name.
  std::vector<std::wstring> Stamped(const kalsim::excel::CWorkbook& book) const;
  // The bytes a trace line has on the debugger channel (the ANSI code page's).
  static std::string Ansi(const std::wstring& text);

  HRESULT m_hrConnect = E_FAIL;
  std::wstring m_strRibbonXml;
  bool m_bRibbonGiven = false;
  std::wstring m_strPicture;  // the picture path the add-in chose
  CDbwinCapture m_trace;
  CAgentProcess m_agent;
  Microsoft::WRL::ComPtr<kalsim::excel::CExcelApplication> m_app;
  Microsoft::WRL::ComPtr<_IDTExtensibility2> m_pExt;
  CMSExcel* m_pAddin = nullptr;  // the object behind m_pExt
  static std::wstring s_strAppData;
};

}  // namespace kaltest
