// CMSWord: the COM add-in object that Word creates through the module's class object. This
// header holds the class, its COM identity and its state; the behaviour lives in the word/
// source files named for what they do (word_lifecycle.cpp, stamping.cpp, verification.cpp,
// protection.cpp).
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <vector>

#include "core/com/KalMsAddin_h.h"
#include "core/com/com_object.h"
#include "core/com/typeinfo_dispatch.h"
#include "core/automation.h"
#include "core/event_sink.h"
#include "core/office_interfaces.h"
#include "word/word_rules.h"

class CMSWord;

// The instance the timer callbacks work on; set when OnConnection starts a timer.
extern CMSWord* g_pWordAddin;
// The previous AtSeekViewPageHeader answer of the watermark timer.
extern int g_bLastInHeader;

class CMSWord : public IMSWord,
                public _IDTExtensibility2,
                public IRibbonExtensibility,
                public kal::CComObjectRoot {
 public:
  // Class table entry: creates a stand-alone or aggregated instance.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept;
  // IUnknown (first row), IDispatch, IMSWord, _IDTExtensibility2, IRibbonExtensibility.
  static const kal::CInterfaceEntry* InterfaceEntries() noexcept;

  // IDispatch of every dispatch base, from the type information of IMSWord.
  KAL_DISPATCH_FROM_TYPEINFO(IMSWord)

  // _IDTExtensibility2 and IRibbonExtensibility
  KAL_ADDIN_OFFICE_METHODS

  // ApplicationEvents2 handlers (sink 1).
  void DocumentOpen(IDispatch* document);
  void NewDocument(IDispatch* document);
  void DocumentChange();
  void WindowSelectionChange(IDispatch* selection);

  // Thread-timer procedures.
  static void CALLBACK WatermarkCheckTimer(HWND hwnd, UINT message, UINT_PTR timerId, DWORD time);
  static void CALLBACK LockWinDocTimer(HWND hwnd, UINT message, UINT_PTR timerId, DWORD time);

  // Stamping.
  HRESULT AddWordWatermarkOnActiveDocument(IDispatch* application,
                                           const kal::word::CWordWatermarkParams& params);
  HRESULT AddWordWatermarkOnSection(IDispatch* section, IDispatch* view, int sectionIndex,
                                    const kal::word::CWordWatermarkParams& params);
  HRESULT AddWordWatermarkOnShapes(IDispatch* shapes, int sectionIndex,
                                   const kal::word::CWordWatermarkParams& params);
  void DeleteWordWatermark();

  // Verification.
  int AtSeekViewPageHeader(IDispatch* application);
  int CheckWordWatermark(IDispatch* application, const kal::word::CWordWatermarkParams& params);
  int CheckWordWatermarkBySection(IDispatch* section, const kal::word::CWordWatermarkParams& params);
  // The document-level steps of the check around a per-section count of intact shapes:
  // CheckWordWatermark gives it the replaying walk, tests the literal one.
  int CheckEverySection(IDispatch* application, const std::function<int(IDispatch* section)>& bySection);
  int ChkWordWatermarkOnShape(IDispatch* shape, const kal::word::CWordWatermarkParams& params);

  // Protection.
  int ProtectDocument(IDispatch* document);

  // Guards. True when the template was there (its trace line written).
  bool MarkNormalTemplateSaved();
  HRESULT DisableBackgroundCommands(IDispatch* application);

  // State, for the timers and for tests that inspect the object.
  bool IsAdvised() const noexcept { return m_bAdvised != 0; }
  bool IsRibbonHost() const noexcept { return m_bRibbonHost != 0; }
  bool IsStamping() const noexcept { return m_bStamping != 0; }
  UINT_PTR WatermarkTimerId() const noexcept { return m_nWatermarkTimer; }
  UINT_PTR LockTimerId() const noexcept { return m_nLockTimer; }

 protected:
  CMSWord();
  ~CMSWord();

 private:
  // The watermark as the cached policy gives it now.
  static kal::word::CWordWatermarkParams CollectWatermarkParams();
  void StampActiveDocumentOnEvent(const wchar_t* traceLine);
  void OnWatermarkTick();
  void OnLockTick(UINT_PTR timerId);
  void DisableBackgroundInBar(IDispatch* controls);
  HRESULT StampAllSections(const kal::Dispatch& app, const kal::Dispatch& doc,
                           const kal::word::CWordWatermarkParams& params);
  void ReturnToDocumentBody(const kal::Dispatch& app, const kal::Dispatch& window,
                            const kal::Dispatch& view, const kal::Dispatch& sections);
  void DeleteWatermarkInSection(const kal::Dispatch& app, const kal::Dispatch& sections, long i);
  kal::word::CShapeFacts ReadShapeFacts(IDispatch* shape);
  static void TraceTemplateSaved();

  // What one walk over a header's shapes saw of one shape: enough to give its trace lines and
  // its verdict again without asking Word.
  struct CShapeVisit {
    HRESULT hrItem = S_OK;
    HRESULT hrName = S_OK;
    std::wstring name;
    kal::word::CShapeFacts facts;  // read when the name carries the stamp prefix
  };
  // One check's memory: the walk over the document's header shapes, and whether the Normal
  // template was marked saved yet (-1 not yet, 0 no template, 1 marked).
  struct CCheckMemory {
    bool walked = false;
    long count = 0;
    std::vector<CShapeVisit> visits;
    int templateMarked = -1;
  };
  int CheckSection(IDispatch* section, const kal::word::CWordWatermarkParams& params, CCheckMemory* memory);
  int ReportShapeVisit(long index, const CShapeVisit& visit, const kal::word::CWordWatermarkParams& params,
                       CCheckMemory* memory);
  int ReportShapeCheck(const kal::word::CShapeFacts& facts, const kal::word::CWordWatermarkParams& params,
                       CCheckMemory* memory);
  void MarkTemplateDuringCheck(CCheckMemory* memory);

  Microsoft::WRL::ComPtr<IDispatch> m_pApplication;
  Microsoft::WRL::ComPtr<IDispatch> m_pSinkApp1;
  Microsoft::WRL::ComPtr<IDispatch> m_pSinkApp2;
  kal::CDispEventSinkT<CMSWord> m_sink1;
  kal::CDispEventSinkT<CMSWord> m_sink2;
  int32_t m_bAdvised = 0;
  int32_t m_bRibbonHost = 0;
  int32_t m_bStamping = 0;
  UINT_PTR m_nWatermarkTimer = 0;
  UINT_PTR m_nLockTimer = 0;
};
