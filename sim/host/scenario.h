// Scenario scripts: one user action per line, words separated by blanks; blank lines and
// lines starting with '#' are ignored. Text arguments run to the end of the line.
#pragma once
#include <string>
#include <vector>

namespace kalsim {

struct CScenarioStep {
  int nLine = 0;
  std::wstring strText;  // the whole line, trimmed
  std::vector<std::wstring> words;
  std::vector<size_t> starts;  // offset of each word in strText
  // The text from word `index` to the end of the line ("" when there is none).
  std::wstring Rest(size_t index) const;
};

std::vector<CScenarioStep> ParseScenario(const std::wstring& text);

// Steps every application's scenario understands; true when `step` is one of them, with its
// result ("ok" or "error: <why>") in `result`:
//   fail <Kind>.<Member> <hresult> [every|<n>] [description text to end of line]
//   fail clear
// A fault makes the member of that object kind fail on every call (the default) or on its
// n-th call from this step on; with a description the failure is DISP_E_EXCEPTION whose
// EXCEPINFO carries the HRESULT and the text.
bool RunCommonStep(const CScenarioStep& step, std::wstring* result);
// Reads a UTF-8 file (with or without a byte-order mark); false when it cannot be read.
bool ReadUtf8File(const std::wstring& path, std::wstring& text);

}  // namespace kalsim
