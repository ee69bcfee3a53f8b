// Prints the state of the shared sections as other client modules see it: every value is
// read through CTavExchg, so this also shows the accessor's defaults when no agent runs.
#include "tools/agent/agent_show.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "exchange/tav_exchg.h"
#include "tools/agent/policy_file.h"

namespace kal {
namespace agent {
namespace {

std::string Field(const ExWChar* f, size_t units) { return FieldToUtf8(f, units); }

// Watermark text on one line: line breaks shown as \n.
std::string OneLine(std::string s) {
  std::string out;
  for (char c : s) {
    if (c == '\n')
      out += "\\n";
    else if (c != '\r')
      out.push_back(c);
  }
  return out;
}

}  // namespace

int ShowBlock() {
  CTavExchg ex;
  std::vector<char> buf(kProtectScreenSize + 1, 0);
  char name[kUserNameSize] = {}, password[kUserNameSize] = {}, extra[kUserNameSize] = {};
  ex.GetDefaultUserNameAndPsw(name, password, extra);
  char employee[kEmployeeIdSize] = {};
  kal::GetUserEmployeeIdBounded(employee, sizeof(employee));
  char ip[kIpPortSize] = {}, port[kIpPortSize] = {};
  ex.GetCurrentIpPort(ip, port);

  const bool present = ex.GetAllInfo(static_cast<_TAV_EXCHG_INFO*>(nullptr)) >= 0;
  printf("agent sections: %s\n", present ? "present" : "absent");
  printf("user.name=%s\nuser.extra=%s\nuser.password=%s\nuser.employeeId=%s\n", name, extra,
         password, employee);
  printf("ip=%s port=%s\n", ip, port);
  char key[kKeySize] = {};
  ex.GetTAVKey(key);
  printf("tavKey=%s\n", key);
  ex.GetDyKey(key);
  printf("dyKey=%s\n", key);
  ex.GetTavOutDyKey(key);
  printf("outDyKey=%s\n", key);

  auto tav = std::make_unique<_TAV_EXCHG_INFO[]>(kTavInfoCapacity);
  int n = ex.GetAllInfo(tav.get());
  printf("protected processes: %d\n", n < 0 ? 0 : n);
  for (int i = 0; i < n; ++i)
    printf("  pid %u infoId %u readOnly=%u print=%u\n", tav[i].processId, tav[i].infoId,
           tav[i].readOnlyFlag, tav[i].printFlag);
  auto smart = std::make_unique<_SMART_EXCHG_INFO[]>(kSmartInfoCapacity);
  n = ex.GetAllInfo(smart.get(), 0);
  printf("smart processes: %d\n", n < 0 ? 0 : n);
  for (int i = 0; i < n; ++i) printf("  pid %u\n", smart[i].processId);

  ex.GetprotectScreen(buf.data());
  printf("protectScreen=%s\n", buf.data());

  auto print = std::make_unique<_PRINT_EXCHG_INFO>();
  ex.GetPrintPolicy(*print);
  const _PRINT_EXCHG_INFO& w = *print;
  printf("watermark.readWatermark=%u\nwatermark.tavFileWatermark=%u\n", w.readWatermark,
         w.tavFileWatermark);
  printf("watermark.smartFileWatermark=%u\nwatermark.modelFlag=%u\n", w.smartFileWatermark,
         w.watermodelflag);
  printf("watermark.horizontal=%u\nwatermark.transparency=%u\nwatermark.fontSize=%u\n",
         w.watermarkHorizontal, w.watermarkTransparency, w.watermarkFontSize);
  printf("watermark.text=%s\n", OneLine(Field(w.watermarkText, 14390)).c_str());
  printf("watermark.font=%s\nwatermark.color=%s\n", Field(w.watermarkFont, 30).c_str(),
         Field(w.watermarkColor, 20).c_str());
  printf("watermark.showDate=%s showUserName=%s showEmployeeId=%s\n", Field(w.showDate, 2).c_str(),
         Field(w.showUserName, 2).c_str(), Field(w.showEmployeeId, 2).c_str());
  printf("dy ids: %d\n", ex.GetDyCount());
  return 0;
}

}  // namespace agent
}  // namespace kal
