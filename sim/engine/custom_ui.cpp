// A strict, small XML reader for custom UI documents.
#include "sim/engine/custom_ui.h"

#include <cwctype>
#include <map>

namespace kalsim {

namespace {

struct CTag {
  std::wstring name;
  std::map<std::wstring, std::wstring> attrs;
  bool closing = false;
  bool selfClosing = false;
};

bool DecodeEntities(const std::wstring& in, std::wstring& out) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != L'&') {
      out += in[i];
      continue;
    }
    size_t semi = in.find(L';', i);
    if (semi == std::wstring::npos) return false;
    std::wstring e = in.substr(i + 1, semi - i - 1);
    if (e == L"amp") out += L'&';
    else if (e == L"lt") out += L'<';
    else if (e == L"gt") out += L'>';
    else if (e == L"quot") out += L'"';
    else if (e == L"apos") out += L'\'';
    else return false;
    i = semi;
  }
  return true;
}

bool IsNameChar(wchar_t c) { return std::iswalnum(c) || c == L'_' || c == L':' || c == L'-' || c == L'.'; }

// Parses the inside of "<...>" (without the brackets).
bool ParseTag(const std::wstring& body, CTag& tag) {
  size_t i = 0;
  if (i < body.size() && body[i] == L'/') {
    tag.closing = true;
    ++i;
  }
  size_t n = i;
  while (n < body.size() && IsNameChar(body[n])) ++n;
  if (n == i) return false;
  tag.name = body.substr(i, n - i);
  i = n;
  while (true) {
    while (i < body.size() && std::iswspace(body[i])) ++i;
    if (i >= body.size()) return true;
    if (body[i] == L'/' && i + 1 == body.size() && !tag.closing) {
      tag.selfClosing = true;
      return true;
    }
    if (tag.closing) return false;
    n = i;
    while (n < body.size() && IsNameChar(body[n])) ++n;
    if (n == i) return false;
    std::wstring attr = body.substr(i, n - i);
    i = n;
    while (i < body.size() && std::iswspace(body[i])) ++i;
    if (i >= body.size() || body[i] != L'=') return false;
    ++i;
    while (i < body.size() && std::iswspace(body[i])) ++i;
    if (i >= body.size() || (body[i] != L'"' && body[i] != L'\'')) return false;
    wchar_t quote = body[i++];
    size_t end = body.find(quote, i);
    if (end == std::wstring::npos) return false;
    std::wstring value;
    if (!DecodeEntities(body.substr(i, end - i), value)) return false;
    if (!tag.attrs.emplace(attr, value).second) return false;  // duplicate attribute
    i = end + 1;
  }
}

CCustomUi Fail(const std::wstring& why) {
  CCustomUi ui;
  ui.error = why;
  return ui;
}

}  // namespace

CCustomUi ParseCustomUi(const std::wstring& xml) {
  CCustomUi ui;
  std::vector<std::wstring> stack;
  bool sawRoot = false;
  size_t i = 0;
  while (i < xml.size()) {
    size_t lt = xml.find(L'<', i);
    std::wstring text = xml.substr(i, lt == std::wstring::npos ? std::wstring::npos : lt - i);
    for (wchar_t c : text)
      if (!std::iswspace(c)) return Fail(L"text outside elements");
    if (lt == std::wstring::npos) break;
    if (xml.compare(lt, 4, L"<!--") == 0) {
      size_t end = xml.find(L"-->", lt + 4);
      if (end == std::wstring::npos) return Fail(L"unterminated comment");
      i = end + 3;
      continue;
    }
    if (xml.compare(lt, 2, L"<?") == 0) {
      size_t end = xml.find(L"?>", lt + 2);
      if (end == std::wstring::npos || sawRoot) return Fail(L"misplaced declaration");
      i = end + 2;
      continue;
    }
    size_t gt = xml.find(L'>', lt);
    if (gt == std::wstring::npos) return Fail(L"unterminated tag");
    CTag tag;
    if (!ParseTag(xml.substr(lt + 1, gt - lt - 1), tag)) return Fail(L"malformed tag");
    i = gt + 1;
    if (tag.closing) {
      if (stack.empty() || stack.back() != tag.name) return Fail(L"mismatched end tag " + tag.name);
      stack.pop_back();
      continue;
    }
    if (stack.empty()) {
      if (sawRoot) return Fail(L"more than one root element");
      sawRoot = true;
      if (tag.name != L"customUI") return Fail(L"root is not customUI");
      ui.ns = tag.attrs.count(L"xmlns") ? tag.attrs[L"xmlns"] : L"";
      if (ui.ns != L"http://schemas.microsoft.com/office/2006/01/customui" &&
          ui.ns != L"http://schemas.microsoft.com/office/2009/07/customui")
        return Fail(L"unknown namespace");
    } else if (tag.name == L"command") {
      if (stack.back() != L"commands") return Fail(L"command outside commands");
      auto id = tag.attrs.find(L"idMso");
      if (id == tag.attrs.end() || id->second.empty()) return Fail(L"command without idMso");
      CCustomUiCommand cmd;
      cmd.idMso = id->second;
      auto en = tag.attrs.find(L"enabled");
      if (en != tag.attrs.end()) {
        if (en->second == L"false" || en->second == L"0") cmd.enabled = false;
        else if (en->second != L"true" && en->second != L"1") return Fail(L"bad enabled value");
      }
      ui.commands.push_back(cmd);
    }
    if (!tag.selfClosing) stack.push_back(tag.name);
  }
  if (!sawRoot) return Fail(L"no root element");
  if (!stack.empty()) return Fail(L"unclosed element " + stack.back());
  ui.valid = true;
  return ui;
}

}  // namespace kalsim
