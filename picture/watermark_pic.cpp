// The picture job and the helpers it reaches the system through: the agent's Run value, the
// picture folder under APPDATA, and the text for the Word and PowerPoint add-ins.
//
// Inputs that do not fit are refused rather than cut, since a cut path names another file:
//  - a Run value longer than 255 bytes reads as missing (empty install directory);
//  - an APPDATA value of 255 units or more counts as empty;
//  - a picture path that does not fit m_szImgPath (256 units with its NUL) leaves the member
//    untouched and ends the job with 0.
#include "picture/watermark_pic.h"

#include "core/policy.h"
#include "core/trace.h"
#include "picture/picture_rules.h"
#include "picture/watermark_painter.h"

namespace {

constexpr REGSAM kRunKeyAccess = 0x20219;  // KEY_READ | KEY_WOW64_32KEY
constexpr DWORD kRunValueBytes = 255;
constexpr DWORD kAppDataUnits = 255;

class CRegKey {
 public:
  CRegKey() = default;
  CRegKey(const CRegKey&) = delete;
  CRegKey& operator=(const CRegKey&) = delete;
  ~CRegKey() {
    if (m_hKey != nullptr) RegCloseKey(m_hKey);
  }
  HKEY* Receive() { return &m_hKey; }
  HKEY Get() const { return m_hKey; }

 private:
  HKEY m_hKey = nullptr;
};

bool DirectoryExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The exact file name, not a pattern match: FindFirstFile would also accept wildcards.
bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::wstring GetAgentInstallDir() {
  CRegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\", 0,
                    kRunKeyAccess, key.Receive()) != ERROR_SUCCESS) {
    return std::wstring();
  }
  // One spare byte beyond what the registry may fill; the value's type is not examined.
  unsigned char data[kRunValueBytes + 1] = {};
  DWORD bytes = kRunValueBytes;
  if (RegQueryValueExW(key.Get(), L"TavRegedit", nullptr, nullptr, data, &bytes) != ERROR_SUCCESS) {
    return std::wstring();
  }
  if (bytes > kRunValueBytes) bytes = kRunValueBytes;
  return kal::AgentDirFromRunValue(data, bytes);
}

void CreateDirectoryChain(const std::wstring& path) {
  for (const std::wstring& dir : kal::DirectoryChainPrefixes(path)) {
    CreateDirectoryW(dir.c_str(), nullptr);
  }
}

std::wstring GetWaterMarkText() {
  CWaterMarkPainter painter;
  CopyWatermarkPolicy(&painter.m_policy);
  return ComposeWaterMarkText(painter);
}

int MakeWaterMarkPic(CWaterMarkPicTarget* addin) {
  CWaterMarkPainter painter;

  const std::wstring installDir = GetAgentInstallDir();
  if (installDir.empty()) {
    TraceW(L"MakeWaterMarkPic2 strCurrUserPath IsEmpty");
    return 0;
  }

  wchar_t appData[kAppDataUnits] = {};
  const DWORD appDataUnits = GetEnvironmentVariableW(L"APPDATA", appData, kAppDataUnits);
  if (appDataUnits == 0 || appDataUnits >= kAppDataUnits) {
    TraceW(L"MakeWaterMarkPic2 strTempBasePath IsEmpty");
    return 0;
  }
  const std::wstring folder = std::wstring(appData, appDataUnits) + kal::kPictureFolderSuffix;
  TraceFmtW(L"%s", appData);

  if (!DirectoryExists(folder)) {
    CreateDirectoryChain(folder);
    if (!DirectoryExists(folder)) return 0;
  }

  const std::wstring picturePath = folder + kal::PictureFileName(GetCurrentProcessId());
  if (addin == nullptr ||
      !kal::CopyPathToMember(picturePath, addin->m_szImgPath,
                             sizeof(addin->m_szImgPath) / sizeof(addin->m_szImgPath[0]))) {
    return 0;
  }

  const std::wstring basePath = installDir + kal::kBasePictureName;
  if (!FileExists(basePath)) return 0;

  TraceFmtW(L"%s", picturePath.c_str());
  painter.m_strBasePicPath = basePath;
  CopyWatermarkPolicy(&painter.m_policy);
  DrawWaterMark(painter);
  SaveAsJpeg(painter, picturePath);
  return 1;
}
