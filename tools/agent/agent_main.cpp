// TavRegedit.exe: the reference security agent. Commands:
//   run <policy-file> [--ready-event NAME] [--stop-event NAME]
//   set <policy-file>      hand a new policy to the running agent
//   stop [--stop-event NAME]
//   launch <program> [args...] start a program with its records in place before it runs
//   show                   print the block's state through the accessor
//   install <dir> | uninstall
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/agent/agent_install.h"
#include "tools/agent/agent_sections.h"
#include "tools/agent/agent_show.h"

namespace {
int Usage() {
  fprintf(stderr,
          "usage: TavRegedit.exe run <policy-file> [--ready-event NAME] [--stop-event NAME]\n"
          "       TavRegedit.exe set <policy-file>\n"
          "       TavRegedit.exe stop [--stop-event NAME]\n"
          "       TavRegedit.exe launch <program> [args...]\n"
          "       TavRegedit.exe show\n"
          "       TavRegedit.exe install <dir>\n"
          "       TavRegedit.exe uninstall\n");
  return 64;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace kal::agent;
  if (argc < 2) return Usage();
  std::wstring cmd = argv[1];
  // Everything after the program belongs to it, flags included.
  if (cmd == L"launch") return argc < 3 ? Usage() : LaunchWithRecords(argc - 2, argv + 2);
  std::wstring ready, stop = kDefaultStopEventName;
  std::wstring positional;
  for (int i = 2; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--ready-event" && i + 1 < argc) {
      ready = argv[++i];
    } else if (a == L"--stop-event" && i + 1 < argc) {
      stop = argv[++i];
    } else if (positional.empty()) {
      positional = a;
    } else {
      return Usage();
    }
  }
  if (cmd == L"run" && !positional.empty()) return RunAgent(positional, ready, stop);
  if (cmd == L"set" && !positional.empty()) return SetPolicyOfRunningAgent(positional);
  if (cmd == L"stop") return StopRunningAgent(stop);
  if (cmd == L"show") return ShowBlock();
  if (cmd == L"install" && !positional.empty()) return InstallAgent(positional);
  if (cmd == L"uninstall") return UninstallAgent();
  return Usage();
}
