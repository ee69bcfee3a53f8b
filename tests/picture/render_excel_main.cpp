// render_excel.exe: does what the Excel add-in does with the picture when it connects. It
// decides the watermark for this process through the agent's sections, then makes the
// picture and prints the result, the picture path and the composed text (UTF-8).
// Its name contains "excel.exe", so the watermark decision treats it as an Excel process.
//   render_excel.exe [--wait-ms N] [--copy-to PATH]
//     --wait-ms   wait up to N ms (default 20000) for the agent to list this process
//     --copy-to   copy the finished picture to PATH as well
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "core/policy.h"
#include "exchange/tav_exchg.h"
#include "picture/watermark_pic.h"
#include "tests/support/host_run.h"

namespace {

// The agent rescans processes periodically; the decision is made once, so wait for the record.
void WaitUntilListed(DWORD waitMs) {
  const DWORD pid = GetCurrentProcessId();
  for (DWORD start = GetTickCount(); GetTickCount() - start < waitMs; Sleep(50)) {
    if (CTavExchg().GetInfo_doc(static_cast<unsigned int>(pid)) == 0) return;
    if (CTavExchg().GetInfo_doc(static_cast<unsigned int>(pid), 1) == 0) return;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Binary output: the text's own line feed must reach the reader as it is.
  _setmode(_fileno(stdout), _O_BINARY);
  DWORD waitMs = 20000;  // ends as soon as the agent has listed this process
  const wchar_t* copyTo = nullptr;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wcscmp(argv[i], L"--wait-ms") == 0) waitMs = static_cast<DWORD>(_wtoi(argv[i + 1]));
    if (std::wcscmp(argv[i], L"--copy-to") == 0) copyTo = argv[i + 1];
  }
  WaitUntilListed(waitMs);
  if (IsHasWatermark() != 1) {
    std::printf("watermark=0\n");
    return 2;
  }
  CWaterMarkPicTarget target = {};
  const int made = MakeWaterMarkPic(&target);
  std::printf("watermark=1\nresult=%d\npath=%s\ntext=%s\n", made,
              kaltest::Utf8(target.m_szImgPath).c_str(), kaltest::Utf8(GetWaterMarkText()).c_str());
  std::fflush(stdout);
  if (made != 1 || GetFileAttributesW(target.m_szImgPath) == INVALID_FILE_ATTRIBUTES) return 1;
  if (copyTo != nullptr && !CopyFileW(target.m_szImgPath, copyTo, FALSE)) return 1;
  return 0;
}
