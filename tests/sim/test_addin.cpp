// A small Word COM add-in used by the host tests. It records every call it gets from the
// host, one line each, in the file named by KALSIM_ADDIN_LOG: the connection calls, the
// events its sink receives (with the document's name), a thread timer firing in the host's
// message loop, and at DllCanUnloadNow how many of its objects are still alive.
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "core/office_interfaces.h"

using Microsoft::WRL::ComPtr;

namespace {

// {BA90DE31-AEF4-4750-A09C-BE4FAF19D1E0}
const CLSID kClsid = {0xba90de31, 0xaef4, 0x4750, {0xa0, 0x9c, 0xbe, 0x4f, 0xaf, 0x19, 0xd1, 0xe0}};
const wchar_t kProgId[] = L"KalSimTest.Addin";
const wchar_t kClsidText[] = L"{BA90DE31-AEF4-4750-A09C-BE4FAF19D1E0}";
const std::wstring kClsidKey = std::wstring(L"CLSID\\") + kClsidText;
const std::wstring kAddinKey =
    std::wstring(L"Software\\Microsoft\\Office\\Word\\Addins\\") + kProgId;

std::atomic<long> g_nObjects{0};
HMODULE g_hModule = nullptr;

// Appends a line to the log; S_OK, for the calls that only log.
HRESULT Log(const std::wstring& line) {
  wchar_t path[MAX_PATH];
  FILE* f =
      GetEnvironmentVariableW(L"KALSIM_ADDIN_LOG", path, MAX_PATH) ? _wfopen(path, L"ab") : nullptr;
  if (!f) return S_OK;
  int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), n, nullptr, nullptr);
  fprintf(f, "%s\n", utf8.c_str());
  fclose(f);
  return S_OK;
}

// Late-bound property read; VT_EMPTY on failure.
VARIANT GetProp(IDispatch* obj, const wchar_t* name) {
  VARIANT v;
  VariantInit(&v);
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (obj && SUCCEEDED(obj->GetIDsOfNames(IID_NULL, &n, 1, 0, &id)))
    obj->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr);
  return v;
}

// A string property ("" on failure).
std::wstring GetString(IDispatch* obj, const wchar_t* name) {
  VARIANT v = GetProp(obj, name);
  std::wstring out;
  if (SUCCEEDED(VariantChangeType(&v, &v, 0, VT_BSTR)) && v.bstrVal) out = v.bstrVal;
  VariantClear(&v);
  return out;
}

ComPtr<IDispatch> GetObject(IDispatch* obj, const wchar_t* name) {
  VARIANT v = GetProp(obj, name);
  ComPtr<IDispatch> out;
  if (v.vt == VT_DISPATCH) out = v.pdispVal;
  VariantClear(&v);
  return out;
}

// The counting and the empty IDispatch part of the add-in's objects, each of which counts
// itself among the module's live objects while it lives.
template <class... Interfaces>
class CObject : public Interfaces... {
 public:
  CObject() { ++g_nObjects; }
  virtual ~CObject() { --g_nObjects; }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG n = --m_cRef;
    if (!n) delete this;
    return n;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }

 private:
  std::atomic<ULONG> m_cRef{0};
};

class CEventSink : public CObject<IDispatch> {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != kal::DIID_Word_ApplicationEvents2)
      return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* dp, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    std::wstring line =
        L"event " + std::to_wstring(id) + L" args=" + std::to_wstring(dp ? dp->cArgs : 0);
    // The first argument is the last in rgvarg.
    if (dp && dp->cArgs > 0 && dp->rgvarg[dp->cArgs - 1].vt == VT_DISPATCH)
      line += L" first=" + GetString(dp->rgvarg[dp->cArgs - 1].pdispVal, L"Name");
    return Log(line);
  }
};

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  Log(L"timer fired");
}

