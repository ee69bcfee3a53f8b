// Trace output on the debugger channel: gated lines (TraceW, TraceFmtW) for the add-ins'
// progress, ungated lines (DebugOutFmtW) for the exchange, policy and read-only messages.
// Lines carry no time stamp or level; user text is only ever passed as a %s argument.
#pragma once
#include <cstddef>
#include <string>

// Set from [DebugLog] KalMsAddin of KalConfig.ini beside the module (see config.h).
extern bool g_bTraceOn;

// Units of the formatting buffer; longer output is cut to kTraceBufferUnits - 1 units.
constexpr size_t kTraceBufferUnits = 4096;

// Writes the text unchanged when tracing is on.
void TraceW(const wchar_t* text);
// printf-style, %s takes UTF-16 text; written when tracing is on.
void TraceFmtW(const wchar_t* format, ...);
// Same formatting, written whatever the trace switch says.
void DebugOutFmtW(const wchar_t* format, ...);

// The text a format and its arguments give, cut as the trace functions cut it.
std::wstring FormatTraceW(const wchar_t* format, ...);
