// Gated and ungated trace lines, formatted into a bounded UTF-16 buffer.
#include "core/trace.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>

bool g_bTraceOn = false;

namespace {
// Formats into buffer (kTraceBufferUnits units); the result is always terminated.
// _vsnwprintf is the runtime's own formatter, in which %s of a wide format takes UTF-16
// text (the C99 formatter that mingw may substitute for vswprintf reads %s as narrow text).
void FormatInto(wchar_t (&buffer)[kTraceBufferUnits], const wchar_t* format, va_list args) {
  buffer[0] = L'\0';
  if (!format) return;
  int n = _vsnwprintf(buffer, kTraceBufferUnits - 1, format, args);
  (void)n;  // -1 means cut: the buffer is full and the terminator below ends it
  buffer[kTraceBufferUnits - 1] = L'\0';
}

void FormatAndWrite(const wchar_t* format, va_list args) {
  if (!format) return;
  wchar_t buffer[kTraceBufferUnits];
  FormatInto(buffer, format, args);
  OutputDebugStringW(buffer);
}
}  // namespace

void TraceW(const wchar_t* text) {
  if (!g_bTraceOn || !text) return;
  OutputDebugStringW(text);
}

void TraceFmtW(const wchar_t* format, ...) {
  if (!g_bTraceOn) return;
  va_list args;
  va_start(args, format);
  FormatAndWrite(format, args);
  va_end(args);
}

void DebugOutFmtW(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  FormatAndWrite(format, args);
  va_end(args);
}

std::wstring FormatTraceW(const wchar_t* format, ...) {
  wchar_t buffer[kTraceBufferUnits];
  va_list args;
  va_start(args, format);
  FormatInto(buffer, format, args);
  va_end(args);
  return buffer;
}
