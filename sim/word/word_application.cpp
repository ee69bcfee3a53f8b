// Word's Application object: its automation members, its events and the document operations
// (new, open, activate, close, save, quit) with the events Word fires for them.
#include <algorithm>

#include "core/office_interfaces.h"
#include "sim/engine/custom_ui.h"
#include "sim/engine/sim_error.h"
#include "sim/word/word_json.h"
#include "sim/word/word_model.h"
#include "sim/word/word_objects.h"
#include "sim/word/word_open.h"

namespace kalsim::word {

using Microsoft::WRL::ComPtr;

namespace {
AppPtr Self(CWordApplication& a) { return AppPtr(&a); }

void RequireDocument(const CWordApplication& a) {
  if (!a.ActiveDocument()) ThrowOffice(4248, L"This command is not available because no document is open.");
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}
}  // namespace

CWordApplication::CWordApplication() : CSimDispatch(Table()) {
  SetErrorSource(L"Microsoft Word");
  AnswerIid(kal::IID_Word_Application);
  m_pEvents = &AddConnectionPoint(kal::DIID_Word_ApplicationEvents2);
  m_state.commandBars = MakeWordCommandBars();
  m_state.commands = MakeWordRibbonCommands();
}

ComPtr<CWordApplication> CWordApplication::Create(const std::wstring& version) {
  auto app = MakeSim<CWordApplication>();
  app->m_state.version = version;
  return app;
}

const CSimMemberTable& CWordApplication::Table() {
  static CSimMemberTable table = [] {
    CSimMemberTable t(L"Application");
    using A = CWordApplication;
    CSimTableBuilder<A>(t)
        .Get(L"Name", [](A&) { return CSimVariant::Str(L"Microsoft Word"); })
        .Get(L"Version", [](A& a) { return CSimVariant::Str(a.m_state.version); })
        .Get(L"Build", [](A& a) { return CSimVariant::Str(a.m_state.version + L".4266"); })
        .Get(L"Application", [](A& a) { return CSimVariant::Disp(a.AsDispatch()); })
        .Get(L"Parent", [](A& a) { return CSimVariant::Disp(a.AsDispatch()); })
        .Get(L"Options", [](A& a) { return CSimVariant::Disp(MakeOptionsObject(Self(a)).Get()); })
        .Get(L"Documents", [](A& a) { return CSimVariant::Disp(MakeDocumentsObject(Self(a)).Get()); })
        .Get(L"ActiveDocument",
             [](A& a) {
               RequireDocument(a);
               return CSimVariant::Disp(a.DocumentObject(a.m_state.active).Get());
             })
        .Get(L"ActiveWindow",
             [](A& a) {
               RequireDocument(a);
               return CSimVariant::Disp(MakeWindowObject(Self(a), a.m_state.active).Get());
             })
        .Get(L"Selection",
             [](A& a) {
               RequireDocument(a);
               return CSimVariant::Disp(a.SelectionObject().Get());
             })
        .Get(L"NormalTemplate", [](A& a) { return CSimVariant::Disp(MakeTemplateObject(Self(a)).Get()); })
        .Get(L"CommandBars", [](A& a) { return CSimVariant::Disp(MakeCommandBarsObject(Self(a)).Get()); })
        .Prop(L"ScreenUpdating", [](A& a) { return CSimVariant::Bool(a.m_state.screenUpdating); },
              [](A& a, const VARIANT& v) { SetScreenUpdating(a.m_state, ToBool(v)); })
        .Prop(L"Visible", [](A& a) { return CSimVariant::Bool(a.m_state.visible); },
              [](A& a, const VARIANT& v) { a.m_state.visible = ToBool(v); })
        .Prop(L"DisplayAlerts", [](A& a) { return CSimVariant::Int(a.m_state.displayAlerts); },
              [](A& a, const VARIANT& v) { a.m_state.displayAlerts = ToLong(v); })
        .Method(L"Quit", {L"SaveChanges", L"OriginalFormat", L"RouteDocument"},
                [](A& a, const CSimArgs& args) {
                  long save = args.Int(0, -2);
                  for (auto doc : std::vector<std::shared_ptr<CDocument>>(a.m_state.documents))
                    a.CloseDocument(doc, save == -1 ? -1 : 0);
                  a.Quit();
                  return CSimVariant();
                });
    return t;
  }();
  return table;
}

void SetScreenUpdating(CWordAppState& state, bool on) {
  if (state.screenUpdating != on) state.screenUpdatingTransitions.push_back(on);
  state.screenUpdating = on;
}

void SetNormalTemplateSaved(CWordAppState& state, bool saved) {
  if (state.normalTemplateSaved != saved) state.normalTemplateSavedTransitions.push_back(saved);
  state.normalTemplateSaved = saved;
}

std::wstring TextEffectReadBack(const CWordAppState& state, const std::wstring& text) {
  // Unverified: TextEffectFormat.Text's reference page says nothing of line breaks; Word keeps
  // WordArt text as paragraphs, so a break written as LF, CR LF or VT comes back as one CR.
  if (state.textEffectBreaks == ETextEffectBreaks::kAsWritten) return text;
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    out += (c == L'\n' || c == L'\v' || c == L'\r') ? L'\r' : c;
  }
  return out;
}

