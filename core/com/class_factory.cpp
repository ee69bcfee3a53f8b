// The generic class factory. It holds a module lock while it lives, so a client that keeps a
// class object keeps the module loaded, as COM expects of in-process servers.
#include "core/com/class_factory.h"

#include <new>

#include "core/com/module.h"

namespace kal {

CClassFactory::CClassFactory(const CClassEntry& entry) noexcept : m_entry(entry) {
  CKalMsAddinModule::Instance().Lock();
}

CClassFactory::~CClassFactory() { CKalMsAddinModule::Instance().Unlock(); }

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (::IsEqualIID(riid, IID_IUnknown) || ::IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
  const LONG count = ::InterlockedDecrement(&m_cRef);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer && !::IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  return m_entry.create(outer, riid, ppv);
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
  if (lock) {
    CKalMsAddinModule::Instance().Lock();
  } else {
    CKalMsAddinModule::Instance().Unlock();
  }
  return S_OK;
}

HRESULT GetClassObject(const CClassTable& table, REFCLSID clsid, REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  const CClassEntry* entry = FindClassEntry(table, clsid);
  if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) CClassFactory(*entry);
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

}  // namespace kal
