// CMSWord's connection, start-up, shutdown and ribbon entry points, its event handlers, the
// watermark timer, and the guards every handler applies (Normal template kept saved, legacy
// background menus disabled).
#include <string>

#include "core/automation.h"
#include "core/com/module.h"
#include "core/office_version.h"
#include "core/command_line.h"
#include "core/policy.h"
#include "core/readonly.h"
#include "core/trace.h"
#include "picture/watermark_pic.h"
#include "word/ms_word.h"

using kal::CVariant;
using kal::Dispatch;

namespace {
constexpr UINT kWatermarkTimerMs = 5000;
constexpr UINT kLockTimerMs = 500;
const wchar_t kBackgroundCaption[] = L"背景(&K)";
}  // namespace

kal::word::CWordWatermarkParams CMSWord::CollectWatermarkParams() {
  kal::word::CWordWatermarkParams params;
  params.text = GetWaterMarkText();
  params.fontName = L"Arial";  // Word always stamps in Arial; the record's font is for pictures
  params.fontSize = static_cast<float>(GetWatermarkFontSize());
  params.colour = static_cast<float>(GetWatermarkColor());
  params.transparency = static_cast<float>(GetWatermarkTransparency());
  params.diagonal = IsWatermarkSlanted() != 0;
  return params;
}

STDMETHODIMP CMSWord::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*,
                                   SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSWord _IDTExtensibility2::OnConnection.");
  try {
    m_pApplication.Reset();
    if (Application) {
      Application->QueryInterface(kal::IID_Word_Application,
                                  reinterpret_cast<void**>(m_pApplication.ReleaseAndGetAddressOf()));
    }
    m_pSinkApp2 = m_pApplication;
    m_pSinkApp1 = m_pApplication;

    const Dispatch app(m_pApplication.Get());
    CVariant options;
    if (app && SUCCEEDED(app.TryGet(L"Options", &options))) {
      const Dispatch opts(options);
      if (opts) {
        (void)opts.TryPut(L"SaveNormalPrompt", false);
        (void)opts.TryPut(L"SavePropertiesPrompt", false);
        (void)opts.TryPut(L"SaveInterval", 0);  // no automatic recovery saves
      }
    }

    if (ProcessHasAutomationSwitch()) return S_OK;

    if (IsTavReadOnly(::GetCurrentProcessId())) {
      TraceW(L"CMSWord KalMsAddin.dll CMSWord TAVFile && bDocReadOnley.");
      g_pWordAddin = this;
      m_nLockTimer = ::SetTimer(nullptr, 0, kLockTimerMs, &CMSWord::LockWinDocTimer);
      // A thread timer calls into this module until it is killed, also after Word has released
      // the add-in: the module stays loaded (DllCanUnloadNow answers S_FALSE) while it runs.
      if (m_nLockTimer) kal::CKalMsAddinModule::Instance().Lock();
    }

    if (!IsHasWatermark() && !IsTavReadOnly(::GetCurrentProcessId())) {
      TraceW(L"KalMsAddin.dll CMSWord::IsHasWatermark Failed.\n");
      return S_OK;
    }

    const HRESULT hr1 = m_pSinkApp1 ? m_sink1.Advise(m_pSinkApp1.Get()) : E_POINTER;
    const HRESULT hr2 = m_pSinkApp2 ? m_sink2.Advise(m_pSinkApp2.Get()) : E_POINTER;
    if (SUCCEEDED(hr1) || SUCCEEDED(hr2)) m_bAdvised = 1;

    (void)DisableBackgroundCommands(m_pApplication.Get());

    if (IsHasWatermark()) {
      g_pWordAddin = this;
      m_nWatermarkTimer = ::SetTimer(nullptr, 0, kWatermarkTimerMs, &CMSWord::WatermarkCheckTimer);
      if (m_nWatermarkTimer) kal::CKalMsAddinModule::Instance().Lock();
    }
    MarkNormalTemplateSaved();
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::OnConnection _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::OnConnection Exception.\n");
  }
  return S_OK;
}