class CAddin : public CObject<_IDTExtensibility2, IRibbonExtensibility> {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kal::IID_IDTExtensibility2)
      *ppv = static_cast<_IDTExtensibility2*>(this);
    else if (riid == kal::IID_IRibbonExtensibility)
      *ppv = static_cast<IRibbonExtensibility*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

  STDMETHODIMP OnConnection(IDispatch* app, ext_ConnectMode mode, IDispatch* inst,
                            SAFEARRAY** custom) override {
    HRESULT hr = app ? app->QueryInterface(kal::IID_Word_Application,
                                           reinterpret_cast<void**>(m_app.GetAddressOf()))
                     : E_POINTER;
    Log(L"OnConnection mode=" + std::to_wstring(mode) + L" qi=" + std::to_wstring(hr) + L" app=" +
        GetString(m_app.Get(), L"Name") + L" version=" + GetString(m_app.Get(), L"Version") +
        L" progid=" + GetString(inst, L"ProgId") + L" custom=" +
        std::to_wstring(custom && *custom ? (*custom)->rgsabound[0].cElements : 99));
    ComPtr<IConnectionPointContainer> cpc;
    if (m_app && SUCCEEDED(m_app.As(&cpc)) &&
        SUCCEEDED(cpc->FindConnectionPoint(kal::DIID_Word_ApplicationEvents2, &m_point))) {
      ComPtr<CEventSink> sink(new CEventSink);
      hr = m_point->Advise(sink.Get(), &m_dwCookie);
      Log(L"Advise hr=" + std::to_wstring(hr));
    }
    SetTimer(nullptr, 0, 100, OnTimer);
    return S_OK;
  }
  STDMETHODIMP OnDisconnection(ext_DisconnectMode mode, SAFEARRAY**) override {
    Log(L"OnDisconnection mode=" + std::to_wstring(mode));
    // Leaves the sink advised, as add-ins often do: the host must drop it.
    m_point.Reset();
    m_app.Reset();
    return S_OK;
  }
  STDMETHODIMP OnAddInsUpdate(SAFEARRAY**) override { return Log(L"OnAddInsUpdate"); }
  STDMETHODIMP OnStartupComplete(SAFEARRAY**) override {
    return Log(L"OnStartupComplete active=" +
               GetString(GetObject(m_app.Get(), L"ActiveDocument").Get(), L"Name"));
  }
  STDMETHODIMP OnBeginShutdown(SAFEARRAY**) override { return Log(L"OnBeginShutdown"); }
  STDMETHODIMP GetCustomUI(BSTR id, BSTR* xml) override {
    Log(std::wstring(L"GetCustomUI ") + (id ? id : L"(null)"));
    if (!xml) return E_POINTER;
    *xml = SysAllocString(
        L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><commands>"
        L"<command idMso=\"WatermarkRemove\" enabled=\"false\"/><command "
        L"idMso=\"WatermarkGallery\" enabled=\"false\"/>"
        L"</commands></customUI>");
    return S_OK;
  }

 private:
  ComPtr<IDispatch> m_app;
  ComPtr<IConnectionPoint> m_point;
  DWORD m_dwCookie = 0;
};

class CFactory : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // static object
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    ComPtr<CAddin> addin(new CAddin);
    Log(L"CreateInstance");
    return addin->QueryInterface(riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    lock ? ++g_nObjects : --g_nObjects;
    return S_OK;
  }
};

CFactory g_factory;

LSTATUS SetValue(HKEY root, const std::wstring& key, const wchar_t* name,
                 const std::wstring& value) {
  return RegSetKeyValueW(root, key.c_str(), name, REG_SZ, value.c_str(),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_hModule = module;
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() {
  long live = g_nObjects;
  Log(L"DllCanUnloadNow objects=" + std::to_wstring(live));
  return live == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(g_hModule, path, MAX_PATH);
  LSTATUS rc = SetValue(HKEY_CLASSES_ROOT, kClsidKey + L"\\InprocServer32", nullptr, path);
  if (rc == ERROR_SUCCESS)
    rc = SetValue(HKEY_CLASSES_ROOT, kClsidKey + L"\\InprocServer32", L"ThreadingModel",
                  L"Apartment");
  if (rc == ERROR_SUCCESS)
    rc = SetValue(HKEY_CLASSES_ROOT, std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText);
  DWORD load = 3;
  if (rc == ERROR_SUCCESS)
    rc = RegSetKeyValueW(HKEY_CURRENT_USER, kAddinKey.c_str(), L"LoadBehavior", REG_DWORD, &load,
                         sizeof(load));
  return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, kClsidKey.c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
  RegDeleteTreeW(HKEY_CURRENT_USER, kAddinKey.c_str());
  return S_OK;
}
