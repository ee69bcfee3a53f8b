// Debugger-output listener shared by kaltrace.exe and the test support.
#include "tools/dbwin/dbwin_listener.h"

#include <cstring>

namespace kal {
namespace {
constexpr DWORD kBufferBytes = 4096;

HANDLE CreateFresh(HANDLE h, bool* existed) {
  if (h && GetLastError() == ERROR_ALREADY_EXISTS) *existed = true;
  return h;
}
}  // namespace

bool CDbwinListener::Start(Callback callback) {
  if (Listening()) return false;
  bool existed = false;
  m_hBufferReady.Reset(
      CreateFresh(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"), &existed));
  m_hDataReady.Reset(
      CreateFresh(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"), &existed));
  m_hBuffer.Reset(CreateFresh(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                 kBufferBytes, L"DBWIN_BUFFER"),
                              &existed));
  m_hStop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (existed || !m_hBufferReady || !m_hDataReady || !m_hBuffer || !m_hStop) {
    Stop();
    return false;
  }
  m_view.Reset(MapViewOfFile(m_hBuffer.Get(), FILE_MAP_READ, 0, 0, kBufferBytes));
  if (!m_view) {
    Stop();
    return false;
  }
  m_fnCallback = std::move(callback);
  m_thread = std::thread([this] { Run(); });
  return true;
}

void CDbwinListener::Stop() {
  if (m_thread.joinable()) {
    SetEvent(m_hStop.Get());
    m_thread.join();
  }
  m_view.Reset();
  m_hBuffer.Reset();
  m_hDataReady.Reset();
  m_hBufferReady.Reset();
  m_hStop.Reset();
}

void CDbwinListener::Run() {
  const HANDLE waits[2] = {m_hDataReady.Get(), m_hStop.Get()};
  const char* base = static_cast<const char*>(m_view.Get());
  for (;;) {
    SetEvent(m_hBufferReady.Get());
    // A writer that took the buffer and ended before it signalled its data (a process
    // terminated inside OutputDebugString) would leave every later writer waiting out its
    // timeout and dropping its line: the buffer is offered again after a quiet second.
    // Writers hold "DBWinMutex" from taking the buffer to signalling, so no two can meet.
    DWORD woke;
    while ((woke = WaitForMultipleObjects(2, waits, FALSE, 1000)) == WAIT_TIMEOUT) SetEvent(m_hBufferReady.Get());
    if (woke != WAIT_OBJECT_0) return;
    DWORD pid = 0;
    std::memcpy(&pid, base, sizeof(pid));
    const char* text = base + sizeof(DWORD);
    std::string line(text, strnlen(text, kBufferBytes - sizeof(DWORD)));
    if (m_fnCallback) m_fnCallback(pid, line);
  }
}

void SplitDbwinLines(const std::string& text, const std::function<void(const std::string&)>& fn) {
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      fn(line);
      line.clear();
    } else if (c != '\r') {
      line.push_back(c);
    }
  }
  if (!line.empty()) fn(line);
}

}  // namespace kal
