// Fault injection: a test or a scenario makes a named member of a named object kind fail
// with a chosen HRESULT, on every call or on its n-th call only. CSimDispatch::Invoke asks
// before the member runs; name lookup (GetIDsOfNames) is never affected, so an unknown member
// still fails with DISP_E_UNKNOWNNAME. A fault on a property covers its get and its put alike,
// and they count as calls of the same member.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace kalsim {

struct CSimFault {
  std::wstring strKind;         // object kind as registered in its member table ("Document"), case-insensitive
  std::wstring strMember;       // member name, case-insensitive ("Protect")
  HRESULT hr = E_FAIL;          // the failure
  std::wstring strDescription;  // non-empty: DISP_E_EXCEPTION with EXCEPINFO{scode = hr, description}
  long nCall = 0;               // 0: every call; n: only the n-th call from when the fault was added
};

class CSimFaults {  // process-wide, thread-safe
 public:
  static CSimFaults& Instance();
  void Add(CSimFault fault);
  void Clear();
  // Called by CSimDispatch::Invoke before the member runs: true when this call must fail.
  bool Match(const std::wstring& kind, const std::wstring& member, HRESULT* hr, std::wstring* description);

 private:
  struct CEntry {
    CSimFault fault;
    long nCalls = 0;  // calls of the member seen since the fault was added
  };
  std::mutex m_mutex;
  std::vector<CEntry> m_entries;
};

// Parses "<Kind>.<Member> <hresult> [every|<n>] [description text]" (the words after "fail"
// in a scenario line; the HRESULT in hexadecimal 0x... or decimal). False with `error` set
// when the text is not a fault.
bool ParseSimFault(const std::wstring& text, CSimFault* fault, std::wstring* error);

}  // namespace kalsim
