// Fixture of the in-process PowerPoint suite (see ppt_fixture.h).
#include "tests/powerpoint/ppt_fixture.h"

#include "core/com/KalMsAddin_h.h"
#include "tests/support/host_run.h"

namespace kaltest {

namespace {

std::string PolicyText(const CPptPolicy& p, DWORD pid) {
  return std::string("[user]\nname = alice\nemployeeId = E-1001\n[watermark]\nreadWatermark = ") +
         (p.watermark ? "1" : "0") +
         "\ntavFileWatermark = 1\nsmartFileWatermark = 1\nmodelFlag = 0\nhorizontal = " +
         (p.horizontal ? "1" : "0") + "\ntext = CONFIDENTIAL\n" +
         (p.font.empty() ? "" : "font = " + p.font + "\n") +
         "fontSize = " + std::to_string(p.fontSize) + "\n" +
         (p.color.empty() ? "" : "color = " + p.color + "\n") +
         "transparency = 128\nshowDate = 0\nshowUserName = 0\nshowEmployeeId = "
         "0\n[processes]\nprotect = pid:" +
         std::to_string(pid) + " readonly=" + (p.readOnly ? "1" : "0") +
         " print=" + (p.print ? "1" : "0") + "\n";
}

void WriteIni(const std::wstring& path, const char* section, const char* key, int value) {
  ::DeleteFileW(path.c_str());
  if (value >= 0)
    pictest::WriteBytes(
        path, std::string("[") + section + "]\r\n" + key + "=" + std::to_string(value) + "\r\n");
}
}  // namespace

namespace {
void AddMasterShapes(kalsim::ppt::CPresentation& p, kalsim::ppt::CDesign& d,
                     std::initializer_list<const wchar_t*> names) {
  for (const wchar_t* name : names) {
    auto s = std::make_shared<kalsim::ppt::CShape>();
    s->id = p.nextId++;
    s->name = name;
    s->type = kalsim::ppt::kMsoTextEffect;
    d.masterShapes.push_back(s);
  }
}
}  // namespace

kalsim::ppt::PresentationPtr DeckWithMarks(std::initializer_list<const wchar_t*> names,
                                           size_t slides) {
  auto p = kalsim::ppt::MakePresentation(slides);
  p->name = L"deck.pptx";
  p->path = L"C:\\deck.pptx";
  AddMasterShapes(*p, *p->designs[0], names);
  p->saved = true;
  return p;
}

void AddDesign(kalsim::ppt::CPresentation& p, std::initializer_list<const wchar_t*> names,
               size_t slides) {
  p.designs.push_back(kalsim::ppt::MakeDesign(L"Design " + std::to_wstring(p.designs.size() + 1)));
  AddMasterShapes(p, *p.designs.back(), names);
  for (size_t i = 0; i < slides; ++i) {
    auto slide = kalsim::ppt::AddSlide(p, p.slides.size(), 1);
    slide->design = p.designs.size() - 1;
  }
  p.saved = true;
}

CPptAddinTest::CPptAddinTest() : CAddinTest(CLSID_MSPowerPoint) {}

void CPptAddinTest::SetUp() {
  CAddinTest::SetUp();
  m_agentDir = TempFolder() + L"kal_ppt_agent\\";
  ::CreateDirectoryW(m_agentDir.c_str(), nullptr);
  m_runValue = std::make_unique<pictest::CScopedRunValue>();
  ASSERT_TRUE(m_runValue->SetString(m_agentDir + L"TavRegedit.exe"));
}

void CPptAddinTest::TearDown() {
  CAddinTest::TearDown();
  m_runValue.reset();
}

void CPptAddinTest::Start(kalsim::ppt::PresentationPtr presentation, const CPptPolicy& policy,
                          const std::wstring& version) {
  WriteIni(m_agentDir + L"KalConfig.ini", "OEM", "PowerpntWM", policy.powerpntWM);
  WriteIni(m_agentDir + L"KalEspecialConfig.ini", "ORCHARD", "PPTWM", policy.pptWM);
  PublishText(PolicyText(policy, ::GetCurrentProcessId()));
  m_app = kalsim::ppt::CPptApplication::Create(version);
  if (presentation) m_app->AddPresentation(presentation, /*fireOpen=*/false);
  ConnectAddin();
}

std::vector<std::wstring> CPptAddinTest::MasterNames(size_t design) {
  std::vector<std::wstring> names;
  for (const auto& s : Pres().designs.at(design)->masterShapes) names.push_back(s->name);
  return names;
}

}  // namespace kaltest
