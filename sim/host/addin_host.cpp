// Office-style add-in loading and shutdown.
#include "sim/host/addin_host.h"

#include <algorithm>

#include "sim/engine/sim_dispatch.h"
#include "sim/host/host_log.h"

namespace kalsim {

using Microsoft::WRL::ComPtr;

namespace {

std::wstring Hex(HRESULT hr) {
  wchar_t buf[16];
  swprintf(buf, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

// Owner of a BSTR.
class CBstr {
 public:
  explicit CBstr(BSTR value = nullptr) : m_bstr(value) {}
  ~CBstr() { SysFreeString(m_bstr); }
  CBstr(const CBstr&) = delete;
  CBstr& operator=(const CBstr&) = delete;
  BSTR Get() const { return m_bstr; }
  BSTR* Out() {
    SysFreeString(m_bstr);
    m_bstr = nullptr;
    return &m_bstr;
  }

 private:
  BSTR m_bstr;
};

// An empty custom array as Office passes it; destroyed after the call.
class CCustomArray {
 public:
  CCustomArray() : m_psa(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
  ~CCustomArray() {
    if (m_psa) SafeArrayDestroy(m_psa);
  }
  CCustomArray(const CCustomArray&) = delete;
  CCustomArray& operator=(const CCustomArray&) = delete;
  SAFEARRAY** Ptr() { return &m_psa; }

 private:
  SAFEARRAY* m_psa;
};

// Office's COMAddIn object handed to OnConnection.
class CComAddIn : public CSimDispatch {
 public:
  explicit CComAddIn(std::wstring progId) : CSimDispatch(Table()), m_strProgId(std::move(progId)) {}
  static const CSimMemberTable& Table() {
    static CSimMemberTable table = [] {
      CSimMemberTable t(L"COMAddIn");
      using T = CComAddIn;
      CSimTableBuilder<T>(t)
          .Get(L"ProgId", [](T& o) { return CSimVariant::Str(o.m_strProgId); })
          .Get(L"Description", [](T& o) { return CSimVariant::Str(o.m_strProgId); })
          .Prop(L"Connect", [](T& o) { return CSimVariant::Bool(o.m_bConnect); },
                [](T& o, const VARIANT& v) { o.m_bConnect = ToBool(v); })
          .Prop(L"Object", [](T& o) { return o.m_object; },
                [](T& o, const VARIANT& v) { o.m_object = CSimVariant::Copy(v); });
      return t;
    }();
    return table;
  }
  std::wstring m_strProgId;
  bool m_bConnect = true;
  CSimVariant m_object;
};

// Adds the milliseconds that `call` took (by the performance counter) to `total`.
template <class F>
void TimedMs(double& total, F&& call) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  call();
  QueryPerformanceCounter(&end);
  total += 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Ms(double ms) {
  wchar_t buf[32];
  swprintf(buf, 32, L"%.3f", ms);
  return buf;
}

}  // namespace

void CAddinHost::LoadRegistered(ext_ConnectMode mode) {
  const std::wstring key = L"Software\\Microsoft\\Office\\" + m_strOfficeApp + L"\\Addins";
  std::vector<std::wstring> seen;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY hkey = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS) continue;
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD len = 256;
      if (RegEnumKeyExW(hkey, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.push_back(name);
    }
    RegCloseKey(hkey);
    for (const auto& progId : names) {
      DWORD behavior = 0, size = sizeof(behavior);
      if (RegGetValueW(root, (key + L"\\" + progId).c_str(), L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior,
                       &size) != ERROR_SUCCESS || behavior != 3)
        continue;
      // A user registration hides the machine one of the same add-in.
      auto same = [&](const std::wstring& s) { return CompareStringOrdinal(s.c_str(), -1, progId.c_str(), -1, TRUE) == CSTR_EQUAL; };
      if (std::any_of(seen.begin(), seen.end(), same)) continue;
      seen.push_back(progId);
      LoadOne(progId, mode);
    }
  }
}

void CAddinHost::LoadOne(const std::wstring& progId, ext_ConnectMode mode) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
  if (FAILED(hr)) {
    HostLog(L"addin " + progId + L" CLSIDFromProgID failed " + Hex(hr));
    return;
  }
  ComPtr<IUnknown> unk;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(unk.GetAddressOf()));
  if (FAILED(hr)) {
    HostLog(L"addin " + progId + L" CoCreateInstance failed " + Hex(hr));
    return;
  }
  CLoadedAddin addin;
  addin.strProgId = progId;
  // The module that implements the object: the one its vtable lives in.
  HMODULE module = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(*reinterpret_cast<void**>(unk.Get())), &module)) {
    wchar_t path[MAX_PATH];
    if (GetModuleFileNameW(module, path, MAX_PATH)) addin.strModule = path;
  }
  hr = unk->QueryInterface(kal::IID_IDTExtensibility2, reinterpret_cast<void**>(addin.pExt.GetAddressOf()));
  if (FAILED(hr)) {
    HostLog(L"addin " + progId + L" has no _IDTExtensibility2 " + Hex(hr));
    return;
  }
  addin.pAddInInst = MakeSim<CComAddIn>(progId)->AsDispatch();
  CCustomArray custom;
  TimedMs(addin.msStartup, [&] {
    addin.hrConnect = addin.pExt->OnConnection(m_pApplication, mode, addin.pAddInInst.Get(), custom.Ptr());
  });
  HostLog(L"addin " + progId + L" OnConnection mode=" + std::to_wstring(mode) + L" hr=" + Hex(addin.hrConnect));
  if (FAILED(addin.hrConnect)) {
    // Office unloads an add-in whose connection fails.
    addin.pExt.Reset();
    addin.pAddInInst.Reset();
  }
  m_addins.push_back(std::move(addin));
}

