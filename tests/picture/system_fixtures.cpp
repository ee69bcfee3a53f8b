// Scoped machine-state changes for the picture tests.
#include "tests/picture/system_fixtures.h"

#include <algorithm>
#include <cwchar>
#include <cstring>

namespace pictest {
namespace {
const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValue[] = L"TavRegedit";

HKEY OpenRun(REGSAM view) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}
}  // namespace

CScopedRunValue::CScopedRunValue(REGSAM view) : m_view(view) {
  HKEY key = OpenRun(m_view);
  if (key == nullptr) return;
  DWORD bytes = 0;
  if (RegQueryValueExW(key, kRunValue, nullptr, &m_type, nullptr, &bytes) == ERROR_SUCCESS) {
    m_saved.resize(bytes);
    if (RegQueryValueExW(key, kRunValue, nullptr, &m_type, m_saved.data(), &bytes) == ERROR_SUCCESS)
      m_hadValue = true;
  }
  RegCloseKey(key);
}

CScopedRunValue::~CScopedRunValue() {
  if (m_hadValue)
    SetRaw(m_type, m_saved.data(), static_cast<DWORD>(m_saved.size()));
  else
    Remove();
}

bool CScopedRunValue::SetString(const std::wstring& value) {
  return SetRaw(REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool CScopedRunValue::SetRaw(DWORD type, const void* data, DWORD bytes) {
  HKEY key = OpenRun(m_view);
  if (key == nullptr) return false;
  const LONG rc = RegSetValueExW(key, kRunValue, 0, type, static_cast<const BYTE*>(data), bytes);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool CScopedRunValue::Remove() {
  HKEY key = OpenRun(m_view);
  if (key == nullptr) return false;
  RegDeleteValueW(key, kRunValue);
  RegCloseKey(key);
  return true;
}

CScopedEnv::CScopedEnv(const wchar_t* name) : m_name(name) {
  const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n > 0) {
    std::vector<wchar_t> buffer(n + 1);
    const DWORD got = GetEnvironmentVariableW(name, buffer.data(), n + 1);
    m_saved.assign(buffer.data(), got);
    m_had = true;
  }
}

CScopedEnv::~CScopedEnv() {
  SetEnvironmentVariableW(m_name.c_str(), m_had ? m_saved.c_str() : nullptr);
}

void CScopedEnv::Set(const std::wstring& value) {
  SetEnvironmentVariableW(m_name.c_str(), value.c_str());
}

void CScopedEnv::Unset() { SetEnvironmentVariableW(m_name.c_str(), nullptr); }

CScopedSections::CScopedSections() {
  m_hBlock = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                sizeof(ExchangeBlock), kal::kExchangeSectionName);
  m_hNumber = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                 kUserNumberSectionBytes, kal::kUserNumberSectionName);
  if (m_hBlock != nullptr)
    m_block = static_cast<ExchangeBlock*>(MapViewOfFile(m_hBlock, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (m_hNumber != nullptr)
    m_number = static_cast<char*>(MapViewOfFile(m_hNumber, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (m_block != nullptr) std::memset(m_block, 0, sizeof(ExchangeBlock));
  if (m_number != nullptr) std::memset(m_number, 0, kUserNumberSectionBytes);
}

CScopedSections::~CScopedSections() {
  if (m_block != nullptr) UnmapViewOfFile(m_block);
  if (m_number != nullptr) UnmapViewOfFile(m_number);
  if (m_hBlock != nullptr) CloseHandle(m_hBlock);
  if (m_hNumber != nullptr) CloseHandle(m_hNumber);
}

void CScopedSections::SetUserNumber(const std::string& text) {
  if (m_number == nullptr) return;
  std::memset(m_number, 0, kUserNumberSectionBytes);
  std::memcpy(m_number, text.data(), std::min(text.size(), kUserNumberSectionBytes - 1));
}

void PutAnsi(char* field, size_t fieldBytes, const std::string& text) {
  std::memset(field, 0, fieldBytes);
  std::memcpy(field, text.data(), std::min(text.size(), fieldBytes));
}

std::wstring Today() {
  SYSTEMTIME t = {};
  GetLocalTime(&t);
  wchar_t buffer[32];
  swprintf(buffer, 32, L"%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
  return buffer;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

}  // namespace pictest
