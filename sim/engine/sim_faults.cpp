// The process-wide fault list of the simulator and the scenario form of a fault.
#include "sim/engine/sim_faults.h"

#include <cwctype>

namespace kalsim {

namespace {
bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// The next blank-separated word of `text` from `pos`; empty at the end.
std::wstring NextWord(const std::wstring& text, size_t& pos) {
  while (pos < text.size() && std::iswspace(text[pos])) ++pos;
  const size_t start = pos;
  while (pos < text.size() && !std::iswspace(text[pos])) ++pos;
  return text.substr(start, pos - start);
}
}  // namespace

CSimFaults& CSimFaults::Instance() {
  static CSimFaults faults;
  return faults;
}

void CSimFaults::Add(CSimFault fault) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_entries.push_back(CEntry{std::move(fault), 0});
}

void CSimFaults::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_entries.clear();
}

bool CSimFaults::Match(const std::wstring& kind, const std::wstring& member, HRESULT* hr,
                       std::wstring* description) {
  std::lock_guard<std::mutex> lock(m_mutex);
  bool fail = false;
  for (CEntry& e : m_entries) {
    if (!SameName(e.fault.strKind, kind) || !SameName(e.fault.strMember, member)) continue;
    ++e.nCalls;  // every matching fault counts the call, so each keeps its own n
    if (fail || (e.fault.nCall != 0 && e.fault.nCall != e.nCalls)) continue;
    fail = true;
    if (hr) *hr = e.fault.hr;
    if (description) *description = e.fault.strDescription;
  }
  return fail;
}

bool ParseSimFault(const std::wstring& text, CSimFault* fault, std::wstring* error) {
  auto bad = [&](const wchar_t* why) {
    if (error) *error = why;
    return false;
  };
  size_t pos = 0;
  const std::wstring target = NextWord(text, pos);
  const size_t dot = target.find(L'.');
  if (dot == std::wstring::npos || dot == 0 || dot + 1 == target.size()) return bad(L"expected <Kind>.<Member>");
  CSimFault f;
  f.strKind = target.substr(0, dot);
  f.strMember = target.substr(dot + 1);
  const std::wstring code = NextWord(text, pos);
  if (code.empty()) return bad(L"missing HRESULT");
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(code.c_str(), &end, 0);
  if (!end || *end || value > 0xFFFFFFFFul) return bad(L"bad HRESULT");
  f.hr = static_cast<HRESULT>(value);
  if (!FAILED(f.hr)) return bad(L"the HRESULT must be a failure");
  size_t afterCount = pos;
  const std::wstring when = NextWord(text, afterCount);
  if (when == L"every") {
    pos = afterCount;
  } else if (!when.empty() && std::iswdigit(when[0])) {
    const long n = std::wcstol(when.c_str(), &end, 10);
    if (!end || *end || n < 1) return bad(L"the call number must be 1 or more");
    f.nCall = n;
    pos = afterCount;
  }
  while (pos < text.size() && std::iswspace(text[pos])) ++pos;
  f.strDescription = text.substr(pos);
  *fault = std::move(f);
  return true;
}

}  // namespace kalsim
