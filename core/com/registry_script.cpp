// The registry content of the module, built from the class table.
#include "core/com/registry_script.h"

namespace kal {
namespace {

CRegValueSpec Str(const std::wstring& name, const std::wstring& text) {
  return CRegValueSpec{name, REG_SZ, text, 0};
}
CRegValueSpec Dword(const std::wstring& name, DWORD number) {
  return CRegValueSpec{name, REG_DWORD, std::wstring(), number};
}
CRegKeySpec Key(CRegRoot root, const std::wstring& path, std::vector<CRegValueSpec> values = {}) {
  CRegKeySpec key;
  key.root = root;
  key.path = path;
  key.values = std::move(values);
  return key;
}
CRegKeySpec Parent(CRegRoot root, const std::wstring& path) {
  CRegKeySpec key = Key(root, path);
  key.neverRemove = true;
  return key;
}

}  // namespace

std::vector<CRegKeySpec> AppIdScript(const std::wstring& appId) {
  const CRegRoot hkcr = CRegRoot::ClassesRoot;
  std::vector<CRegKeySpec> script;
  script.push_back(Parent(hkcr, L"AppID"));
  script.push_back(Key(hkcr, L"AppID\\" + appId, {Str(L"", L"KalMsAddin")}));
  script.push_back(Key(hkcr, L"AppID\\KalMsAddin.DLL", {Str(L"AppID", appId)}));
  return script;
}

std::vector<CRegKeySpec> ClassScript(const CClassEntry& entry, const std::wstring& modulePath) {
  const CRegRoot hkcr = CRegRoot::ClassesRoot;
  const CRegRoot hklm = CRegRoot::LocalMachine;
  const std::wstring progId = entry.progId;
  const std::wstring viProgId = entry.viProgId;
  const std::wstring clsidKey = std::wstring(L"CLSID\\") + entry.clsidText;
  std::vector<CRegKeySpec> script;

  script.push_back(Key(hkcr, progId, {Str(L"", entry.description)}));
  script.push_back(Key(hkcr, progId + L"\\CLSID", {Str(L"", entry.clsidText)}));
  script.push_back(Key(hkcr, viProgId, {Str(L"", entry.description)}));
  script.push_back(Key(hkcr, viProgId + L"\\CLSID", {Str(L"", entry.clsidText)}));
  script.push_back(Key(hkcr, viProgId + L"\\CurVer", {Str(L"", progId)}));

  script.push_back(Parent(hkcr, L"CLSID"));
  CRegKeySpec classKey = Key(hkcr, clsidKey, {Str(L"", entry.description)});
  classKey.replaceWhole = true;
  script.push_back(classKey);
  script.push_back(Key(hkcr, clsidKey + L"\\ProgID", {Str(L"", progId)}));
  script.push_back(Key(hkcr, clsidKey + L"\\VersionIndependentProgID", {Str(L"", viProgId)}));
  CRegKeySpec programmable = Key(hkcr, clsidKey + L"\\Programmable");
  programmable.replaceWhole = true;
  script.push_back(programmable);
  script.push_back(Key(hkcr, clsidKey + L"\\InprocServer32",
                       {Str(L"", modulePath), Str(L"ThreadingModel", L"Apartment")}));
  script.push_back(Key(hkcr, clsidKey + L"\\TypeLib", {Str(L"", kTypeLibIdText)}));

  const std::wstring office = L"Software\\Microsoft\\Office";
  const std::wstring app = office + L"\\" + entry.officeApp;
  script.push_back(Parent(hklm, L"Software"));
  script.push_back(Parent(hklm, L"Software\\Microsoft"));
  script.push_back(Key(hklm, office));
  script.push_back(Key(hklm, app));
  script.push_back(Key(hklm, app + L"\\Addins"));
  script.push_back(Key(hklm, app + L"\\Addins\\" + viProgId,
                       {Str(L"FriendlyName", entry.addinFriendlyName),
                        Str(L"Description", entry.addinFriendlyName), Dword(L"LoadBehavior", 3),
                        Dword(L"CommandLineSafe", 1)}));
  return script;
}

}  // namespace kal
