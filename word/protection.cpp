// Protection of a read-only Word document: comments-only document protection with a
// throw-away password, retried by a 500 ms thread timer until it is in place.
#include <string>

#include "core/automation.h"
#include "core/automation_try.h"
#include "core/com/module.h"
#include "core/readonly.h"
#include "core/trace.h"
#include "word/ms_word.h"

using kal::CVariant;
using kal::Dispatch;
using kal::Missing;

namespace {
constexpr long kNoProtection = -1;
constexpr long kAllowOnlyComments = 1;
}  // namespace

int CMSWord::ProtectDocument(IDispatch* document) {
  if (!document) return 0;
  try {
    TraceW(L"CMSWord::ProtectDocument----------------------------");
    const Dispatch doc(document);
    long type = kNoProtection;
    if (FAILED(kal::TryGetLong(doc, L"ProtectionType", &type))) return 0;
    if (type != kNoProtection) {
      if (type == kAllowOnlyComments) {
        TraceW(L"CMSWord::ProtectDocument----------------------------wdAllowOnlyComments");
        return 1;
      }
      return 0;  // protected some other way: left as it is
    }
    TraceW(L"CMSWord::ProtectDocument----------------------------1");

    // Lives only for this call: never stored, traced or shown.
    const CVariant password(MakeProtectPassword());
    const CVariant noReset(true);

    CVariant savedValue;
    bool saved = true;
    const HRESULT hrSaved = doc.TryGet(L"Saved", &savedValue);
    if (SUCCEEDED(hrSaved) && FAILED(savedValue.ToBool(&saved))) saved = true;
    TraceW(L"CMSWord::ProtectDocument----------------------------2");

    // Word may refuse; the result is deliberately not examined (the timer stops either way).
    (void)doc.TryCall(L"Protect", nullptr, CVariant(kAllowOnlyComments), noReset, password, Missing(),
                      Missing());

    if (SUCCEEDED(hrSaved) && saved) {
      TraceW(L"CMSWord::ProtectDocument----------------------------3");
      doc.Put(L"Saved", true);
    }
    TraceW(L"KalMsAddin.dll CMSWord Protect Succeed.");
    return 1;
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::ProtectDocument _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::ProtectDocument Exception.\n");
  }
  return 0;
}

void CALLBACK CMSWord::LockWinDocTimer(HWND, UINT, UINT_PTR timerId, DWORD) {
  TraceW(L"LockWinDocTimer--------------------enter");
  CMSWord* addin = g_pWordAddin;
  if (addin) {
    TraceW(L"LockWinDocTimer--------------------logic");
    try {
      addin->OnLockTick(timerId);
    } catch (...) {
      TraceW(L"KalMsAddin.dll CMSWord::LockWinDocTimer Exception.\n");
    }
  }
  TraceW(L"LockWinDocTimer--------------------end");
}

void CMSWord::OnLockTick(UINT_PTR timerId) {
  CVariant doc;
  if (!m_pApplication || FAILED(Dispatch(m_pApplication.Get()).TryGet(L"ActiveDocument", &doc))) return;
  TraceW(L"KalMsAddin.dll CMSWord get_ActiveDocument Succeed.");
  if (ProtectDocument(doc.PeekDispatch())) {
    // The id Windows passed: thread timers are identified by it alone.
    if (::KillTimer(nullptr, timerId)) kal::CKalMsAddinModule::Instance().Unlock();  // locked at SetTimer
    if (m_nLockTimer == timerId) m_nLockTimer = 0;
    TraceW(L"KalMsAddin.dll CMSWord KillTimer Succeed.");
  }
}
