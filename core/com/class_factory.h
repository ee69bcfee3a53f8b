// CClassFactory: the one class object of the module, parameterised by a class table row.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include "core/com/class_table.h"

namespace kal {

class CClassFactory final : public IClassFactory {
 public:
  explicit CClassFactory(const CClassEntry& entry) noexcept;
  ~CClassFactory();
  CClassFactory(const CClassFactory&) = delete;
  CClassFactory& operator=(const CClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // An outer unknown asks for aggregation; only IUnknown may be requested then.
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  volatile LONG m_cRef = 1;
  const CClassEntry& m_entry;
};

// DllGetClassObject's work: the class object of clsid (a row of table) queried for riid.
HRESULT GetClassObject(const CClassTable& table, REFCLSID clsid, REFIID riid, void** ppv) noexcept;

}  // namespace kal
