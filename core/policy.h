// The per-process watermark decision and the process-wide copy of the agent's watermark record.
// All lines written here are ungated (they appear whatever the trace switch says).
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/color_rule.h"
#include "exchange/exchange_layout.h"

struct CWatermarkPolicyCache {
  _PRINT_EXCHG_INFO record;  // the agent's record when the decision was for a watermark
  int32_t bInit;             // the decision has been made
  int32_t bResult;           // 1 watermark, 0 none
};

// Zero at load; written only by IsHasWatermark on the Office main thread.
extern CWatermarkPolicyCache WatermarkPolicyCache;

// 1 when this process carries a watermark. The first call past the exemption test decides
// for the life of the process; the exemption mutex is consulted on every call.
int IsHasWatermark();
// GetWatermark, then the line "GetWatermarkRoutine bSucceed=%d".
int GetWatermarkRoutine(void* dest, size_t bytes);
// 1 and min(bytes, 29,616) bytes of the agent's record copied when this process is due a
// watermark; 0 and nothing copied otherwise.
int GetWatermark(void* dest, size_t bytes);
// 1 when another component holds "Global\LumicODS_<EXE>_<pid>" for this Office process.
int CreateWaterMutex();
// Copies the cached record (29,616 bytes) and returns dest.
_PRINT_EXCHG_INFO* CopyWatermarkPolicy(_PRINT_EXCHG_INFO* dest);

// Appearance from the cached record.
COLORREF GetWatermarkColor();
unsigned int GetWatermarkFontSize();
unsigned int GetWatermarkTransparency();
std::wstring GetWatermarkFont();  // "宋体" when the field is empty
int IsWatermarkSlanted();         // 1 when watermarkHorizontal is 0

namespace kal {
// The decision rules with the process identity passed in, so they can be checked for any
// executable name and process id. GetWatermark and CreateWaterMutex call these with the
// identity of the current process.
int GetWatermarkFor(const std::wstring& exePath, DWORD processId, void* dest, size_t bytes);
int CreateWaterMutexFor(const std::wstring& exePath, DWORD processId);

// Text after the last backslash; empty when there is none.
std::wstring FileNameOfPath(const std::wstring& path);
// Lower-cased name contains winword.exe, powerpnt.exe or excel.exe.
bool IsOfficeProcessName(const std::wstring& lowerName);
// Name equals EXCEL.EXE, WINWORD.EXE or POWERPNT.EXE, ignoring case.
bool IsExemptableProcessName(const std::wstring& name);
// "Global\LumicODS_<upperName>_<pid>".
std::wstring ExemptionMutexName(const std::wstring& upperName, DWORD processId);
// Full path of the current process's main executable (empty on failure).
std::wstring CurrentProcessPath();
}  // namespace kal
