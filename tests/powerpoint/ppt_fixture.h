// Fixture of the in-process PowerPoint suite: the reference agent publishing a policy for this
// very process, the agent's folder (its Run value) holding the PowerPoint switches, the
// simulated PowerPoint, and CMSPowerPoint created through the module's class factory and
// connected the way PowerPoint connects it.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "powerpoint/ms_powerpoint.h"
#include "sim/powerpoint/ppt_model.h"
#include "tests/picture/system_fixtures.h"
#include "tests/support/agent_process.h"
#include "tests/support/dbwin_capture.h"

namespace kaltest {

struct CPptPolicy {
  bool watermark = true;
  bool readOnly = false;
  bool print = false;
  std::string font = "Arial";
  std::string color = "0,0,255";
  int fontSize = 40;
  bool horizontal = false;
  int powerpntWM = 1;  // [OEM] PowerpntWM of KalConfig.ini in the agent's folder (-1: no key)
  int pptWM = 1;       // [ORCHARD] PPTWM of KalEspecialConfig.ini (-1: no key)
};

class CPptAddinTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Agent, switches, PowerPoint (with one presentation unless `presentation` is null) and the
  // add-in, connected.
  void Start(kalsim::ppt::PresentationPtr presentation, const CPptPolicy& policy = {}, const std::wstring& version = L"16.0");
  void Connect();

  kalsim::ppt::CPptApplication& App() { return *m_app.Get(); }
  kalsim::ppt::CPresentation& Pres() { return *m_app->ActivePresentation(); }
  // Names of the active presentation's master shapes, in order.
  std::vector<std::wstring> MasterNames();

  HRESULT m_hrRibbon = E_FAIL;
  BSTR m_ribbonXml = nullptr;  // as GetCustomUI left it (a sentinel when it was not written)
  CDbwinCapture m_trace;
  CAgentProcess m_agent;
  Microsoft::WRL::ComPtr<kalsim::ppt::CPptApplication> m_app;
  Microsoft::WRL::ComPtr<_IDTExtensibility2> m_pExt;
  CMSPowerPoint* m_pAddin = nullptr;
  CPptPolicy m_policy;
  std::wstring m_agentDir;
  std::unique_ptr<pictest::CScopedRunValue> m_runValue;
};

// A presentation of `slides` slides whose master holds shapes of the given names (WordArt).
kalsim::ppt::PresentationPtr DeckWithMarks(std::initializer_list<const wchar_t*> names, size_t slides = 2);

}  // namespace kaltest