int CWordApplication::EventsFired(DISPID id) const {
  auto it = m_fired.find(id);
  return it == m_fired.end() ? 0 : it->second;
}

size_t CWordApplication::AdvisedSinks() const { return m_pEvents->SinkCount(); }

void CWordApplication::Fire(DISPID id, std::vector<CSimVariant> args) {
  ++m_fired[id];
  m_pEvents->Fire(id, std::move(args));
}

ComPtr<IDispatch> CWordApplication::DocumentObject(const std::shared_ptr<CDocument>& doc) {
  return MakeDocumentObject(Self(*this), doc);
}

ComPtr<IDispatch> CWordApplication::SelectionObject() { return MakeSelectionObject(Self(*this), m_state.active); }

std::shared_ptr<CDocument> CWordApplication::NewDocument() {
  auto doc = MakeDocument(1);
  doc->name = L"Document" + std::to_wstring(++m_state.untitledCount);
  m_state.documents.push_back(doc);
  m_state.active = doc;
  Fire(kal::kWordEvtNewDocument, {CSimVariant::Disp(DocumentObject(doc).Get())});
  Fire(kal::kWordEvtDocumentChange, {});
  return doc;
}

std::shared_ptr<CDocument> CWordApplication::OpenDocument(const std::wstring& path) {
  COpenArguments args;
  args.fileName = path;
  return OpenDocument(args);
}

std::shared_ptr<CDocument> CWordApplication::OpenDocument(const COpenArguments& args) {
  for (const auto& d : m_state.documents) {
    if (SamePath(d->path, args.fileName)) {
      ActivateDocument(d);
      return d;
    }
  }
  auto doc = LoadDocumentFile(args.fileName);
  AdmitDocument(*doc, args, m_state.displayAlerts);
  return AddDocument(doc, true);
}

std::shared_ptr<CDocument> CWordApplication::AddDocument(std::shared_ptr<CDocument> doc, bool fireOpen) {
  ResolveLinks(*doc);
  m_state.documents.push_back(doc);
  m_state.active = doc;
  if (fireOpen) Fire(kal::kWordEvtDocumentOpen, {CSimVariant::Disp(DocumentObject(doc).Get())});
  Fire(kal::kWordEvtDocumentChange, {});
  return doc;
}

void CWordApplication::ActivateDocument(const std::shared_ptr<CDocument>& doc) {
  if (!doc || doc->closed || m_state.active == doc) return;
  m_state.active = doc;
  Fire(kal::kWordEvtDocumentChange, {});
  Fire(kal::kWordEvtWindowActivate,
       {CSimVariant::Disp(DocumentObject(doc).Get()), CSimVariant::Disp(MakeWindowObject(Self(*this), doc).Get())});
}

void CWordApplication::CloseDocument(const std::shared_ptr<CDocument>& doc, long saveChanges) {
  auto it = std::find(m_state.documents.begin(), m_state.documents.end(), doc);
  if (it == m_state.documents.end()) return;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  CSimVariant cancelArg;
  cancelArg.Ptr()->vt = VT_BOOL | VT_BYREF;
  cancelArg.Ptr()->pboolVal = &cancel;
  Fire(kal::kWordEvtDocumentBeforeClose, {CSimVariant::Disp(DocumentObject(doc).Get()), cancelArg});
  cancelArg.Ptr()->vt = VT_EMPTY;  // the pointer is ours, not the variant's
  if (cancel != VARIANT_FALSE) ThrowOffice(4198, L"Command failed");
  if (saveChanges == -1 && !doc->saved) SaveDocument(*doc);
  it = std::find(m_state.documents.begin(), m_state.documents.end(), doc);
  if (it != m_state.documents.end()) m_state.documents.erase(it);
  doc->closed = true;
  if (m_state.active == doc) {
    m_state.active = m_state.documents.empty() ? nullptr : m_state.documents.back();
    Fire(kal::kWordEvtDocumentChange, {});
  }
}

