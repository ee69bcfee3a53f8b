// Watermark text and picture: the entry points the Office add-ins call.
//  - GetWaterMarkText: the text Word and PowerPoint stamp (policy text, then a line of date,
//    user names and employee id joined by "&").
//  - MakeWaterMarkPic: the Excel background picture, the text drawn on the agent's
//    watermark.bmp and saved as %APPDATA%\KalTemp\watermarkxlsx<pid>.jpg.
//  - GetAgentInstallDir: the agent's folder from its HKLM Run value, with a trailing backslash.
#pragma once
#include <windows.h>

#include <string>

// The part of the Excel add-in object the picture job fills. CMSExcel derives from it.
struct CWaterMarkPicTarget {
  WCHAR m_szImgPath[256];  // full picture path, NUL-terminated; all zeros until filled
};

// 1 when the picture job ran, 0 when it stopped early. Fills addin->m_szImgPath once the
// picture folder exists, before the base picture is looked for.
int MakeWaterMarkPic(CWaterMarkPicTarget* addin);

// The composed watermark text of the cached policy record (WatermarkPolicyCache).
std::wstring GetWaterMarkText();

// The agent's install directory with its trailing backslash, or empty.
std::wstring GetAgentInstallDir();

// Creates every missing directory along a path (drive or UNC); results are ignored.
void CreateDirectoryChain(const std::wstring& path);
