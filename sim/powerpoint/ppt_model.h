// The simulated PowerPoint application: its COM object (PowerPoint's Application, an IDispatch
// answering _Application and firing EApplication events) and the C++ API that tests and the
// host use to open presentations, act as a user and read the resulting state.
//
// In-process use:
//   auto app = kalsim::ppt::CPptApplication::Create(L"16.0");
//   app->AddPresentation(kalsim::ppt::MakePresentation(2), /*fireOpen=*/false);
//   IDispatch* ppt = app->AsDispatch();      // hand to the add-in's OnConnection
//   app->AddSlideToActive();                 // fires PresentationNewSlide
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/engine/sim_dispatch.h"
#include "sim/powerpoint/ppt_state.h"

namespace kalsim::ppt {

// EApplication dispinterface {914934C2-5A91-11CF-8700-00AA0060263B} and its DISPIDs
// (https://learn.microsoft.com/office/vba/api/powerpoint.application#events).
constexpr IID DIID_EApplication = {0x914934C2, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
constexpr IID IID_Application = {0x91493442, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
constexpr CLSID CLSID_Application = {0x91493441, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
enum PptEventDispId : DISPID {
  kEvtWindowSelectionChange = 2001,
  kEvtPresentationClose = 2004,
  kEvtPresentationSave = 2005,
  kEvtPresentationOpen = 2006,
  kEvtNewPresentation = 2007,
  kEvtPresentationNewSlide = 2008,
  kEvtWindowActivate = 2009,
  kEvtAfterNewPresentation = 2020,
  kEvtAfterPresentationOpen = 2021,
};

// A ribbon command of the host's command table, by idMso.
struct CPptCommand {
  std::wstring idMso;
  bool enabled = true;
  long executed = 0;
  long refused = 0;
};

// The answer to PowerPoint's Password dialog of a presentation with a password to modify.
enum class PasswordAnswer { Cancel, ReadOnly, Password };

struct CPptAppState {
  std::wstring version = L"16.0";
  bool visible = true;
  // https://learn.microsoft.com/office/vba/api/powerpoint.application.displayalerts: "when
  // PowerPoint begins, it is reset to ppAlertsNone".
  long displayAlerts = 1;
  bool quitRequested = false;
  std::vector<PresentationPtr> presentations;  // in opening order
  PresentationPtr active;                      // the presentation of the active document window
  long untitledCount = 0;
  std::vector<CPptCommand> commands;
  std::shared_ptr<CShape> pickedUp;  // the formatting Shape.PickUp copied, for Shape.Apply
};

class CPptApplication : public CSimDispatch {
 public:
  static Microsoft::WRL::ComPtr<CPptApplication> Create(const std::wstring& version = L"16.0");

  CPptAppState& State() { return m_state; }
  int MajorVersion() const;
  PresentationPtr ActivePresentation() const { return m_state.active; }
  int EventsFired(DISPID id) const;
  size_t AdvisedSinks() const;

  // PowerPoint's operations with the events it fires. Failures throw CSimError.
  PresentationPtr OpenPresentation(const std::wstring& path, bool readOnly = false, bool withWindow = true);
  // A presentation built in code, as if opened from its path (fireOpen) or created new.
  PresentationPtr AddPresentation(PresentationPtr p, bool fireOpen, bool withWindow = true);
  PresentationPtr NewPresentation(bool withWindow = true);
  // Inserts a slide after the current one of the active window (Ctrl+M) and fires
  // PresentationNewSlide.
  SlidePtr AddSlideToActive();
  SlidePtr AddSlide(CPresentation& p, size_t index, size_t layout);
  void ClosePresentation(const PresentationPtr& p);
  void SavePresentation(CPresentation& p);
  void Quit();
  void SetQuitHandler(std::function<void()> handler) { m_fnOnQuit = std::move(handler); }
  // Answers the Password dialog (the host shows a real one); without a handler the dialog is
  // cancelled and the open fails.
  void SetPasswordPrompt(std::function<PasswordAnswer(const CPresentation&, std::wstring*)> prompt) {
    m_fnPasswordPrompt = std::move(prompt);
  }

  // Ribbon command table: the disabled commands of custom UI XML, lookup, execution.
  void ApplyCustomUi(const std::wstring& xml);
  const CPptCommand* FindCommand(const std::wstring& idMso) const;
  // Runs a command as a click would; false (counted as refused) when disabled or unknown.
  bool ExecuteCommand(const std::wstring& idMso);

  // Drops every event sink (after the add-ins are disconnected at shutdown).
  void DisconnectSinks();

  CPptApplication();  // use Create()

 private:
  static const CSimMemberTable& Table();
  void Fire(DISPID id, std::vector<CSimVariant> args);
  void Activate(const PresentationPtr& p);

  CPptAppState m_state;
  CSimConnectionPoint* m_pEvents = nullptr;
  std::map<DISPID, int> m_fired;
  std::function<void()> m_fnOnQuit;
  std::function<PasswordAnswer(const CPresentation&, std::wstring*)> m_fnPasswordPrompt;
};

using AppPtr = Microsoft::WRL::ComPtr<CPptApplication>;
using DispPtr = Microsoft::WRL::ComPtr<IDispatch>;
// A VT_DISPATCH result of an object made by the factories below (or any simulated object).
inline CSimVariant DispResult(const DispPtr& p) { return CSimVariant::Disp(p.Get()); }

// Dispatch objects presenting the state (new wrapper objects each time, as PowerPoint's are).
DispPtr MakePresentationsObject(AppPtr app);
DispPtr MakePresentationObject(AppPtr app, PresentationPtr p);
DispPtr MakeWindowObject(AppPtr app, PresentationPtr p);
DispPtr MakeSlideObject(AppPtr app, PresentationPtr p, SlidePtr slide);
DispPtr MakeMasterObject(AppPtr app, PresentationPtr p, DesignPtr design);
DispPtr MakeDesignObject(AppPtr app, PresentationPtr p, DesignPtr design);
DispPtr MakeSlidesObject(AppPtr app, PresentationPtr p);
DispPtr MakeShapeObject(AppPtr app, PresentationPtr p, ShapePtr shape);
DispPtr MakeMasterShapesObject(AppPtr app, PresentationPtr p, DesignPtr design);
DispPtr MakeShapeRangeObject(AppPtr app, PresentationPtr p, std::vector<ShapePtr> shapes);

}  // namespace kalsim::ppt