void CWordApplication::SaveDocument(CDocument& doc, const std::wstring& path) {
  if (doc.closed) ThrowOffice(4198, L"Command failed");
  std::wstring target = path.empty() ? doc.path : path;
  if (target.empty()) ThrowOffice(4198, L"Command failed");  // Save As would need a dialog
  // A document opened read-only keeps its file as it is (unverified error).
  if (doc.readOnly && SamePath(target, doc.path)) ThrowOffice(4198, L"Command failed");
  std::shared_ptr<CDocument> shared;
  for (const auto& d : m_state.documents)
    if (d.get() == &doc) shared = d;
  VARIANT_BOOL saveAsUi = VARIANT_FALSE, cancel = VARIANT_FALSE;
  CSimVariant uiArg, cancelArg;
  uiArg.Ptr()->vt = VT_BOOL | VT_BYREF;
  uiArg.Ptr()->pboolVal = &saveAsUi;
  cancelArg.Ptr()->vt = VT_BOOL | VT_BYREF;
  cancelArg.Ptr()->pboolVal = &cancel;
  if (shared) Fire(kal::kWordEvtDocumentBeforeSave, {CSimVariant::Disp(DocumentObject(shared).Get()), uiArg, cancelArg});
  uiArg.Ptr()->vt = VT_EMPTY;
  cancelArg.Ptr()->vt = VT_EMPTY;
  if (cancel != VARIANT_FALSE) return;
  SaveDocumentFile(doc, target);
  doc.path = target;
  size_t slash = target.find_last_of(L"\\/");
  doc.name = slash == std::wstring::npos ? target : target.substr(slash + 1);
  doc.saved = true;
}

void CWordApplication::Quit() {
  if (m_state.quitRequested) return;
  m_state.quitRequested = true;
  Fire(kal::kWordEvtQuit, {});
  if (m_fnOnQuit) m_fnOnQuit();
}

void CWordApplication::ApplyCustomUi(const std::wstring& xml) {
  CCustomUi ui = ParseCustomUi(xml);
  if (!ui.valid) return;  // Office ignores custom UI it cannot load
  for (const auto& c : ui.commands) {
    auto it = std::find_if(m_state.commands.begin(), m_state.commands.end(),
                           [&](const CRibbonCommand& r) { return r.idMso == c.idMso; });
    if (it == m_state.commands.end()) {
      m_state.commands.push_back(CRibbonCommand{c.idMso, c.enabled, 0, 0});
    } else {
      it->enabled = c.enabled;
    }
  }
}

const CRibbonCommand* CWordApplication::FindCommand(const std::wstring& idMso) const {
  for (const auto& c : m_state.commands)
    if (c.idMso == idMso) return &c;
  return nullptr;
}

bool CWordApplication::ExecuteCommand(const std::wstring& idMso) {
  auto it = std::find_if(m_state.commands.begin(), m_state.commands.end(),
                         [&](const CRibbonCommand& r) { return r.idMso == idMso; });
  if (it == m_state.commands.end()) return false;
  if (!it->enabled) {
    ++it->refused;
    return false;
  }
  auto doc = m_state.active;
  if (idMso == L"FileSave" && doc) {
    SaveDocument(*doc);
  } else if (idMso == L"WatermarkRemove" && doc) {
    // Word's own command removes its watermark shapes from every header.
    RequireEditable(*doc);
    for (const auto& story : AllStories(*doc)) {
      auto shapes = story->shapes;
      for (const auto& s : shapes)
        if (s->name.compare(0, 24, L"PowerPlusWaterMarkObject") == 0) DeleteShape(*doc, s);
    }
  }
  ++it->executed;
  return true;
}

void CWordApplication::FireWindowSelectionChange() {
  if (!m_state.active) return;
  Fire(kal::kWordEvtWindowSelectionChange, {CSimVariant::Disp(SelectionObject().Get())});
}

void CWordApplication::DisconnectSinks() { m_pEvents->DropAll(); }

}  // namespace kalsim::word
