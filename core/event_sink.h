// Event sinks on Office's application dispinterfaces. CDispEventSink is one IDispatch sink with
// a sink id and the dispinterface IID it answers, connected and disconnected through the
// source's IConnectionPointContainer. CDispEventSinkT<T> dispatches each event through a const
// table DISPID -> member function of T; the handler receives the event's arguments in their
// natural (declaration) order, although COM passes them reversed in DISPPARAMS.rgvarg.
//
//   void DocumentOpen(IDispatch* document);
//   static const CDispEventSinkT<CMSWord>::Entry kEntries[] = {
//       KAL_SINK_ENTRY(CMSWord, 4, &CMSWord::DocumentOpen)};
//   CDispEventSinkT<CMSWord> m_sink{this, 1, DIID_ApplicationEvents2, kEntries};
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

namespace kal {

// The arguments of one event, indexed in natural order.
class CEventArgs {
 public:
  explicit CEventArgs(const DISPPARAMS* params) noexcept : m_pParams(params) {}
  // Number of positional arguments.
  UINT Count() const noexcept;
  // Argument i in natural order; an empty VARIANT when i is out of range.
  const VARIANT& At(UINT i) const noexcept;
  // The object of a VT_DISPATCH argument (also by reference); null otherwise. Not add-ref'd.
  IDispatch* DispatchAt(UINT i) const noexcept;
  // The target of a by-reference argument (for example Cancel flags); null otherwise.
  VARIANT_BOOL* BoolRefAt(UINT i) const noexcept;
  // Integer value of argument i (VariantChangeType rules); 0 when it does not convert.
  long LongAt(UINT i) const noexcept;
  // String of a VT_BSTR argument (also by reference); null otherwise. Not copied.
  BSTR BstrAt(UINT i) const noexcept;

 private:
  const DISPPARAMS* m_pParams;
};

class CDispEventSink : public IDispatch {
 public:
  // refOwner: when given, the sink's references are counted on that object (so a connected
  // sink keeps its owner alive); otherwise the sink does not count and lives as long as the
  // member or object that holds it.
  CDispEventSink(UINT sinkId, const IID& dispIid, IUnknown* refOwner = nullptr) noexcept;
  virtual ~CDispEventSink();
  CDispEventSink(const CDispEventSink&) = delete;
  CDispEventSink& operator=(const CDispEventSink&) = delete;

  UINT SinkId() const noexcept { return m_nSinkId; }
  const IID& DispIid() const noexcept { return m_dispIid; }
  bool IsAdvised() const noexcept { return m_dwCookie != 0; }
  DWORD Cookie() const noexcept { return m_dwCookie; }

  // Connects to source's connection point for the dispinterface. E_UNEXPECTED when already
  // connected; the source's HRESULT otherwise.
  HRESULT Advise(IUnknown* source) noexcept;
  // Disconnects; S_FALSE when not connected.
  HRESULT Unadvise() noexcept;

  // IUnknown: answers IUnknown, IDispatch and the dispinterface IID.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IDispatch: no type information; Invoke hands the event to OnEvent. Unknown DISPIDs and
  // handlers that throw still answer S_OK: the source never sees a failure.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* dispIds) override;
  STDMETHODIMP Invoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

 protected:
  // Handles one event; returns false when the DISPID has no handler.
  virtual bool OnEvent(DISPID dispId, const CEventArgs& args) = 0;

 private:
  UINT m_nSinkId;
  IID m_dispIid;
  IUnknown* m_pRefOwner;  // not counted here: the owner holds the sink
  Microsoft::WRL::ComPtr<IConnectionPoint> m_pConnectionPoint;
  DWORD m_dwCookie = 0;
};

namespace detail {
template <class P>
P EventArgAs(const CEventArgs& args, UINT i);
template <>
inline IDispatch* EventArgAs<IDispatch*>(const CEventArgs& args, UINT i) {
  return args.DispatchAt(i);
}
template <>
inline VARIANT_BOOL* EventArgAs<VARIANT_BOOL*>(const CEventArgs& args, UINT i) {
  return args.BoolRefAt(i);
}
template <>
inline long EventArgAs<long>(const CEventArgs& args, UINT i) {
  return args.LongAt(i);
}
template <>
inline BSTR EventArgAs<BSTR>(const CEventArgs& args, UINT i) {
  return args.BstrAt(i);
}
template <>
inline const CEventArgs& EventArgAs<const CEventArgs&>(const CEventArgs& args, UINT) {
  return args;
}
template <>
inline const VARIANT& EventArgAs<const VARIANT&>(const CEventArgs& args, UINT i) {
  return args.At(i);
}

// Calls a handler of form void (T::*)(P...) with the arguments converted in natural order; a
// parameter of type const CEventArgs& receives all arguments as they are.
template <auto Method>
struct CSinkThunk;
template <class T, class... P, void (T::*Method)(P...)>
struct CSinkThunk<Method> {
  static void Invoke(T* self, const CEventArgs& args) {
    Call(self, args, std::index_sequence_for<P...>{});
  }
  template <size_t... I>
  static void Call(T* self, const CEventArgs& args, std::index_sequence<I...>) {
    (void)args;
    (self->*Method)(EventArgAs<P>(args, static_cast<UINT>(I))...);
  }
};
}  // namespace detail

template <class T>
class CDispEventSinkT final : public CDispEventSink {
 public:
  struct Entry {
    DISPID dispId;
    void (*invoke)(T* self, const CEventArgs& args);
  };

  template <size_t N>
  CDispEventSinkT(T* owner, UINT sinkId, const IID& dispIid, const Entry (&entries)[N],
                  IUnknown* refOwner = nullptr) noexcept
      : CDispEventSink(sinkId, dispIid, refOwner), m_pOwner(owner), m_pEntries(entries),
        m_nEntries(N) {}
  // A sink without handlers: connected, every event answered S_OK without effect.
  CDispEventSinkT(T* owner, UINT sinkId, const IID& dispIid, IUnknown* refOwner = nullptr) noexcept
      : CDispEventSink(sinkId, dispIid, refOwner), m_pOwner(owner) {}

 protected:
  bool OnEvent(DISPID dispId, const CEventArgs& args) override {
    for (size_t i = 0; i < m_nEntries; ++i) {
      if (m_pEntries[i].dispId == dispId) {
        m_pEntries[i].invoke(m_pOwner, args);
        return true;
      }
    }
    return false;
  }

 private:
  T* m_pOwner;
  const Entry* m_pEntries = nullptr;
  size_t m_nEntries = 0;
};

}  // namespace kal

// One row of a sink table: KAL_SINK_ENTRY(CMSWord, 4, &CMSWord::DocumentOpen).
#define KAL_SINK_ENTRY(T, dispId, method) \
  { (dispId), &::kal::detail::CSinkThunk<method>::Invoke }
