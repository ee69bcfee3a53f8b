// The watermark decision (IsHasWatermark, GetWatermark, CreateWaterMutex) and the cache.
#include "core/policy.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/list_parse.h"
#include "core/string_find.h"
#include "core/trace.h"
#include "exchange/tav_exchg.h"

CWatermarkPolicyCache WatermarkPolicyCache = {};

namespace {
struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

std::wstring Lower(std::wstring s) {
  if (!s.empty()) CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}
std::wstring Upper(std::wstring s) {
  if (!s.empty()) CharUpperBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}

CMyFileParse::Utf16 AnsiToUtf16(const std::string& ansi) {
  CMyFileParse::Utf16 out;
  if (ansi.empty()) return out;
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  if (n <= 0) return out;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
  out.assign(wide.begin(), wide.end());
  return out;
}

// Reads protectScreen and looks the lower-cased process name up in it. Memory exhaustion
// reads as "not listed": the process simply gets no watermark from the list.
bool IsListedForScreenProtection(CTavExchg& exchange, const std::wstring& lowerName) {
  try {
    std::vector<char> list(kal::kProtectScreenSize, '\0');
    exchange.GetprotectScreen(list.data());
    CstringFind names;
    CMyFileParse(&AnsiToUtf16).Parse(list.data(), list.size(), names);
    CMyFileParse::Utf16 key(lowerName.begin(), lowerName.end());
    return names.Find(key.c_str()) == 1;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

constexpr size_t kRecordBytes = sizeof(_PRINT_EXCHG_INFO);
}  // namespace

namespace kal {
std::wstring FileNameOfPath(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) return std::wstring();
  return path.substr(slash + 1);
}

bool IsOfficeProcessName(const std::wstring& lowerName) {
  return lowerName.find(L"winword.exe") != std::wstring::npos ||
         lowerName.find(L"powerpnt.exe") != std::wstring::npos ||
         lowerName.find(L"excel.exe") != std::wstring::npos;
}

bool IsExemptableProcessName(const std::wstring& name) {
  std::wstring lower = Lower(name);
  return lower == L"excel.exe" || lower == L"winword.exe" || lower == L"powerpnt.exe";
}

std::wstring ExemptionMutexName(const std::wstring& upperName, DWORD processId) {
  return L"Global\\LumicODS_" + upperName + L"_" + std::to_wstring(static_cast<long>(processId));
}

std::wstring CurrentProcessPath() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    if (buffer.size() >= 32768) return std::wstring();
    buffer.resize(buffer.size() * 2);
  }
}

int GetWatermarkFor(const std::wstring& exePath, DWORD processId, void* dest, size_t bytes) {
  // No backslash gives an empty name, which no Office name matches.
  std::wstring name = FileNameOfPath(Lower(exePath));
  if (!IsOfficeProcessName(name)) return 0;

  CTavExchg exchange;
  // Heap-held: the record is 29 KB and the list 40 KB, too much for an Office thread's stack.
  std::unique_ptr<_PRINT_EXCHG_INFO> policy(new (std::nothrow) _PRINT_EXCHG_INFO());
  if (!policy) return 0;
  exchange.GetPrintPolicy(*policy);
  if (policy->readWatermark == 0 || policy->watermodelflag != 0) {
    DebugOutFmtW(L"GetWatermark4 pOutuser->readWatermark=%d pOutuser->watermodelflag=%d",
                 policy->readWatermark, policy->watermodelflag);
    return 0;
  }

  if (exchange.GetInfo_doc(static_cast<unsigned int>(processId)) == 0) {
    if (policy->tavFileWatermark == 0) {
      DebugOutFmtW(L"GetWatermark5 Not support TAV file");
      return 0;
    }
  } else if (exchange.GetInfo_doc(static_cast<unsigned int>(processId), 1) == 0) {
    if (policy->smartFileWatermark == 0) return 0;
  } else {
    if (!IsListedForScreenProtection(exchange, name)) return 0;
    if (policy->smartFileWatermark == 0) return 0;
  }

  if (dest && bytes) std::memcpy(dest, policy.get(), bytes < kRecordBytes ? bytes : kRecordBytes);
  return 1;
}