STDMETHODIMP CMSWord::OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY**) {
  try {
    // Under automation nothing was connected, so in practice the sinks stay connected here.
    if (m_bAdvised && ProcessHasAutomationSwitch() && RemoveMode == ext_dm_UserClosed) {
      m_sink1.Unadvise();
      m_sink2.Unadvise();
    }
    if (IsHasWatermark() && m_nWatermarkTimer) {
      if (::KillTimer(nullptr, m_nWatermarkTimer)) kal::CKalMsAddinModule::Instance().Unlock();
      m_nWatermarkTimer = 0;
    }
    MarkNormalTemplateSaved();
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::OnDisconnection Exception.\n");
  }
  return S_OK;
}

STDMETHODIMP CMSWord::OnAddInsUpdate(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSWord _IDTExtensibility2::OnAddInsUpdate.");
  return S_OK;
}

STDMETHODIMP CMSWord::OnBeginShutdown(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSWord _IDTExtensibility2::OnBeginShutdown.");
  return S_OK;
}

STDMETHODIMP CMSWord::OnStartupComplete(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSWord _IDTExtensibility2::OnStartupComplete.");
  try {
    // The mark goes on before the protection: a document protected for comments refuses new
    // header shapes, so protecting first would leave a read-only document without its mark.
    if (!ProcessHasAutomationSwitch() && IsHasWatermark() && m_pSinkApp1) {
      CVariant doc;
      if (SUCCEEDED(Dispatch(m_pSinkApp1.Get()).TryGet(L"ActiveDocument", &doc))) {
        NewDocument(doc.PeekDispatch());
      }
    }
    if (IsTavReadOnly(::GetCurrentProcessId()) && m_pApplication) {
      CVariant doc;
      if (SUCCEEDED(Dispatch(m_pApplication.Get()).TryGet(L"ActiveDocument", &doc)) &&
          doc.PeekDispatch()) {
        TraceW(L"KalMsAddin.dll CMSWord OnStartupComplete:get_ActiveDocument Succeed.---------------");
        ProtectDocument(doc.PeekDispatch());
      }
    }
    MarkNormalTemplateSaved();
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::OnStartupComplete _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::OnStartupComplete Exception.\n");
  }
  return S_OK;
}

STDMETHODIMP CMSWord::GetCustomUI(BSTR, BSTR* RibbonXml) {
  TraceW(L"KalMsAddin.dll CMSWord IRibbonExtensibility::raw_GetCustomUI.");
  if (!RibbonXml) return E_POINTER;
  try {
    if (IsHasWatermark()) {
      const std::wstring xml = kal::word::BuildWordRibbonXml();
      BSTR out = ::SysAllocStringLen(xml.data(), static_cast<UINT>(xml.size()));
      if (out) *RibbonXml = out;
    }
    MarkNormalTemplateSaved();
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::GetCustomUI Exception.\n");
  }
  return S_OK;
}

void CMSWord::StampActiveDocumentOnEvent(const wchar_t* traceLine) {
  TraceW(traceLine);
  if (IsHasWatermark()) {
    // The event's own document is not used: stamping always works on the active document.
    AddWordWatermarkOnActiveDocument(m_pSinkApp1.Get(), CollectWatermarkParams());
  }
  MarkNormalTemplateSaved();
}

void CMSWord::DocumentOpen(IDispatch*) {
  try {
    StampActiveDocumentOnEvent(L"CMSWord::DocumentOpen----------------------");
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::DocumentOpen _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::DocumentOpen Exception.\n");
  }
}

void CMSWord::NewDocument(IDispatch*) {
  try {
    StampActiveDocumentOnEvent(L"CMSWord::NewDocument----------------------");
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::NewDocument _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::NewDocument Exception.\n");
  }
}

void CMSWord::DocumentChange() {
  try {
    TraceW(L"CMSWord::DocumentChange----------------------");
    MarkNormalTemplateSaved();
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::DocumentChange Exception.\n");
  }
}

