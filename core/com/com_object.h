// Reference counting, QueryInterface tables and aggregation for the module's COM classes.
//
// A class T derives from its interfaces and from CComObjectRoot, and declares
//   static const CInterfaceEntry* InterfaceEntries();   // table ending with {nullptr, nullptr}
// It implements no IUnknown method itself: CComObject<T> (stand-alone) or CComAggObject<T>
// (aggregated, with a non-delegating inner unknown) supplies them. Both hold a module lock for
// the object's lifetime, so DllCanUnloadNow answers S_FALSE while any object lives.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <new>

#include "core/com/module.h"

namespace kal {

// One row of a QueryInterface table: the IID and how to reach that interface from the object.
struct CInterfaceEntry {
  const IID* piid;
  void* (*cast)(void* object);
};

// Cast helper for table rows: KAL_INTERFACE_ENTRY(CMSWord, IMSWord).
template <class T, class I>
void* CastToInterface(void* object) {
  return static_cast<I*>(static_cast<T*>(object));
}
#define KAL_INTERFACE_ENTRY(T, I) \
  { &__uuidof(I), &::kal::CastToInterface<T, I> }
#define KAL_INTERFACE_ENTRY_IID(T, iid, I) \
  { &(iid), &::kal::CastToInterface<T, I> }
#define KAL_INTERFACE_TABLE_END \
  { nullptr, nullptr }

// Finds riid in the table; IUnknown is answered by the first row. The interface is returned
// without AddRef: the caller adds the reference through the right (outer or own) unknown.
void* FindInterface(void* object, const CInterfaceEntry* entries, REFIID riid) noexcept;

// Base for every COM class of the module: two-phase construction hooks and the controlling
// unknown of the object (the outer one when aggregated, the object itself otherwise).
class CComObjectRoot {
 public:
  // Called once after construction, before the first QueryInterface; failure destroys the
  // object and is returned from CreateInstance.
  HRESULT FinalConstruct() { return S_OK; }
  // Called once before destruction, while the object is still whole.
  void FinalRelease() {}

  // The unknown that owns this object's identity.
  IUnknown* ControllingUnknown() const noexcept { return m_pControllingUnknown; }

 protected:
  IUnknown* m_pControllingUnknown = nullptr;  // not counted: it owns us
  template <class T>
  friend class CComObject;
  template <class T>
  friend class CComContainedObject;
  template <class T>
  friend class CComAggObject;
};

// Stand-alone object: T with its own reference count.
template <class T>
class CComObject final : public T {
 public:
  CComObject() { CKalMsAddinModule::Instance().Lock(); }
  ~CComObject() { CKalMsAddinModule::Instance().Unlock(); }
  CComObject(const CComObject&) = delete;
  CComObject& operator=(const CComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = FindInterface(static_cast<T*>(this), T::InterfaceEntries(), riid);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_cRef)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG count = ::InterlockedDecrement(&m_cRef);
    if (count == 0) {
      m_cRef = 1;  // guards against re-entrant destruction from FinalRelease
      this->FinalRelease();
      delete this;
    }
    return static_cast<ULONG>(count);
  }

  // Creates the object and queries it for riid; the object dies if the query fails.
  static HRESULT CreateInstance(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* object = new (std::nothrow) CComObject<T>();
    if (!object) return E_OUTOFMEMORY;
    object->m_pControllingUnknown = reinterpret_cast<IUnknown*>(
        FindInterface(static_cast<T*>(object), T::InterfaceEntries(), __uuidof(IUnknown)));
    object->m_cRef = 1;  // keeps the object alive through FinalConstruct
    HRESULT hr = object->FinalConstruct();
    if (SUCCEEDED(hr)) hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }

 private:
  volatile LONG m_cRef = 0;
};

// T inside an aggregate: every IUnknown call of its interfaces goes to the outer unknown.
template <class T>
class CComContainedObject final : public T {
 public:
  explicit CComContainedObject(IUnknown* outer) { this->m_pControllingUnknown = outer; }
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    return this->m_pControllingUnknown->QueryInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return this->m_pControllingUnknown->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return this->m_pControllingUnknown->Release(); }
};

// The aggregate's inner, non-delegating unknown. The outer object holds it and asks it for the
// contained object's interfaces; references to those interfaces are counted on the outer.
template <class T>
class CComAggObject final : public IUnknown {
 public:
  explicit CComAggObject(IUnknown* outer) : m_contained(outer) {
    CKalMsAddinModule::Instance().Lock();
  }
  ~CComAggObject() { CKalMsAddinModule::Instance().Unlock(); }
  CComAggObject(const CComAggObject&) = delete;
  CComAggObject& operator=(const CComAggObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (::IsEqualIID(riid, __uuidof(IUnknown))) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    void* found = FindInterface(static_cast<T*>(&m_contained), T::InterfaceEntries(), riid);
    if (!found) return E_NOINTERFACE;
    *ppv = found;
    static_cast<IUnknown*>(found)->AddRef();  // goes to the outer unknown
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_cRef)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG count = ::InterlockedDecrement(&m_cRef);
    if (count == 0) {
      m_cRef = 1;
      m_contained.FinalRelease();
      delete this;
    }
    return static_cast<ULONG>(count);
  }

  // Creates the aggregate for outer; only IUnknown may be asked for (COM aggregation rule).
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!outer) return E_INVALIDARG;
    if (!::IsEqualIID(riid, __uuidof(IUnknown))) return CLASS_E_NOAGGREGATION;
    auto* object = new (std::nothrow) CComAggObject<T>(outer);
    if (!object) return E_OUTOFMEMORY;
    object->m_cRef = 1;
    HRESULT hr = object->m_contained.FinalConstruct();
    if (SUCCEEDED(hr)) hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }

 private:
  volatile LONG m_cRef = 0;
  CComContainedObject<T> m_contained;
};

// Create function of a class table row: stand-alone or aggregated as outer asks.
template <class T>
HRESULT CreateComObject(IUnknown* outer, REFIID riid, void** ppv) noexcept {
  if (outer) return CComAggObject<T>::CreateInstance(outer, riid, ppv);
  return CComObject<T>::CreateInstance(riid, ppv);
}

}  // namespace kal
