// Parser of the agent's policy file and the rules that publish a policy in the block.
#include "tools/agent/policy_file.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "exchange/list_rules.h"

namespace kal {
namespace agent {
namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool ParseU32(const std::string& s, uint32_t* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  unsigned long long v = std::strtoull(s.c_str(), &end, 0);
  if (*end != '\0' || v > 0xFFFFFFFFull || s[0] == '-') return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

// "\n" in a value stands for a line break, "\\" for a backslash.
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 'n' || s[i + 1] == '\\')) {
      out.push_back(s[i + 1] == 'n' ? '\n' : '\\');
      ++i;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// "WINWORD.EXE readonly=1 print=0" or "pid:1234 readonly=1".
bool ParseProcess(const std::string& value, CPolicyProcess* p, std::string* why) {
  std::istringstream in(value);
  std::string target, opt;
  if (!(in >> target)) {
    *why = "process name or pid:N expected";
    return false;
  }
  if (Lower(target).rfind("pid:", 0) == 0) {
    if (!ParseU32(target.substr(4), &p->m_nPid) || p->m_nPid == 0) {
      *why = "bad process id '" + target + "'";
      return false;
    }
  } else {
    p->m_strExeName = target;
  }
  while (in >> opt) {
    size_t eq = opt.find('=');
    uint32_t v = 0;
    if (eq == std::string::npos || !ParseU32(opt.substr(eq + 1), &v)) {
      *why = "bad option '" + opt + "'";
      return false;
    }
    std::string k = Lower(opt.substr(0, eq));
    if (k == "readonly") {
      p->m_nReadOnly = v;
    } else if (k == "print") {
      p->m_nPrint = v;
    } else {
      *why = "unknown option '" + opt + "'";
      return false;
    }
  }
  return true;
}

bool SetWatermarkKey(const std::string& key, const std::string& value, _PRINT_EXCHG_INFO& w,
                     std::string* why) {
  struct U32Key {
    const char* name;
    uint32_t _PRINT_EXCHG_INFO::*field;
  };
  static const U32Key kU32[] = {
      {"readwatermark", &_PRINT_EXCHG_INFO::readWatermark},
      {"tavfilewatermark", &_PRINT_EXCHG_INFO::tavFileWatermark},
      {"smartfilewatermark", &_PRINT_EXCHG_INFO::smartFileWatermark},
      {"modelflag", &_PRINT_EXCHG_INFO::watermodelflag},
      {"horizontal", &_PRINT_EXCHG_INFO::watermarkHorizontal},
      {"transparency", &_PRINT_EXCHG_INFO::watermarkTransparency},
      {"fontsize", &_PRINT_EXCHG_INFO::watermarkFontSize},
  };
  for (const auto& k : kU32) {
    if (key == k.name) {
      if (!ParseU32(value, &(w.*(k.field)))) {
        *why = "number expected";
        return false;
      }
      return true;
    }
  }
  if (key == "text") {
    Utf8ToField(Unescape(value), w.watermarkText, sizeof(w.watermarkText) / sizeof(ExWChar));
  } else if (key == "font") {
    Utf8ToField(value, w.watermarkFont, 30);
  } else if (key == "color") {
    Utf8ToField(value, w.watermarkColor, 20);
  } else if (key == "showdate") {
    Utf8ToField(value, w.showDate, 2);
  } else if (key == "showusername") {
    Utf8ToField(value, w.showUserName, 2);
  } else if (key == "showemployeeid") {
    Utf8ToField(value, w.showEmployeeId, 2);
  } else {
    *why = "unknown key";
    return false;
  }
  return true;
}

bool SetKey(const std::string& section, const std::string& key, const std::string& value,
            CAgentPolicy& p, std::string* why) {
  if (section == "user") {
    if (key == "name")
      p.m_strUserName = value;
    else if (key == "extra")
      p.m_strUserExtra = value;
    else if (key == "password")
      p.m_strPassword = value;
    else if (key == "employeeid")
      p.m_strEmployeeId = value;
    else
      return *why = "unknown key", false;
    return true;
  }
  if (section == "watermark") return SetWatermarkKey(key, value, p.m_print, why);
  if (section == "processes") {
    CPolicyProcess proc;
    if (key != "protect" && key != "smart") return *why = "unknown key", false;
    if (!ParseProcess(value, &proc, why)) return false;
    (key == "protect" ? p.m_protect : p.m_smart).push_back(proc);
    return true;
  }
  if (section == "screen") {
    if (key == "protectscreen")
      p.m_strProtectScreen = value;
    else
      return *why = "unknown key", false;
    return true;
  }
  if (section == "keys") {
    if (key == "tavkey")
      p.m_strTavKey = value;
    else if (key == "dykey")
      p.m_strDyKey = value;
    else if (key == "multimainkey")
      p.m_strMultiMainKey = value;
    else if (key == "outdykey")
      p.m_strOutDyKey = value;
    else if (key == "ip")
      p.m_strIp = value;
    else if (key == "port")
      p.m_strPort = value;
    else
      return *why = "unknown key", false;
    return true;
  }
  *why = "key outside a known section";
  return false;
}

// Appends one code point as UTF-8.
void PutUtf8(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

bool ParsePolicy(const std::string& text, CAgentPolicy* policy, std::string* error) {
  CAgentPolicy p;
  std::string section;
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    if (lineNo == 1 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
    std::string line = Trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']') {
        *error = "line " + std::to_string(lineNo) + ": unterminated section name";
        return false;
      }
      section = Lower(Trim(line.substr(1, line.size() - 2)));
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      *error = "line " + std::to_string(lineNo) + ": key=value expected";
      return false;
    }
    std::string key = Lower(Trim(line.substr(0, eq)));
    std::string why;
    if (!SetKey(section, key, Trim(line.substr(eq + 1)), p, &why)) {
      *error = "line " + std::to_string(lineNo) + " [" + section + "] " + key + ": " + why;
      return false;
    }
  }
  *policy = std::move(p);
  return true;
}

void Utf8ToField(const std::string& text, ExWChar* field, size_t fieldUnits) {
  if (fieldUnits == 0) return;
  std::memset(field, 0, fieldUnits * sizeof(ExWChar));
  size_t n = 0;
  auto put = [&](uint32_t unit) {
    if (n + 1 < fieldUnits) field[n++] = static_cast<ExWChar>(unit);
  };
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t len = text.size();
  for (size_t i = 0; i < len;) {
    uint32_t cp = 0xFFFD;
    size_t extra = 0;
    const unsigned char c = s[i];
    if (c < 0x80)
      cp = c;
    else if ((c & 0xE0) == 0xC0)
      cp = c & 0x1F, extra = 1;
    else if ((c & 0xF0) == 0xE0)
      cp = c & 0x0F, extra = 2;
    else if ((c & 0xF8) == 0xF0)
      cp = c & 0x07, extra = 3;
    size_t j = 1;
    for (; j <= extra && i + j < len && (s[i + j] & 0xC0) == 0x80; ++j)
      cp = (cp << 6) | (s[i + j] & 0x3F);
    if (j != extra + 1 || (c >= 0x80 && extra == 0)) {
      cp = 0xFFFD;
      j = 1;
    }
    i += j;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      if (n + 2 >= fieldUnits) break;  // never split a surrogate pair
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp > 0x10FFFF ? 0xFFFD : cp);
    }
  }
  field[n] = 0;
}

