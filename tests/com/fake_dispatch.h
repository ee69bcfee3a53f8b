// A small in-test automation object: members by name, and a record of the last Invoke exactly
// as it arrived (DISPID, flags, DISPPARAMS copied), so tests can check what kal::Dispatch sends;
// and a counting controlling unknown.
#pragma once
#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/com_util.h"

namespace comtest {

struct CRecordedCall {
  DISPID dispId = DISPID_UNKNOWN;
  WORD flags = 0;
  std::vector<kal::CVariant> rgvarg;  // as passed: named first, positional reversed
  std::vector<DISPID> namedIds;
  bool resultRequested = false;
};

class CFakeDispatch final : public IDispatch {
 public:
  // A member's behaviour: fills result (may be null) or returns a failure; excep may be set.
  using Member = std::function<HRESULT(const CRecordedCall&, VARIANT* result, EXCEPINFO* excep)>;

  CFakeDispatch() = default;
  // Registers a member (case-insensitive name) under the given DISPID.
  void AddMember(const std::wstring& name, DISPID id, Member member = nullptr);
  // Registers a parameter name that GetIDsOfNames answers after the member name.
  void AddParamName(const std::wstring& name, DISPID id);

  const CRecordedCall& Last() const { return m_last; }
  int InvokeCount() const { return m_nInvokes; }
  LONG RefCount() const { return m_cRef; }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* argErr) override;

 private:
  static std::wstring Lower(std::wstring text);
  LONG m_cRef = 1;  // owned by the test on the stack; never deleted through Release
  std::map<std::wstring, DISPID> m_names;
  std::map<std::wstring, DISPID> m_params;
  std::map<DISPID, Member> m_members;
  CRecordedCall m_last;
  int m_nInvokes = 0;
};

// A controlling unknown living on the stack: counts its references and forwards queries for
// anything but IUnknown to m_inner (E_NOINTERFACE without one).
class CCountingUnknown final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }
  ULONG m_cRef = 1;
  Microsoft::WRL::ComPtr<IUnknown> m_inner;
};

}  // namespace comtest
