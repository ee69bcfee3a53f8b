// kaltest::CDbwinCapture: collects debugger-output lines (OutputDebugString of any process in
// the prefix) from construction until destruction, for tests that assert trace lines.
#pragma once
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "tools/dbwin/dbwin_listener.h"

namespace kaltest {

struct CDbwinLine {
  DWORD pid = 0;
  std::string text;  // ANSI code page, without the line end
};

class CDbwinCapture {
 public:
  // Starts listening at once; Listening() is false when the channel was taken.
  CDbwinCapture();
  CDbwinCapture(const CDbwinCapture&) = delete;
  CDbwinCapture& operator=(const CDbwinCapture&) = delete;
  ~CDbwinCapture();

  bool Listening() const { return m_listener.Listening(); }
  // The queries below first Drain(), so a line written before the query is never missed
  // because the listener had not taken it yet.
  // Every line so far (a message with several '\n' gives several lines).
  std::vector<std::string> Lines() const;
  std::vector<CDbwinLine> Entries() const;
  // Lines of one process only.
  std::vector<std::string> LinesOf(DWORD pid) const;
  // True as soon as some line contains the substring; false after timeoutMs.
  bool WaitFor(const std::string& substring, DWORD timeoutMs);
  bool Contains(const std::string& substring) const;
  size_t Count(const std::string& substring) const;
  // Forgets the lines captured so far.
  void Clear();
  // Returns once every line written before the call has been captured: the channel serves one
  // writer at a time and the listener takes a line before it frees the buffer, so a marker of
  // this process's own that arrives comes after all of them. The marker is not kept.
  bool Drain(DWORD timeoutMs = 30000) const;

 private:
  void OnMessage(DWORD pid, const std::string& text);

  mutable std::mutex m_mutex;
  mutable std::condition_variable m_cvLine;
  mutable std::vector<CDbwinLine> m_lines;
  kal::CDbwinListener m_listener;  // last: stopped before the lines go away
};

}  // namespace kaltest