int CreateWaterMutexFor(const std::wstring& exePath, DWORD processId) {
  size_t slash = exePath.find_last_of(L'\\');
  std::wstring upperName = Upper(slash == std::wstring::npos ? exePath : exePath.substr(slash + 1));
  if (!IsExemptableProcessName(upperName)) return 0;

  std::wstring mutexName = ExemptionMutexName(upperName, processId);
  UniqueHandle mutex(CreateMutexW(nullptr, FALSE, mutexName.c_str()));
  DWORD error = GetLastError();
  if (!mutex) {
    DebugOutFmtW(L"LumicODS KalMsAddin CreateWaterMutex is NULL %s PID %ld Last Error %ld",
                 upperName.c_str(), static_cast<long>(processId), static_cast<long>(error));
    return 0;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    DebugOutFmtW(L"LumicODS KalMsAddin CreateWaterMutex is already exist %s PID %ld Last Error %ld",
                 upperName.c_str(), static_cast<long>(processId), static_cast<long>(error));
    return 1;
  }
  return 0;
}
}  // namespace kal

int GetWatermark(void* dest, size_t bytes) {
  return kal::GetWatermarkFor(kal::CurrentProcessPath(), GetCurrentProcessId(), dest, bytes);
}

int GetWatermarkRoutine(void* dest, size_t bytes) {
  int succeeded = GetWatermark(dest, bytes);
  DebugOutFmtW(L"GetWatermarkRoutine bSucceed=%d", succeeded);
  return succeeded;
}

int CreateWaterMutex() {
  return kal::CreateWaterMutexFor(kal::CurrentProcessPath(), GetCurrentProcessId());
}

int IsHasWatermark() {
  if (CreateWaterMutex() == 1) return 0;
  if (WatermarkPolicyCache.bInit) return WatermarkPolicyCache.bResult;

  char userName[257] = {};
  CTavExchg().GetDefaultUserNameAndPsw(userName, nullptr, nullptr);
  if (userName[0] == '\0') {
    WatermarkPolicyCache.bResult = 0;
    WatermarkPolicyCache.bInit = 1;
    DebugOutFmtW(L"IsHasWatermark User Name Is Empty.");
    return 0;
  }

  std::memset(&WatermarkPolicyCache.record, 0, sizeof(WatermarkPolicyCache.record));
  WatermarkPolicyCache.bResult = GetWatermarkRoutine(&WatermarkPolicyCache.record, kRecordBytes);
  WatermarkPolicyCache.bInit = 1;
  DebugOutFmtW(L"IsHasWatermark bInit = false bResult=%d", WatermarkPolicyCache.bResult);
  return WatermarkPolicyCache.bResult;
}

_PRINT_EXCHG_INFO* CopyWatermarkPolicy(_PRINT_EXCHG_INFO* dest) {
  if (dest) std::memcpy(dest, &WatermarkPolicyCache.record, kRecordBytes);
  return dest;
}

COLORREF GetWatermarkColor() {
  const auto& field = WatermarkPolicyCache.record.watermarkColor;
  return static_cast<COLORREF>(ColorFromWatermarkText(field, sizeof(field) / sizeof(field[0])));
}

unsigned int GetWatermarkFontSize() { return WatermarkPolicyCache.record.watermarkFontSize; }

unsigned int GetWatermarkTransparency() {
  return WatermarkPolicyCache.record.watermarkTransparency;
}

std::wstring GetWatermarkFont() {
  const auto& field = WatermarkPolicyCache.record.watermarkFont;
  constexpr size_t kUnits = sizeof(field) / sizeof(field[0]);
  size_t n = 0;
  while (n < kUnits && field[n] != 0) ++n;
  if (n == 0) return L"\u5B8B\u4F53";  // 宋体 (SimSun)
  return std::wstring(field, field + n);
}

int IsWatermarkSlanted() { return WatermarkPolicyCache.record.watermarkHorizontal == 0 ? 1 : 0; }
