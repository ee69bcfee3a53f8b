// Pure rules of the watermark picture job.
#include "picture/picture_rules.h"

#include <cwchar>

namespace kal {

std::wstring TrimRightCharSet(const std::wstring& text, const std::wstring& charSet) {
  size_t end = text.size();
  while (end > 0 && charSet.find(text[end - 1]) != std::wstring::npos) --end;
  return text.substr(0, end);
}

std::wstring AgentDirFromRunValue(const unsigned char* data, size_t bytes) {
  std::wstring value;
  if (data == nullptr) return value;
  for (size_t i = 0; i + 1 < bytes; i += 2) {
    const wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0) break;
    value.push_back(unit);
  }
  return TrimRightCharSet(value, kAgentExeName);
}

std::vector<std::wstring> DirectoryChainPrefixes(const std::wstring& path) {
  std::vector<std::wstring> dirs;
  size_t pos;
  const size_t unc = path.find(L"\\\\");
  if (unc != std::wstring::npos) {
    const size_t serverEnd = path.find(L'\\', unc + 2);
    if (serverEnd == std::wstring::npos) return dirs;
    pos = path.find(L'\\', serverEnd + 1);
  } else {
    pos = path.empty() ? std::wstring::npos : path.find(L'\\', 1);
  }
  if (pos == std::wstring::npos) return dirs;
  for (pos = path.find(L'\\', pos + 1); pos != std::wstring::npos;
       pos = path.find(L'\\', pos + 1)) {
    dirs.push_back(path.substr(0, pos));
  }
  return dirs;
}

std::wstring PictureFileName(unsigned long processId) {
  wchar_t buffer[64] = {};
  std::swprintf(buffer, sizeof(buffer) / sizeof(buffer[0]), L"watermarkxlsx%lu.jpg", processId);
  return buffer;
}

bool CopyPathToMember(const std::wstring& text, wchar_t* dest, size_t destUnits) {
  if (dest == nullptr || text.size() + 1 > destUnits) return false;
  for (size_t i = 0; i < text.size(); ++i) dest[i] = text[i];
  dest[text.size()] = L'\0';
  return true;
}

CLayoutRectF WaterMarkLayoutRect(float width, float height) {
  CLayoutRectF r;
  r.x = -(width / 8) * 3;
  r.y = -height / 6;
  r.width = (width / 8) * 6;
  r.height = height / 3;
  return r;
}

uint8_t WaterMarkBrushAlpha(uint32_t transparency) {
  return static_cast<uint8_t>((255u - transparency) & 0xFFu);
}

float WaterMarkEmSize(uint32_t fontSize) {
  return static_cast<float>(static_cast<int32_t>(fontSize + 10u));
}

}  // namespace kal
