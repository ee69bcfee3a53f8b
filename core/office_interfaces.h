// Office add-in interfaces and the Office IIDs the add-ins ask for, declared from their public
// definitions (no Office headers exist for mingw). Shared by the add-ins and the simulator.
#pragma once
#include <windows.h>
#include <oaidl.h>

// ext_ConnectMode / ext_DisconnectMode values passed by Office.
enum ext_ConnectMode {
  ext_cm_AfterStartup = 0,
  ext_cm_Startup = 1,
  ext_cm_External = 2,
  ext_cm_CommandLine = 3
};
enum ext_DisconnectMode { ext_dm_HostShutdown = 0, ext_dm_UserClosed = 1 };

// AddInDesignerObjects._IDTExtensibility2 (dual).
struct _IDTExtensibility2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                                                 IDispatch* AddInInst, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode,
                                                    SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

// Office.IRibbonExtensibility (dual).
struct IRibbonExtensibility : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) = 0;
};

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(_IDTExtensibility2, 0xB65AD801, 0xABAF, 0x11D0, 0xBB, 0x8B, 0x00, 0xA0, 0xC9,
                0x0F, 0x27, 0x44)
__CRT_UUID_DECL(IRibbonExtensibility, 0x000C0396, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00,
                0x00, 0x00, 0x46)
#endif

namespace kal {
// {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}
constexpr IID IID_IDTExtensibility2 = {0xB65AD801, 0xABAF, 0x11D0,
                                       {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
// {000C0396-0000-0000-C000-000000000046}
constexpr IID IID_IRibbonExtensibility = {0x000C0396, 0x0000, 0x0000,
                                          {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Word: _Application, ApplicationEvents2 dispinterface, Word.Application class.
constexpr IID IID_Word_Application = {0x00020970, 0x0000, 0x0000,
                                      {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID DIID_Word_ApplicationEvents2 = {0x000209FE, 0x0000, 0x0000,
                                              {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr CLSID CLSID_Word_Application = {0x000209FF, 0x0000, 0x0000,
                                          {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Word ApplicationEvents2 DISPIDs.
enum WordAppEventDispId : DISPID {
  kWordEvtStartup = 1,
  kWordEvtQuit = 2,
  kWordEvtDocumentChange = 3,
  kWordEvtDocumentOpen = 4,
  kWordEvtDocumentBeforeClose = 6,
  kWordEvtDocumentBeforePrint = 7,
  kWordEvtDocumentBeforeSave = 8,
  kWordEvtNewDocument = 9,
  kWordEvtWindowActivate = 10,
  kWordEvtWindowDeactivate = 11,
  kWordEvtWindowSelectionChange = 12,
  kWordEvtWindowBeforeRightClick = 13,
  kWordEvtWindowBeforeDoubleClick = 14
};

// Excel: _Application, _Workbook, _Worksheet (chart sheets answer _Chart instead), the
// AppEvents dispinterface and the Excel.Application class.
constexpr IID IID_Excel_Application = {0x000208D5, 0x0000, 0x0000,
                                       {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IID_Excel_Workbook = {0x000208DA, 0x0000, 0x0000,
                                    {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IID_Excel_Worksheet = {0x000208D8, 0x0000, 0x0000,
                                     {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IID_Excel_Chart = {0x000208D6, 0x0000, 0x0000,
                                 {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID DIID_Excel_AppEvents = {0x00024413, 0x0000, 0x0000,
                                      {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr CLSID CLSID_Excel_Application = {0x00024500, 0x0000, 0x0000,
                                           {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Excel AppEvents DISPIDs.
enum ExcelAppEventDispId : DISPID {
  kExcelEvtWindowResize = 0x612,
  kExcelEvtWindowActivate = 0x614,
  kExcelEvtWindowDeactivate = 0x615,
  kExcelEvtSheetSelectionChange = 0x616,
  kExcelEvtSheetBeforeDoubleClick = 0x617,
  kExcelEvtSheetBeforeRightClick = 0x618,
  kExcelEvtSheetActivate = 0x619,
  kExcelEvtSheetDeactivate = 0x61A,
  kExcelEvtSheetCalculate = 0x61B,
  kExcelEvtSheetChange = 0x61C,
  kExcelEvtNewWorkbook = 0x61D,
  kExcelEvtWorkbookOpen = 0x61F,
  kExcelEvtWorkbookActivate = 0x620,
  kExcelEvtWorkbookDeactivate = 0x621,
  kExcelEvtWorkbookBeforeClose = 0x622,
  kExcelEvtWorkbookBeforeSave = 0x623,
  kExcelEvtWorkbookBeforePrint = 0x624,
  kExcelEvtWorkbookNewSheet = 0x625,
  kExcelEvtWorkbookAddinInstall = 0x626,
  kExcelEvtWorkbookAddinUninstall = 0x627
};

// The published namespace of the Office 2006/01 custom UI schema.
constexpr const wchar_t* kCustomUiNamespace = L"http://schemas.microsoft.com/office/2006/01/customui";
}  // namespace kal

// Declares, inside an add-in class, the _IDTExtensibility2 and IRibbonExtensibility methods
// that every add-in implements in its own lifecycle file.
#define KAL_ADDIN_OFFICE_METHODS                                                            \
  STDMETHODIMP OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,           \
                            IDispatch* AddInInst, SAFEARRAY** custom) override;            \
  STDMETHODIMP OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override; \
  STDMETHODIMP OnAddInsUpdate(SAFEARRAY** custom) override;                                 \
  STDMETHODIMP OnStartupComplete(SAFEARRAY** custom) override;                              \
  STDMETHODIMP OnBeginShutdown(SAFEARRAY** custom) override;                                \
  STDMETHODIMP GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;

// Defines an add-in class's COM identity: its QueryInterface table (the dual interface, which
// also answers IDispatch, then the two Office interfaces) and its create function.
#define KAL_ADDIN_COM_IDENTITY(T, Dual)                                           \
  const kal::CInterfaceEntry* T::InterfaceEntries() noexcept {                    \
    static const kal::CInterfaceEntry entries[] = {                               \
        KAL_INTERFACE_ENTRY(T, Dual),                                             \
        KAL_INTERFACE_ENTRY_IID(T, IID_IDispatch, Dual),                          \
        KAL_INTERFACE_ENTRY(T, _IDTExtensibility2),                               \
        KAL_INTERFACE_ENTRY(T, IRibbonExtensibility),                             \
        KAL_INTERFACE_TABLE_END,                                                  \
    };                                                                            \
    return entries;                                                               \
  }                                                                               \
  HRESULT T::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept { \
    return kal::CreateComObject<T>(outer, riid, ppv);                             \
  }
