// PowerPoint's Application object: its automation members, its events and the presentation
// operations (open, new, new slide, close, save, quit) with the events PowerPoint fires.
#include <algorithm>

#include "sim/engine/custom_ui.h"
#include "sim/powerpoint/ppt_errors.h"
#include "sim/powerpoint/ppt_json.h"
#include "sim/powerpoint/ppt_model.h"

namespace kalsim::ppt {

using Microsoft::WRL::ComPtr;

namespace {
AppPtr Self(CPptApplication& a) { return AppPtr(&a); }

// The ribbon commands the simulator knows, all enabled.
std::vector<CPptCommand> MakeCommands() {
  std::vector<CPptCommand> list;
  for (const wchar_t* id : {L"ViewSlideMasterView", L"ViewNormalViewPowerPoint", L"ViewSlideSorterView",
                            L"FileSave", L"SlideNew", L"Bold"})
    list.push_back(CPptCommand{id});
  return list;
}
}  // namespace

CPptApplication::CPptApplication() : CSimDispatch(Table()) {
  SetErrorSource(L"Microsoft PowerPoint");
  AnswerIid(IID_Application);
  m_pEvents = &AddConnectionPoint(DIID_EApplication);
  m_state.commands = MakeCommands();
}

ComPtr<CPptApplication> CPptApplication::Create(const std::wstring& version) {
  auto app = MakeSim<CPptApplication>();
  app->m_state.version = version;
  return app;
}

int CPptApplication::MajorVersion() const { return static_cast<int>(std::wcstol(m_state.version.c_str(), nullptr, 10)); }

const CSimMemberTable& CPptApplication::Table() {
  static CSimMemberTable table = [] {
    CSimMemberTable t(L"Application");
    using A = CPptApplication;
    CSimTableBuilder<A>(t)
        .Get(L"Name", [](A&) { return CSimVariant::Str(L"Microsoft PowerPoint"); })
        .Get(L"Version", [](A& a) { return CSimVariant::Str(a.m_state.version); })
        .Get(L"Application", [](A& a) { return CSimVariant::Disp(a.AsDispatch()); })
        .Get(L"Presentations", [](A& a) { return DispResult(MakePresentationsObject(Self(a))); })
        // https://learn.microsoft.com/office/vba/api/powerpoint.application.activepresentation:
        // fails when no presentation is open in a document window.
        .Get(L"ActivePresentation",
             [](A& a) {
               if (!a.m_state.active) ThrowPpt(L"Application (unknown member) : Invalid request.  There is no active presentation.");
               return DispResult(MakePresentationObject(Self(a), a.m_state.active));
             })
        // https://learn.microsoft.com/office/vba/api/powerpoint.application.activewindow: the
        // active document window; presentations opened WithWindow:=msoFalse have none.
        .Get(L"ActiveWindow",
             [](A& a) {
               if (!a.m_state.active || !a.m_state.active->hasWindow)
                 ThrowPpt(L"Application (unknown member) : Invalid request.  There is no currently active document window.");
               return DispResult(MakeWindowObject(Self(a), a.m_state.active));
             })
        // https://learn.microsoft.com/office/vba/api/powerpoint.application.visible: MsoTriState.
        // Setting msoFalse raises PowerPoint's run-time error; the page is silent (unverified:
        // the text is the message PowerPoint gives).
        .Prop(L"Visible", [](A& a) { return CSimVariant::Int(a.m_state.visible ? kMsoTrue : kMsoFalse); },
              [](A& a, const VARIANT& v) {
                if (ToLong(v) == kMsoFalse)
                  ThrowPpt(L"Application.Visible : Invalid request.  Hiding the application window is not allowed.");
                a.m_state.visible = true;
              })
        // https://learn.microsoft.com/office/vba/api/powerpoint.application.displayalerts:
        // PpAlertLevel, ppAlertsNone 1 or ppAlertsAll 2 (starting at ppAlertsNone).
        .Prop(L"DisplayAlerts", [](A& a) { return CSimVariant::Int(a.m_state.displayAlerts); },
              [](A& a, const VARIANT& v) {
                long level = ToLong(v);
                if (level != 1 && level != 2) ThrowPpt(L"Application.DisplayAlerts : The specified value is out of range.");
                a.m_state.displayAlerts = level;
              })
        .Method(L"Quit", {}, [](A& a, const CSimArgs&) {
          for (auto p : std::vector<PresentationPtr>(a.m_state.presentations)) a.ClosePresentation(p);
          a.Quit();
          return CSimVariant();
        });
    return t;
  }();
  return table;
}

int CPptApplication::EventsFired(DISPID id) const {
  auto it = m_fired.find(id);
  return it == m_fired.end() ? 0 : it->second;
}

size_t CPptApplication::AdvisedSinks() const { return m_pEvents->SinkCount(); }

void CPptApplication::Fire(DISPID id, std::vector<CSimVariant> args) {
  ++m_fired[id];
  m_pEvents->Fire(id, std::move(args));
}

void CPptApplication::Activate(const PresentationPtr& p) {
  if (!p->hasWindow) return;
  m_state.active = p;
  Fire(kEvtWindowActivate, {DispResult(MakePresentationObject(Self(*this), p)), DispResult(MakeWindowObject(Self(*this), p))});
}

PresentationPtr CPptApplication::OpenPresentation(const std::wstring& path, bool readOnly, bool withWindow) {
  PresentationPtr p = LoadPresentationFile(path);
  if (!p->modifyPassword.empty() && !readOnly) {
    // The Password dialog: the password to modify, Read Only, or Cancel (the open fails).
    std::wstring typed;
    const PasswordAnswer answer = m_fnPasswordPrompt ? m_fnPasswordPrompt(*p, &typed) : PasswordAnswer::Cancel;
    if (answer == PasswordAnswer::Cancel || (answer == PasswordAnswer::Password && typed != p->modifyPassword))
      ThrowPpt(L"Presentations.Open : PowerPoint could not open the file.");
    readOnly = answer == PasswordAnswer::ReadOnly;
  }
  p->readOnly = readOnly;
  return AddPresentation(p, true, withWindow);
}

// https://learn.microsoft.com/office/vba/api/powerpoint.application.afterpresentationopen
// "occurs after an existing presentation is opened": never for a new presentation
// (https://learn.microsoft.com/office/vba/api/powerpoint.application.afternewpresentation).
PresentationPtr CPptApplication::AddPresentation(PresentationPtr p, bool fireOpen, bool withWindow) {
  p->hasWindow = withWindow;
  p->closed = false;
  m_state.presentations.push_back(p);
  if (withWindow) Activate(p);
  const CSimVariant pres = DispResult(MakePresentationObject(Self(*this), p));
  if (fireOpen) {
    Fire(kEvtPresentationOpen, {pres});
    Fire(kEvtAfterPresentationOpen, {pres});
  } else {
    Fire(kEvtNewPresentation, {pres});
    Fire(kEvtAfterNewPresentation, {pres});
  }
  return p;
}

PresentationPtr CPptApplication::NewPresentation(bool withWindow) {
  auto p = MakePresentation(1);
  p->name = L"Presentation" + std::to_wstring(++m_state.untitledCount);
  return AddPresentation(p, false, withWindow);
}

// https://learn.microsoft.com/office/vba/api/powerpoint.application.presentationnewslide
SlidePtr CPptApplication::AddSlide(CPresentation& p, size_t index, size_t layout) {
  // A presentation opened read-only can still be edited; only saving over its file is refused.
  SlidePtr slide = kalsim::ppt::AddSlide(p, index, layout);
  PresentationPtr shared;
  for (const auto& q : m_state.presentations)
    if (q.get() == &p) shared = q;
  if (shared) {
    p.window.currentSlide = index;
    Fire(kEvtPresentationNewSlide, {DispResult(MakeSlideObject(Self(*this), shared, slide))});
  }
  return slide;
}

SlidePtr CPptApplication::AddSlideToActive() {
  if (!m_state.active) ThrowPpt(L"Application (unknown member) : Invalid request.  There is no active presentation.");
  CPresentation& p = *m_state.active;
  const size_t at = p.slides.empty() ? 0 : std::min(p.window.currentSlide + 1, p.slides.size());
  return AddSlide(p, at, 1);
}

void CPptApplication::ClosePresentation(const PresentationPtr& p) {
  auto it = std::find(m_state.presentations.begin(), m_state.presentations.end(), p);
  if (it == m_state.presentations.end()) return;
  Fire(kEvtPresentationClose, {DispResult(MakePresentationObject(Self(*this), p))});
  it = std::find(m_state.presentations.begin(), m_state.presentations.end(), p);
  if (it != m_state.presentations.end()) m_state.presentations.erase(it);
  p->closed = true;
  if (m_state.active == p) {
    m_state.active.reset();
    for (auto r = m_state.presentations.rbegin(); r != m_state.presentations.rend(); ++r)
      if ((*r)->hasWindow) {
        m_state.active = *r;
        break;
      }
  }
}

// https://learn.microsoft.com/office/vba/api/powerpoint.presentation.save: a new presentation
// needs SaveAs; a read-only one cannot be saved over its file.
void CPptApplication::SavePresentation(CPresentation& p) {
  if (p.closed) ThrowPpt(L"Presentation.Save : Object does not exist.");
  if (p.path.empty()) ThrowPpt(L"Presentation.Save : Invalid request.  The presentation has no file name; use SaveAs.");
  if (p.readOnly) ThrowPpt(L"Presentation.Save : Presentation is read-only.");
  for (const auto& q : m_state.presentations)
    if (q.get() == &p) Fire(kEvtPresentationSave, {DispResult(MakePresentationObject(Self(*this), q))});
  SavePresentationFile(p, p.path);
  p.saved = true;
}

void CPptApplication::Quit() {
  if (m_state.quitRequested) return;
  m_state.quitRequested = true;
  if (m_fnOnQuit) m_fnOnQuit();
}

void CPptApplication::ApplyCustomUi(const std::wstring& xml) {
  CCustomUi ui = ParseCustomUi(xml);
  if (!ui.valid) return;  // Office ignores custom UI it cannot load
  for (const auto& c : ui.commands) {
    auto it = std::find_if(m_state.commands.begin(), m_state.commands.end(), [&](const CPptCommand& r) { return r.idMso == c.idMso; });
    if (it == m_state.commands.end()) m_state.commands.push_back(CPptCommand{c.idMso, c.enabled});
    else it->enabled = c.enabled;
  }
}

const CPptCommand* CPptApplication::FindCommand(const std::wstring& idMso) const {
  for (const auto& c : m_state.commands)
    if (c.idMso == idMso) return &c;
  return nullptr;
}

bool CPptApplication::ExecuteCommand(const std::wstring& idMso) {
  auto it = std::find_if(m_state.commands.begin(), m_state.commands.end(), [&](const CPptCommand& r) { return r.idMso == idMso; });
  if (it == m_state.commands.end()) return false;
  if (!it->enabled) {
    ++it->refused;
    return false;
  }
  auto p = m_state.active;
  if (p && idMso == L"ViewSlideMasterView") SetViewType(*p, kViewSlideMaster, MajorVersion());
  else if (p && idMso == L"ViewNormalViewPowerPoint") SetViewType(*p, kViewNormal, MajorVersion());
  else if (p && idMso == L"ViewSlideSorterView") SetViewType(*p, kViewSlideSorter, MajorVersion());
  else if (p && idMso == L"FileSave") SavePresentation(*p);
  else if (p && idMso == L"SlideNew") AddSlideToActive();
  ++it->executed;
  return true;
}

void CPptApplication::DisconnectSinks() { m_pEvents->DropAll(); }

}  // namespace kalsim::ppt
