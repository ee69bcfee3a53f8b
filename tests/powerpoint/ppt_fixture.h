// Fixture of the in-process PowerPoint suite: the reference agent publishing a policy for this
// very process, the agent's folder (its Run value) holding the PowerPoint switches, the
// simulated PowerPoint, and CMSPowerPoint connected the way PowerPoint connects it.
#pragma once
#include <memory>
#include <string>

#include "powerpoint/ms_powerpoint.h"
#include "sim/powerpoint/ppt_model.h"
#include "tests/picture/system_fixtures.h"
#include "tests/word/addin_fixture.h"

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

class CPptAddinTest : public CAddinTest<kalsim::ppt::CPptApplication, CMSPowerPoint> {
 protected:
  CPptAddinTest();
  void SetUp() override;
  void TearDown() override;

  // Agent, switches, PowerPoint (with one presentation unless `presentation` is null) and the
  // add-in, connected.
  void Start(kalsim::ppt::PresentationPtr presentation, const CPptPolicy& policy = {},
             const std::wstring& version = L"16.0");

  kalsim::ppt::CPresentation& Pres() { return *m_app->ActivePresentation(); }
  // Names of the shapes of the active presentation's master of a design, in order.
  std::vector<std::wstring> MasterNames(size_t design = 0);

  std::wstring m_agentDir;
  std::unique_ptr<pictest::CScopedRunValue> m_runValue;

 private:
  void ApplyCustomUi(const std::wstring& xml) override { m_app->ApplyCustomUi(xml); }
};

// A presentation of `slides` slides whose master holds shapes of the given names (WordArt).
kalsim::ppt::PresentationPtr DeckWithMarks(std::initializer_list<const wchar_t*> names,
                                           size_t slides = 2);
// Adds a design whose master holds shapes of the given names, and `slides` slides using it.
void AddDesign(kalsim::ppt::CPresentation& p, std::initializer_list<const wchar_t*> names,
               size_t slides = 1);

}  // namespace kaltest
