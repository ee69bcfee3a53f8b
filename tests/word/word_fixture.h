// Fixture of the in-process Word suite: the reference agent publishing a policy for this very
// process, the simulated Word application, and CMSWord created through the module's class
// factory (DllGetClassObject) and connected the way Word connects it.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>

#include "sim/word/word_model.h"
#include "tests/support/agent_process.h"
#include "tests/support/dbwin_capture.h"
#include "word/ms_word.h"

namespace kaltest {

// What the agent publishes for this process.
struct CWordPolicy {
  bool watermark = true;
  bool readOnly = false;
  int fontSize = 36;
  int transparency = 128;
  std::string color = "0,0,255";
  bool horizontal = false;
  std::string text = "Confidential";
};

std::string MakePolicyText(const CWordPolicy& policy, DWORD pid);

// Pumps this thread's messages (thread timers fire) for about `ms` milliseconds.
void PumpFor(DWORD ms);
// Pumps until `done` holds or `limitMs` passes; a busy machine delays timers, never the verdict.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 20000);

class CWordAddinTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the agent with the policy and forgets any earlier watermark decision.
  void Publish(const CWordPolicy& policy);
  // Creates the simulated Word (with `version`) holding `doc` as its open, active document
  // (doc may be null: Word without documents).
  void StartWord(std::shared_ptr<kalsim::word::CDocument> doc, const std::wstring& version = L"16.0");
  // Creates CMSWord through the class factory and calls OnConnection, GetCustomUI and
  // OnStartupComplete as Word does.
  void ConnectAddin();
  void DisconnectAddin();
  // Publish, StartWord and ConnectAddin in one.
  void Start(std::shared_ptr<kalsim::word::CDocument> doc, const CWordPolicy& policy = {},
             const std::wstring& version = L"16.0") {
    Publish(policy);
    StartWord(std::move(doc), version);
    ConnectAddin();
  }

  CMSWord* Addin() const { return m_pAddin; }
  kalsim::word::CWordApplication& App() { return *m_app.Get(); }
  std::shared_ptr<kalsim::word::CDocument> Doc() { return m_app->ActiveDocument(); }
  // The watermark parameters the add-in should use for the published policy.
  kal::word::CWordWatermarkParams Params() const;
  // Runs one tick of the watermark timer as Windows would.
  void TickWatermarkTimer();

  HRESULT m_hrConnect = E_FAIL;
  HRESULT m_hrRibbon = E_FAIL;
  std::wstring m_strRibbonXml;
  bool m_bRibbonGiven = false;
  CDbwinCapture m_trace;
  CAgentProcess m_agent;
  Microsoft::WRL::ComPtr<kalsim::word::CWordApplication> m_app;
  Microsoft::WRL::ComPtr<_IDTExtensibility2> m_pExt;
  CMSWord* m_pAddin = nullptr;  // the object behind m_pExt
  CWordPolicy m_policy;
};

// Shapes of a section's primary header, by name.
std::vector<std::wstring> HeaderShapeNames(const kalsim::word::CDocument& doc, int section);

}  // namespace kaltest
