// The simulated Word application: its COM object (Word's Application, an IDispatch answering
// _Application and firing ApplicationEvents2) and the C++ API that tests and the host use to
// build documents, drive Word as a user would and read the resulting state.
//
// In-process use:
//   auto app = kalsim::word::CWordApplication::Create(L"16.0");
//   auto doc = kalsim::word::MakeDocument(3, /*linkedHeaders=*/true);
//   app->AddDocument(doc);                 // fires DocumentOpen, DocumentChange
//   IDispatch* word = app->AsDispatch();   // hand to the add-in's OnConnection
//   ... doc->sections[0]->headers[0].story->shapes ...   // read the state back
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/engine/sim_dispatch.h"
#include "sim/word/word_state.h"

namespace kalsim::word {

struct COpenArguments;  // word_open.h

struct CCommandBarControl {
  std::wstring caption;
  long id = 1;
  long type = 1;  // msoControlButton 1, msoControlPopup 10
  bool enabled = true;
  std::vector<std::shared_ptr<CCommandBarControl>> controls;  // of a popup
};

struct CCommandBar {
  std::wstring name;
  std::vector<std::shared_ptr<CCommandBarControl>> controls;
};

// A ribbon command of the host's command table, by idMso.
struct CRibbonCommand {
  std::wstring idMso;
  bool enabled = true;
  long executed = 0;
  long refused = 0;
};

struct CWordOptions {
  bool saveNormalPrompt = true;
  bool savePropertiesPrompt = false;
  long saveInterval = 10;
};

// How TextEffect.Text reads a line break back.
enum class ETextEffectBreaks {
  kParagraphMark,  // every line break (CR LF, LF, VT, CR) reads back as Word's paragraph mark CR
  kAsWritten,      // exactly as the text was written
};

struct CWordAppState {
  std::wstring version = L"16.0";
  CWordOptions options;
  bool normalTemplateSaved = true;
  bool screenUpdating = true;
  // Every change of the two flags, in order (the new value each time), so that "off while
  // stamping, back on after it" and "the template marked saved again" can be read back.
  std::vector<bool> screenUpdatingTransitions;
  std::vector<bool> normalTemplateSavedTransitions;
  ETextEffectBreaks textEffectBreaks = ETextEffectBreaks::kParagraphMark;
  bool visible = true;
  long displayAlerts = -1;  // wdAlertsAll
  bool quitRequested = false;
  std::vector<std::shared_ptr<CDocument>> documents;  // in opening order
  std::shared_ptr<CDocument> active;
  long untitledCount = 0;
  std::vector<CCommandBar> commandBars;
  std::vector<CRibbonCommand> commands;
};

// Changes a flag, recording the transition when the value differs.
void SetScreenUpdating(CWordAppState& state, bool on);
void SetNormalTemplateSaved(CWordAppState& state, bool saved);
// The text as TextEffect.Text reads it back under the state's line-break switch.
std::wstring TextEffectReadBack(const CWordAppState& state, const std::wstring& text);

// Word's legacy bars ("Menu Bar", "Standard", ...) with their controls; the captions are those
// of a Chinese Word 2003, so "背景(&K)" sits on Standard and under the Format menu.
std::vector<CCommandBar> MakeWordCommandBars();
// Word's built-in ribbon commands that the simulator knows, all enabled.
std::vector<CRibbonCommand> MakeWordRibbonCommands();

class CWordApplication : public CSimDispatch {
 public:
  static Microsoft::WRL::ComPtr<CWordApplication> Create(const std::wstring& version = L"16.0");

  CWordAppState& State() { return m_state; }
  std::shared_ptr<CDocument> ActiveDocument() const { return m_state.active; }
  // Count of events fired per DISPID of ApplicationEvents2.
  int EventsFired(DISPID id) const;
  size_t AdvisedSinks() const;

  // Word's document operations, firing the events Word fires. Failures throw CSimError.
  std::shared_ptr<CDocument> NewDocument();
  std::shared_ptr<CDocument> OpenDocument(const std::wstring& path);
  // Documents.Open: may ask for passwords or about links in a modal prompt (word_open.h).
  std::shared_ptr<CDocument> OpenDocument(const COpenArguments& args);
  // Adds a document built in code as if opened from `doc->path` (fires DocumentOpen when
  // `fireOpen`, then DocumentChange).
  std::shared_ptr<CDocument> AddDocument(std::shared_ptr<CDocument> doc, bool fireOpen = true);
  void ActivateDocument(const std::shared_ptr<CDocument>& doc);
  // SaveChanges: -1 save, 0 discard (wdPromptToSaveChanges -2 acts as discard: no UI here).
  void CloseDocument(const std::shared_ptr<CDocument>& doc, long saveChanges = 0);
  void SaveDocument(CDocument& doc, const std::wstring& path = L"");
  // Closes nothing by itself; fires Quit and calls the quit handler (the host ends its loop).
  void Quit();
  void SetQuitHandler(std::function<void()> handler) { m_fnOnQuit = std::move(handler); }

  // Ribbon command table: apply the disabled commands of custom UI XML, query, execute.
  void ApplyCustomUi(const std::wstring& xml);
  const CRibbonCommand* FindCommand(const std::wstring& idMso) const;
  // Runs a command as a click would; false (and counted as refused) when it is disabled.
  bool ExecuteCommand(const std::wstring& idMso);

  // Events raised by user actions of the host.
  void FireWindowSelectionChange();

  // Dispatch objects for the state (new wrapper objects each time, as Word often does).
  Microsoft::WRL::ComPtr<IDispatch> DocumentObject(const std::shared_ptr<CDocument>& doc);
  Microsoft::WRL::ComPtr<IDispatch> SelectionObject();

  // Drops every event sink (after the add-ins are disconnected at shutdown).
  void DisconnectSinks();

  CWordApplication();  // use Create()

 private:
  static const CSimMemberTable& Table();
  void Fire(DISPID id, std::vector<CSimVariant> args);

  CWordAppState m_state;
  CSimConnectionPoint* m_pEvents = nullptr;
  std::map<DISPID, int> m_fired;
  std::function<void()> m_fnOnQuit;
};

}  // namespace kalsim::word