std::string FieldToUtf8(const ExWChar* field, size_t fieldUnits) {
  std::string out;
  for (size_t i = 0; i < fieldUnits && field[i] != 0; ++i) {
    uint32_t u = static_cast<uint16_t>(field[i]);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < fieldUnits) {
      uint32_t lo = static_cast<uint16_t>(field[i + 1]);
      if (lo >= 0xDC00 && lo < 0xE000) {
        PutUtf8(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00), out);
        ++i;
        continue;
      }
    }
    PutUtf8((u >= 0xD800 && u < 0xE000) ? 0xFFFD : u, out);
  }
  return out;
}

_TAV_EXCHG_INFO MakeTavRecord(uint32_t pid, const CPolicyProcess& p) {
  _TAV_EXCHG_INFO r{};
  r.infoId = pid;  // the agent keys its own records by process id as well
  r.processId = pid;
  r.readOnlyFlag = p.m_nReadOnly;
  r.printFlag = p.m_nPrint;
  return r;
}

_SMART_EXCHG_INFO MakeSmartRecord(uint32_t pid) {
  _SMART_EXCHG_INFO r{};
  r.processId = pid;
  return r;
}

void ApplyPolicy(const CAgentPolicy& p, ExchangeBlock& b) {
  rules::StoreText(b.userName, sizeof(b.userName), p.m_strUserName.c_str());
  rules::StoreText(b.userNameExtra, sizeof(b.userNameExtra), p.m_strUserExtra.c_str());
  rules::StoreText(b.userPassword, sizeof(b.userPassword), p.m_strPassword.c_str());
  rules::StoreText(b.userEmployeeId, sizeof(b.userEmployeeId), p.m_strEmployeeId.c_str());
  std::memcpy(&b.printPolicy, &p.m_print, sizeof(b.printPolicy));
  rules::StoreText(b.protectScreen, sizeof(b.protectScreen), p.m_strProtectScreen.c_str());
  rules::StoreText(b.tavKey, sizeof(b.tavKey), p.m_strTavKey.c_str());
  rules::StoreText(b.dyKey, sizeof(b.dyKey), p.m_strDyKey.c_str());
  rules::StoreText(b.multiMainKey, sizeof(b.multiMainKey), p.m_strMultiMainKey.c_str());
  rules::StoreText(b.currentIp, sizeof(b.currentIp), p.m_strIp.c_str());
  rules::StoreText(b.currentPort, sizeof(b.currentPort), p.m_strPort.c_str());
  b.tavInfoCount = 0;
  b.smartInfoCount = 0;
  for (const auto& e : p.m_protect)
    if (e.m_strExeName.empty()) rules::AddTav(b, MakeTavRecord(e.m_nPid, e));
  for (const auto& e : p.m_smart)
    if (e.m_strExeName.empty()) rules::AddSmart(b, MakeSmartRecord(e.m_nPid));
}

