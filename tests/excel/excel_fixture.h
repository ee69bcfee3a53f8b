// Fixture of the in-process Excel suite: the reference agent installed (Run value and base
// bitmap, so the add-in can render its picture) and publishing a policy for this very process,
// APPDATA pointed at a fresh folder, the simulated Excel application, and CMSExcel connected
// the way Excel connects it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "excel/ms_excel.h"
#include "sim/excel/excel_model.h"
#include "tests/word/addin_fixture.h"

namespace kaltest {

class CExcelAddinTest : public CAddinTest<kalsim::excel::CExcelApplication, CMSExcel> {
 protected:
  CExcelAddinTest();
  static void SetUpTestSuite();
  static void TearDownTestSuite();

  // Starts the agent with the policy and forgets any earlier watermark decision.
  void Publish(bool watermark, bool readOnly);
  // Creates the simulated Excel holding `books` (opened in order; hidden ones stay hidden).
  void StartExcel(const std::vector<std::shared_ptr<kalsim::excel::CWorkbook>>& books);
  // Connects CMSExcel and notes the picture path it chose.
  void ConnectAddin();
  void Start(const std::vector<std::shared_ptr<kalsim::excel::CWorkbook>>& books,
             bool watermark = true, bool readOnly = false) {
    Publish(watermark, readOnly);
    StartExcel(books);
    ConnectAddin();
  }

  // The sheets of a workbook that carry the add-in's picture, by name.
  std::vector<std::wstring> Stamped(const kalsim::excel::CWorkbook& book) const;
  // The bytes a trace line has on the debugger channel (the ANSI code page's).
  static std::string Ansi(const std::wstring& text);

  std::wstring m_strPicture;  // the picture path the add-in chose
  static std::wstring s_strAppData;

 private:
  void ApplyCustomUi(const std::wstring& xml) override { m_app->Commands().ApplyCustomUi(xml); }
};

}  // namespace kaltest