void CMSWord::WindowSelectionChange(IDispatch*) {
  TraceW(L"CMSWord::WindowSelectionChange----------------------");
}

void CALLBACK CMSWord::WatermarkCheckTimer(HWND, UINT, UINT_PTR, DWORD) {
  CMSWord* addin = g_pWordAddin;
  if (!addin) return;
  try {
    addin->OnWatermarkTick();
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::WatermarkCheckTimer _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::WatermarkCheckTimer Exception.\n");
  }
}

void CMSWord::OnWatermarkTick() {
  if (!m_bStamping && IsHasWatermark()) {
    const int inHeader = AtSeekViewPageHeader(m_pSinkApp2.Get());
    // Checked only around header editing: while the header is open and once after it closed.
    if (inHeader || g_bLastInHeader) {
      const int intact = CheckWordWatermark(m_pSinkApp1.Get(), CollectWatermarkParams());
      if (!intact) AddWordWatermarkOnActiveDocument(m_pSinkApp1.Get(), CollectWatermarkParams());
    }
    g_bLastInHeader = inHeader;
  }
  MarkNormalTemplateSaved();
}

bool CMSWord::MarkNormalTemplateSaved() {
  if (!m_pApplication) return false;
  CVariant templ;
  if (FAILED(Dispatch(m_pApplication.Get()).TryGet(L"NormalTemplate", &templ))) return false;
  const Dispatch normal(templ);
  if (!normal) return false;
  (void)normal.TryPut(L"Saved", true);
  TraceTemplateSaved();
  return true;
}

void CMSWord::TraceTemplateSaved() {
  TraceW(L"KalMsAddinLevel.dll CMSWord::DocumentBeforeSave template put saved.\n");
}

void CMSWord::DisableBackgroundInBar(IDispatch* controls) {
  const Dispatch list(controls);
  if (!list) return;
  long count = 0;
  if (FAILED(list.Get(L"Count").ToInt(&count))) return;
  for (long i = 1; i <= count; ++i) {
    const Dispatch control = list.CallObj(L"Item", i);
    std::wstring caption;
    if (FAILED(control.Get(L"Caption").ToString(&caption))) continue;
    if (caption != kBackgroundCaption) continue;
    bool enabled = false;
    if (SUCCEEDED(control.Get(L"Enabled").ToBool(&enabled)) && enabled) {
      control.Put(L"Enabled", false);
    }
  }
}

HRESULT CMSWord::DisableBackgroundCommands(IDispatch* application) {
  const Dispatch app(application);
  CVariant version;
  if (!app || FAILED(app.TryGet(L"Version", &version))) return 0;
  std::wstring text;
  int major = 0;
  int minor = 0;
  if (SUCCEEDED(version.ToString(&text))) kal::ParseOfficeVersion(text, &major, &minor);
  if (kal::word::IsRibbonHostVersion(major)) {
    m_bRibbonHost = 1;
    return 1;
  }
  CVariant barsValue;
  const HRESULT hr = app.TryGet(L"CommandBars", &barsValue);
  if (FAILED(hr)) return hr;
  const Dispatch bars(barsValue);
  if (!bars) return E_POINTER;
  try {
    const Dispatch standard = bars.CallObj(L"Item", L"Standard");
    DisableBackgroundInBar(standard.GetObj(L"Controls").Get());
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::DisableBackgroundCommands _com_error : %s.\n", e.Message());
  }
  try {
    const Dispatch menuBar = bars.CallObj(L"Item", L"Menu Bar");
    const Dispatch menus = menuBar.GetObj(L"Controls");
    long count = 0;
    if (SUCCEEDED(menus.Get(L"Count").ToInt(&count))) {
      for (long i = 1; i <= count; ++i) {
        const Dispatch popup = menus.CallObj(L"Item", i).GetObj(L"Control");
        DisableBackgroundInBar(popup.GetObj(L"Controls").Get());
      }
    }
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::DisableBackgroundCommands _com_error : %s.\n", e.Message());
  }
  return 1;
}
