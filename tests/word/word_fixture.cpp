// Fixture of the in-process Word suite (see word_fixture.h).
#include "tests/word/word_fixture.h"

#include "core/com/KalMsAddin_h.h"
#include "core/com/module.h"
#include "picture/watermark_pic.h"
#include "sim/engine/call_counter.h"
#include "tests/support/message_pump.h"

namespace kaltest {

std::string MakePolicyText(const CWordPolicy& p, DWORD pid) {
  return std::string("[user]\nname = alice\nemployeeId = E-1001\n[watermark]\nreadWatermark = ") +
         (p.watermark ? "1" : "0") +
         "\ntavFileWatermark = 1\nsmartFileWatermark = 1\nmodelFlag = 0\nhorizontal = " +
         (p.horizontal ? "1" : "0") + "\ntext = " + p.text +
         "\nfont = Arial\nfontSize = " + std::to_string(p.fontSize) + "\ncolor = " + p.color +
         "\ntransparency = " + std::to_string(p.transparency) +
         "\nshowDate = 0\nshowUserName = 0\nshowEmployeeId = 0\n[processes]\nprotect = pid:" +
         std::to_string(pid) + " readonly=" + (p.readOnly ? "1" : "0") + " print=1\n";
}

void PumpFor(DWORD ms) {
  PumpMessagesUntil([] { return false; }, ms);
}

CWordAddinTest::CWordAddinTest() : CAddinTest(CLSID_MSWord) {}

void CWordAddinTest::Publish(const CWordPolicy& policy) {
  m_policy = policy;
  PublishText(MakePolicyText(policy, ::GetCurrentProcessId()));
  g_bLastInHeader = 0;
}

void CWordAddinTest::StartWord(std::shared_ptr<kalsim::word::CDocument> doc,
                               const std::wstring& version) {
  m_app = kalsim::word::CWordApplication::Create(version);
  if (doc) m_app->AddDocument(doc, /*fireOpen=*/false);
}

void CWordAddinTest::StartReadOnly(std::shared_ptr<kalsim::word::CDocument> doc, bool watermark) {
  CWordPolicy policy;
  policy.watermark = watermark;
  policy.readOnly = true;
  Start(std::move(doc), policy);
}

void CWordAddinTest::BeforeDisconnection() {
  if (m_pAddin->LockTimerId() && ::KillTimer(nullptr, m_pAddin->LockTimerId()))
    kal::CKalMsAddinModule::Instance().Unlock();
}

kal::word::CWordWatermarkParams CWordAddinTest::Params() const {
  kal::word::CWordWatermarkParams p;
  p.text = GetWaterMarkText();
  p.fontName = L"Arial";
  p.fontSize = static_cast<float>(m_policy.fontSize);
  p.colour = static_cast<float>(GetWatermarkColor());
  p.transparency = static_cast<float>(m_policy.transparency);
  p.diagonal = !m_policy.horizontal;
  return p;
}

void CWordAddinTest::TickWatermarkTimer() {
  CMSWord::WatermarkCheckTimer(nullptr, WM_TIMER, m_pAddin ? m_pAddin->WatermarkTimerId() : 0,
                               ::GetTickCount());
}

bool CWordAddinTest::PumpUntilTraced(const char* text) {
  return PumpMessagesUntil([&] { return m_trace.Contains(text); });
}

std::vector<std::wstring> OnlyMark(int section) {
  return {kal::word::MakeWatermarkShapeName(section)};
}

long Stamps() { return kalsim::CSimCallCounter::Instance().Count(L"Shapes", L"AddTextEffect"); }

std::vector<std::wstring> ShapeNames(const kalsim::word::CStory& story) {
  std::vector<std::wstring> names;
  for (const auto& s : story.shapes) names.push_back(s->name);
  return names;
}

std::vector<std::wstring> HeaderShapeNames(const kalsim::word::CDocument& doc, int section) {
  const auto& story = doc.sections.at(section - 1)->headers[0].story;
  return story ? ShapeNames(*story) : std::vector<std::wstring>();
}

}  // namespace kaltest
