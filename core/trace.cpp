// Gated and ungated trace lines, formatted into a bounded UTF-16 buffer.
#include "core/trace.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>

bool g_bTraceOn = false;

namespace {
// _vsnwprintf is the runtime's own formatter, in which %s of a wide format takes UTF-16
// text (the C99 formatter that mingw may substitute for vswprintf reads %s as narrow text).
void FormatAndWrite(const wchar_t* format, va_list args) {
  if (!format) return;
  wchar_t buffer[kTraceBufferUnits];
  int n = _vsnwprintf(buffer, kTraceBufferUnits - 1, format, args);
  (void)n;  // -1 means cut: the buffer is full and the terminator below ends it
  buffer[kTraceBufferUnits - 1] = L'\0';
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
