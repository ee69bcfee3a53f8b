// The host log (UTF-8 lines).
#include "sim/host/host_log.h"

#include "sim/engine/call_counter.h"
#include "sim/word/word_json.h"

namespace kalsim {

CHostLog& CHostLog::Instance() {
  static CHostLog log;
  return log;
}

void CHostLog::Open(const std::wstring& path) {
  if (!path.empty()) m_file.reset(_wfopen(path.c_str(), L"ab"));
}

void CHostLog::Line(const std::wstring& text) {
  std::string utf8 = word::ToUtf8(text) + "\n";
  fputs(utf8.c_str(), stdout);
  fflush(stdout);
  if (m_file) {
    fputs(utf8.c_str(), m_file.get());
    fflush(m_file.get());
  }
}

void LogAutomationCalls() {
  const auto& counter = CSimCallCounter::Instance();
  HostLog(L"automation calls total=" + std::to_wstring(counter.Total()));
  for (const auto& [member, count] : counter.Snapshot())
    HostLog(L"automation calls " + member + L"=" + std::to_wstring(count));
}

}  // namespace kalsim
