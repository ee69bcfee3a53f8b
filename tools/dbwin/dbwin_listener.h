// CDbwinListener: receives debugger-output lines of every process in the session through the
// DBWIN_BUFFER / DBWIN_BUFFER_READY / DBWIN_DATA_READY protocol, on a background thread.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "exchange/handle_owner.h"

namespace kal {

class CDbwinListener {
 public:
  // Called on the listener thread for each message; text is in the ANSI code page.
  using Callback = std::function<void(DWORD pid, const std::string& text)>;

  CDbwinListener() = default;
  CDbwinListener(const CDbwinListener&) = delete;
  CDbwinListener& operator=(const CDbwinListener&) = delete;
  ~CDbwinListener() { Stop(); }

  // False when the channel's objects cannot be created or another listener already owns them
  // (two listeners would steal each other's messages).
  bool Start(Callback callback);
  void Stop();
  bool Listening() const { return m_thread.joinable(); }

 private:
  void Run();

  Callback m_fnCallback;
  CHandleOwner m_hBufferReady;
  CHandleOwner m_hDataReady;
  CHandleOwner m_hBuffer;
  CViewOwner m_view;
  CHandleOwner m_hStop;
  std::thread m_thread;
};

// Splits one message into lines: '\n' ends a line, '\r' is dropped, and a trailing empty
// piece is not a line. A message without a newline is one line.
void SplitDbwinLines(const std::string& text, const std::function<void(const std::string&)>& fn);

}  // namespace kal
