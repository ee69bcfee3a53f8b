// Local-server registration and class objects of the simulator hosts.
#include "sim/host/local_server.h"

#include <atomic>

#include "core/office_interfaces.h"
#include "sim/host/host_log.h"

namespace kalsim {

namespace {

const CLocalServerClass kWordClass = {L"Word.Application", L"{000209FF-0000-0000-C000-000000000046}",
                                      L"Microsoft Word Application"};

LSTATUS SetDefault(const std::wstring& key, const std::wstring& value) {
  return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

class CAppClassFactory : public IClassFactory {
 public:
  CAppClassFactory(IDispatch* app, bool* served) : m_pApp(app), m_pServed(served) {}
  virtual ~CAppClassFactory() = default;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG n = --m_cRef;
    if (n == 0) delete this;
    return n;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    HRESULT hr = m_pApp->QueryInterface(riid, ppv);
    if (SUCCEEDED(hr)) *m_pServed = true;
    HostLog(L"server CreateInstance hr=" + std::to_wstring(hr));
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  std::atomic<ULONG> m_cRef{0};
  // Not counted: the host watches the application's count fall back to detect the last
  // client release, and it revokes this class object before the application goes away.
  IDispatch* m_pApp;
  bool* m_pServed;
};

}  // namespace

HRESULT RegisterLocalServer(const CLocalServerClass& cls, const std::wstring& exePath) {
  const std::wstring progId = cls.progId;
  const std::wstring clsidKey = std::wstring(L"CLSID\\") + cls.clsid;
  LSTATUS rc = SetDefault(progId, cls.description);
  if (rc == ERROR_SUCCESS) rc = SetDefault(progId + L"\\CLSID", cls.clsid);
  if (rc == ERROR_SUCCESS) rc = SetDefault(clsidKey, cls.description);
  if (rc == ERROR_SUCCESS) rc = SetDefault(clsidKey + L"\\ProgID", progId);
  // Wine appends " -Embedding" to this command line itself.
  if (rc == ERROR_SUCCESS) rc = SetDefault(clsidKey + L"\\LocalServer32", L"\"" + exePath + L"\" /automation");
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  Microsoft::WRL::ComPtr<ITypeLib> typeLib;
  return LoadTypeLibEx(exePath.c_str(), REGKIND_REGISTER, &typeLib);
}

HRESULT UnregisterLocalServer(const CLocalServerClass& cls, const std::wstring& exePath) {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, cls.progId);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + cls.clsid).c_str());
  Microsoft::WRL::ComPtr<ITypeLib> typeLib;
  if (SUCCEEDED(LoadTypeLibEx(exePath.c_str(), REGKIND_NONE, &typeLib))) {
    TLIBATTR* attr = nullptr;
    if (SUCCEEDED(typeLib->GetLibAttr(&attr))) {
      UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
      typeLib->ReleaseTLibAttr(attr);
    }
  }
  return S_OK;
}

HRESULT ServeApplication(const CLSID& clsid, IDispatch* application, bool* served, DWORD* cookie) {
  Microsoft::WRL::ComPtr<CAppClassFactory> factory(new CAppClassFactory(application, served));
  return CoRegisterClassObject(clsid, factory.Get(), CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, cookie);
}

HRESULT RegisterWordServer(const std::wstring& exePath) { return RegisterLocalServer(kWordClass, exePath); }

HRESULT UnregisterWordServer(const std::wstring& exePath) { return UnregisterLocalServer(kWordClass, exePath); }

HRESULT ServeWordApplication(IDispatch* application, bool* served, DWORD* cookie) {
  return ServeApplication(kal::CLSID_Word_Application, application, served, cookie);
}

}  // namespace kalsim