void CAddinHost::CustomizeRibbon(const std::wstring& ribbonId, const std::function<void(const std::wstring&)>& apply) {
  for (auto& a : m_addins) {
    if (!a.pExt) continue;
    ComPtr<IRibbonExtensibility> ribbon;
    if (FAILED(a.pExt.As(&ribbon))) {
      HostLog(L"addin " + a.strProgId + L" has no IRibbonExtensibility");
      continue;
    }
    CBstr id(SysAllocString(ribbonId.c_str()));
    CBstr xml;
    HRESULT hr = ribbon->GetCustomUI(id.Get(), xml.Out());
    a.strRibbonXml = xml.Get() ? std::wstring(xml.Get(), SysStringLen(xml.Get())) : L"";
    HostLog(L"addin " + a.strProgId + L" GetCustomUI " + ribbonId + L" hr=" + Hex(hr) + L" xml=" + a.strRibbonXml);
    if (SUCCEEDED(hr) && !a.strRibbonXml.empty()) apply(a.strRibbonXml);
  }
}

void CAddinHost::StartupComplete() {
  for (auto& a : m_addins) {
    if (!a.pExt) continue;
    CCustomArray custom;
    HRESULT hr = S_OK;
    TimedMs(a.msStartup, [&] { hr = a.pExt->OnStartupComplete(custom.Ptr()); });
    HostLog(L"addin " + a.strProgId + L" OnStartupComplete hr=" + Hex(hr));
    HostLog(L"addin " + a.strProgId + L" startup ms=" + Ms(a.msStartup));
  }
}

void CAddinHost::BeginShutdown() {
  for (auto& a : m_addins) {
    if (!a.pExt) continue;
    CCustomArray custom;
    HRESULT hr = S_OK;
    TimedMs(a.msShutdown, [&] { hr = a.pExt->OnBeginShutdown(custom.Ptr()); });
    HostLog(L"addin " + a.strProgId + L" OnBeginShutdown hr=" + Hex(hr));
  }
}

void CAddinHost::Disconnect() {
  for (auto& a : m_addins) {
    if (!a.pExt) continue;
    CCustomArray custom;
    HRESULT hr = S_OK;
    TimedMs(a.msShutdown, [&] { hr = a.pExt->OnDisconnection(ext_dm_HostShutdown, custom.Ptr()); });
    HostLog(L"addin " + a.strProgId + L" OnDisconnection hr=" + Hex(hr));
    HostLog(L"addin " + a.strProgId + L" shutdown ms=" + Ms(a.msShutdown));
    a.pExt.Reset();
    a.pAddInInst.Reset();
  }
}

void CAddinHost::CheckUnload() {
  for (auto& a : m_addins) {
    HMODULE module = a.strModule.empty() ? nullptr : GetModuleHandleW(a.strModule.c_str());
    if (!module) {
      HostLog(L"addin " + a.strProgId + L" module not loaded");
      continue;
    }
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    a.hrUnload = canUnload ? canUnload() : E_NOINTERFACE;
    HostLog(L"addin " + a.strProgId + L" DllCanUnloadNow hr=" + Hex(a.hrUnload));
  }
}

}  // namespace kalsim