bool SameExeName(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

void ApplyProcessScan(const CAgentPolicy& policy, const std::vector<CRunningProcess>& running,
                      std::vector<uint32_t>& addedPids, ExchangeBlock& b) {
  // Forget processes that have ended.
  for (auto it = addedPids.begin(); it != addedPids.end();) {
    bool alive = std::any_of(running.begin(), running.end(),
                             [&](const CRunningProcess& r) { return r.m_nPid == *it; });
    if (alive) {
      ++it;
      continue;
    }
    rules::DeleteTavByProcessId(b, *it);
    rules::DeleteSmart(b, *it);
    it = addedPids.erase(it);
  }
  for (const auto& proc : running) {
    bool added = false;
    for (const auto& e : policy.m_protect) {
      if (e.m_strExeName.empty() || !SameExeName(e.m_strExeName, proc.m_strExeName)) continue;
      if (rules::FindTavByProcessId(b, proc.m_nPid) < 0) {
        rules::AddTav(b, MakeTavRecord(proc.m_nPid, e));
        added = true;
      }
      break;
    }
    for (const auto& e : policy.m_smart) {
      if (e.m_strExeName.empty() || !SameExeName(e.m_strExeName, proc.m_strExeName)) continue;
      if (rules::FindSmart(b, proc.m_nPid) < 0) {
        rules::AddSmart(b, MakeSmartRecord(proc.m_nPid));
        added = true;
      }
      break;
    }
    if (added && std::find(addedPids.begin(), addedPids.end(), proc.m_nPid) == addedPids.end())
      addedPids.push_back(proc.m_nPid);
  }
}

}  // namespace agent
}  // namespace kal
