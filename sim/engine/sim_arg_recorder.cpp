// The process-wide argument recorder (see sim_arg_recorder.h).
#include "sim/engine/sim_arg_recorder.h"

#include "sim/engine/member_table.h"
#include "sim/engine/sim_variant.h"

namespace kalsim {

namespace {
bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}
}  // namespace

CSimArgRecorder& CSimArgRecorder::Instance() {
  static CSimArgRecorder recorder;
  return recorder;
}

void CSimArgRecorder::Watch(const std::wstring& member, const std::wstring& param) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_watches.push_back(CWatch{member, param});
  m_bWatching = true;
}

void CSimArgRecorder::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_bWatching = false;
  m_watches.clear();
  m_values.clear();
}

std::vector<std::wstring> CSimArgRecorder::Values() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_values;
}

bool CSimArgRecorder::WriteTo(const std::wstring& path) const {
  std::string text;
  for (const auto& v : Values()) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, v.c_str(), static_cast<int>(v.size()), nullptr, 0, nullptr, nullptr);
    std::string line(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, v.c_str(), static_cast<int>(v.size()), &line[0], n, nullptr, nullptr);
    text += line + "\n";
  }
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == text.size();
}

void CSimArgRecorder::Offer(const CSimMember& member, const DISPPARAMS& params) {
  if (!m_bWatching) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& w : m_watches) {
    if (!SameName(w.strMember, member.strName)) continue;
    for (size_t p = 0; p < member.params.size(); ++p) {
      if (!SameName(w.strParam, member.params[p])) continue;
      try {
        const CSimArgs args(params, member.params.size());
        const VARIANT* value = args.Raw(p);
        if (!value) continue;
        CSimVariant text = CSimVariant::Copy(*value);
        if (SUCCEEDED(VariantChangeType(text.Ptr(), text.Ptr(), 0, VT_BSTR)) && V_BSTR(text.Ptr()))
          m_values.emplace_back(V_BSTR(text.Ptr()), SysStringLen(V_BSTR(text.Ptr())));
      } catch (...) {
        // Arguments the member itself will refuse (a bad named DISPID) record nothing.
      }
    }
  }
}

}  // namespace kalsim
