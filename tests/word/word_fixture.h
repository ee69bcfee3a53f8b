// Fixture of the in-process Word suite: the reference agent publishing a policy for this very
// process, the simulated Word application, and CMSWord connected the way Word connects it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "sim/word/word_model.h"
#include "tests/word/addin_fixture.h"
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

class CWordAddinTest : public CAddinTest<kalsim::word::CWordApplication, CMSWord> {
 protected:
  CWordAddinTest();

  // Starts the agent with the policy and forgets any earlier watermark decision.
  void Publish(const CWordPolicy& policy);
  // Creates the simulated Word (with `version`) holding `doc` as its open, active document
  // (doc may be null: Word without documents).
  void StartWord(std::shared_ptr<kalsim::word::CDocument> doc,
                 const std::wstring& version = L"16.0");
  // Publish, StartWord and ConnectAddin in one.
  void Start(std::shared_ptr<kalsim::word::CDocument> doc, const CWordPolicy& policy = {},
             const std::wstring& version = L"16.0") {
    Publish(policy);
    StartWord(std::move(doc), version);
    ConnectAddin();
  }
  // Start with a read-only policy, with or without a watermark.
  void StartReadOnly(std::shared_ptr<kalsim::word::CDocument> doc, bool watermark);

  CMSWord* Addin() const { return m_pAddin; }
  IDispatch* Word() { return m_app->AsDispatch(); }
  // The add-in's watermark check of the active document.
  int Check() { return m_pAddin->CheckWordWatermark(Word(), Params()); }
  std::shared_ptr<kalsim::word::CDocument> Doc() { return m_app->ActiveDocument(); }
  // The watermark parameters the add-in should use for the published policy.
  kal::word::CWordWatermarkParams Params() const;
  // Runs one tick of the watermark timer as Windows would.
  void TickWatermarkTimer();
  // Pumps messages until a trace line contains `text`.
  bool PumpUntilTraced(const char* text);

  CWordPolicy m_policy;

 private:
  void ApplyCustomUi(const std::wstring& xml) override { m_app->ApplyCustomUi(xml); }
  // A still-running protection timer must not outlive the test's add-in (nor its module lock).
  void BeforeDisconnection() override;
};

// The add-in's stamp of a section alone, as a list of shape names.
std::vector<std::wstring> OnlyMark(int section);
// Shapes the simulated Word has added so far (Shapes.AddTextEffect calls).
long Stamps();
// Shapes of a story, and of a section's primary header, by name.
std::vector<std::wstring> ShapeNames(const kalsim::word::CStory& story);
std::vector<std::wstring> HeaderShapeNames(const kalsim::word::CDocument& doc, int section);

}  // namespace kaltest
