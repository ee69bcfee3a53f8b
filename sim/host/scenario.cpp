// Scenario script parsing.
#include "sim/host/scenario.h"

#include <cwctype>

#include "sim/engine/sim_faults.h"
#include "sim/word/word_json.h"

namespace kalsim {

std::wstring CScenarioStep::Rest(size_t index) const {
  return index < starts.size() ? strText.substr(starts[index]) : std::wstring();
}

std::vector<CScenarioStep> ParseScenario(const std::wstring& text) {
  std::vector<CScenarioStep> steps;
  size_t pos = 0;
  int line = 0;
  while (pos <= text.size()) {
    size_t nl = text.find(L'\n', pos);
    std::wstring raw = text.substr(pos, nl == std::wstring::npos ? std::wstring::npos : nl - pos);
    ++line;
    size_t b = 0, e = raw.size();
    while (b < e && std::iswspace(raw[b])) ++b;
    while (e > b && std::iswspace(raw[e - 1])) --e;
    std::wstring trimmed = raw.substr(b, e - b);
    if (!trimmed.empty() && trimmed[0] != L'#') {
      CScenarioStep step;
      step.nLine = line;
      step.strText = trimmed;
      for (size_t i = 0; i < trimmed.size();) {
        while (i < trimmed.size() && std::iswspace(trimmed[i])) ++i;
        if (i >= trimmed.size()) break;
        size_t start = i;
        while (i < trimmed.size() && !std::iswspace(trimmed[i])) ++i;
        step.starts.push_back(start);
        step.words.push_back(trimmed.substr(start, i - start));
      }
      steps.push_back(step);
    }
    if (nl == std::wstring::npos) break;
    pos = nl + 1;
  }
  return steps;
}

bool RunCommonStep(const CScenarioStep& step, std::wstring* result) {
  if (step.words.empty() || step.words[0] != L"fail") return false;
  if (step.words.size() == 2 && step.words[1] == L"clear") {
    CSimFaults::Instance().Clear();
    *result = L"ok";
    return true;
  }
  CSimFault fault;
  std::wstring error;
  if (!ParseSimFault(step.Rest(1), &fault, &error)) {
    *result = L"error: " + error;
    return true;
  }
  CSimFaults::Instance().Add(std::move(fault));
  *result = L"ok";
  return true;
}

bool ReadUtf8File(const std::wstring& path, std::wstring& text) {
  std::string bytes;
  if (!word::ReadWholeFile(path, bytes)) return false;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  text = word::FromUtf8(bytes);
  return true;
}

}  // namespace kalsim
