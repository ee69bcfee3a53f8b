// kaltest::CDbwinCapture over the shared debugger-output listener.
#include "tests/support/dbwin_capture.h"

#include <chrono>

namespace kaltest {

CDbwinCapture::CDbwinCapture() {
  m_listener.Start([this](DWORD pid, const std::string& text) { OnMessage(pid, text); });
}

CDbwinCapture::~CDbwinCapture() { m_listener.Stop(); }

void CDbwinCapture::OnMessage(DWORD pid, const std::string& text) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    kal::SplitDbwinLines(text, [&](const std::string& line) { m_lines.push_back({pid, line}); });
  }
  m_cvLine.notify_all();
}

std::vector<std::string> CDbwinCapture::Lines() const {
  Drain();
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<std::string> out;
  for (auto& l : m_lines) out.push_back(l.text);
  return out;
}

std::vector<CDbwinLine> CDbwinCapture::Entries() const {
  Drain();
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lines;
}

std::vector<std::string> CDbwinCapture::LinesOf(DWORD pid) const {
  Drain();
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<std::string> out;
  for (auto& l : m_lines)
    if (l.pid == pid) out.push_back(l.text);
  return out;
}

bool CDbwinCapture::WaitFor(const std::string& substring, DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_cvLine.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    for (auto& l : m_lines)
      if (l.text.find(substring) != std::string::npos) return true;
    return false;
  });
}

bool CDbwinCapture::Contains(const std::string& substring) const { return Count(substring) > 0; }

size_t CDbwinCapture::Count(const std::string& substring) const {
  Drain();
  std::lock_guard<std::mutex> lock(m_mutex);
  size_t n = 0;
  for (auto& l : m_lines)
    if (l.text.find(substring) != std::string::npos) ++n;
  return n;
}

bool CDbwinCapture::Drain(DWORD timeoutMs) const {
  if (!Listening()) return false;
  static LONG s_nMarker = 0;
  const std::string marker = "kaltest drain " + std::to_string(::GetCurrentProcessId()) + " " +
                             std::to_string(::InterlockedIncrement(&s_nMarker));
  ::OutputDebugStringA(marker.c_str());
  std::unique_lock<std::mutex> lock(m_mutex);
  const bool arrived = m_cvLine.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    for (auto& l : m_lines)
      if (l.text == marker) return true;
    return false;
  });
  for (auto it = m_lines.begin(); it != m_lines.end(); ++it)
    if (it->text == marker) {
      m_lines.erase(it);
      break;
    }
  return arrived;
}

void CDbwinCapture::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lines.clear();
}

}  // namespace kaltest
