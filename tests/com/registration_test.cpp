// Registration of the real KalMsAddin.dll through regsvr32 (and DllInstall): every key and
// value read back against the expected tables, unregistration removing them while shared
// parents stay, per-user registration, and the thread locale restored.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/com_util.h"
#include "tests/support/host_run.h"
#include "tests/support/test_paths.h"

namespace {

const GUID kLibId = {0x805A108E, 0xA78A, 0x417E, {0x8C, 0x9D, 0x55, 0xBE, 0x75, 0x61, 0x7D, 0x33}};
const wchar_t kAppId[] = L"{3CB29F4E-5A9A-4EA1-A1E8-780028C14832}";
const wchar_t kTypeLibText[] = L"{805A108E-A78A-417e-8C9D-55BE75617D33}";

struct CExpectedClass {
  const wchar_t* clsid;
  const wchar_t* description;
  const wchar_t* progId;
  const wchar_t* viProgId;
  const wchar_t* app;
  const wchar_t* friendly;
};
const CExpectedClass kClasses[] = {
    {L"{4490F73D-8C32-41fa-B8EA-9C2930E88AE2}", L"MSWord Class", L"KalMsAddin.MSWord.1",
     L"KalMsAddin.MSWord", L"Word", L"LumiCore Winword Addin For Client"},
    {L"{AB07AE0D-B832-49d0-BE24-EECCF49645C8}", L"MSExcel Class", L"KalMsAddin.MSExcel.1",
     L"KalMsAddin.MSExcel", L"Excel", L"LumiCore Excel Addin For Client"},
    {L"{4C671C95-9707-43b2-BCAF-1B55A41B5A90}", L"MSPowerPoint Class", L"KalMsAddin.MSPowerPoint.1",
     L"KalMsAddin.MSPowerPoint", L"PowerPoint", L"LumiCore PowerPoint Addin For Client"},
};

// A value as read back: type and text (REG_SZ) or number (REG_DWORD).
using CValue = std::pair<DWORD, std::wstring>;
using CValues = std::map<std::wstring, CValue>;
CValue Sz(const std::wstring& text) { return {REG_SZ, text}; }
CValue Dw(DWORD number) { return {REG_DWORD, std::to_wstring(number)}; }

std::wstring Lower(std::wstring s) {
  CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}

bool KeyExists(HKEY root, const std::wstring& path) {
  kal::CRegKey key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

// Every value of a key; the default value under the empty name.
CValues ReadValues(HKEY root, const std::wstring& path) {
  CValues values;
  kal::CRegKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLen = 256;
    BYTE data[2048];
    DWORD dataLen = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegEnumValueW(key.Get(), i, name, &nameLen, nullptr, &type, data, &dataLen) !=
        ERROR_SUCCESS) {
      break;
    }
    if (type == REG_DWORD && dataLen == sizeof(DWORD)) {
      values[name] = Dw(*reinterpret_cast<DWORD*>(data));
    } else {
      std::wstring text(reinterpret_cast<wchar_t*>(data), dataLen / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      values[name] = {type, text};
    }
  }
  return values;
}

std::set<std::wstring> SubKeys(HKEY root, const std::wstring& path) {
  std::set<std::wstring> names;
  kal::CRegKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD len = 256;
    if (RegEnumKeyExW(key.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.insert(name);
  }
  return names;
}

// Runs regsvr32 with the given switches on the DLL; its exit code.
int RunRegsvr32(const std::wstring& switches) {
  return kaltest::RunAndWait(
      L"regsvr32 " + switches + L" \"" + kaltest::BinPath(L"KalMsAddin.dll") + L"\"", 60000);
}

// The classes key, the same path under HKLM (machine-wide) and HKCU (per user).
const std::wstring kClassesKey = L"Software\\Classes\\";

bool CreateKey(const std::wstring& path, kal::CRegKey* key) {
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                         key->Put(), nullptr) == ERROR_SUCCESS;
}

// The DLL (the shipped one unless told) loaded in this process with its registration entry
// points.
struct CLoadedDll {
  explicit CLoadedDll(const std::wstring& path = kaltest::BinPath(L"KalMsAddin.dll"))
      : module(LoadLibraryW(path.c_str())) {}
  FARPROC Proc(const char* name) { return module ? GetProcAddress(module, name) : nullptr; }
  ~CLoadedDll() {
    if (module) FreeLibrary(module);
  }
  HMODULE module;
  HRESULT(STDAPICALLTYPE* install)
  (BOOL, LPCWSTR) = reinterpret_cast<decltype(install)>(Proc("DllInstall"));
  HRESULT(STDAPICALLTYPE* reg)() = reinterpret_cast<decltype(reg)>(Proc("DllRegisterServer"));
  HRESULT(STDAPICALLTYPE* unreg)() = reinterpret_cast<decltype(unreg)>(Proc("DllUnregisterServer"));
};

std::wstring OfficeKey(const CExpectedClass& c) {
  return std::wstring(L"Software\\Microsoft\\Office\\") + c.app + L"\\Addins\\" + c.viProgId;
}

bool TypeLibRegistered() {
  kal::CBstr path;
  return SUCCEEDED(QueryPathOfRegTypeLib(kLibId, 1, 0, 0, path.Put()));
}

// The classes part of the registration, under the given classes key (HKLM or HKCU).
void ExpectClassEntries(HKEY root) {
  const std::wstring& classes = kClassesKey;
  const std::wstring dll = Lower(kaltest::BinPath(L"KalMsAddin.dll"));
  EXPECT_EQ((CValues{{L"", Sz(L"KalMsAddin")}}), ReadValues(root, classes + L"AppID\\" + kAppId));
  EXPECT_TRUE(SubKeys(root, classes + L"AppID\\" + kAppId).empty());
  EXPECT_EQ((CValues{{L"AppID", Sz(kAppId)}}),
            ReadValues(root, classes + L"AppID\\KalMsAddin.DLL"));
  for (const CExpectedClass& c : kClasses) {
    SCOPED_TRACE(c.progId);
    const std::wstring prog = classes + c.progId;
    const std::wstring vi = classes + c.viProgId;
    EXPECT_EQ((CValues{{L"", Sz(c.description)}}), ReadValues(root, prog));
    EXPECT_EQ((std::set<std::wstring>{L"CLSID"}), SubKeys(root, prog));
    EXPECT_EQ((CValues{{L"", Sz(c.clsid)}}), ReadValues(root, prog + L"\\CLSID"));
    EXPECT_EQ((CValues{{L"", Sz(c.description)}}), ReadValues(root, vi));
    EXPECT_EQ((std::set<std::wstring>{L"CLSID", L"CurVer"}), SubKeys(root, vi));
    EXPECT_EQ((CValues{{L"", Sz(c.clsid)}}), ReadValues(root, vi + L"\\CLSID"));
    EXPECT_EQ((CValues{{L"", Sz(c.progId)}}), ReadValues(root, vi + L"\\CurVer"));

    const std::wstring cls = classes + L"CLSID\\" + c.clsid;
    EXPECT_EQ((CValues{{L"", Sz(c.description)}}), ReadValues(root, cls));
    EXPECT_EQ((std::set<std::wstring>{L"InprocServer32", L"ProgID", L"Programmable", L"TypeLib",
                                      L"VersionIndependentProgID"}),
              SubKeys(root, cls));
    EXPECT_EQ((CValues{{L"", Sz(c.progId)}}), ReadValues(root, cls + L"\\ProgID"));
    EXPECT_EQ((CValues{{L"", Sz(c.viProgId)}}),
              ReadValues(root, cls + L"\\VersionIndependentProgID"));
    EXPECT_TRUE(KeyExists(root, cls + L"\\Programmable"));
    EXPECT_TRUE(ReadValues(root, cls + L"\\Programmable").empty());
    EXPECT_TRUE(SubKeys(root, cls + L"\\Programmable").empty());
    CValues inproc = ReadValues(root, cls + L"\\InprocServer32");
    EXPECT_EQ(2u, inproc.size());
    EXPECT_EQ(Sz(L"Apartment"), inproc[L"ThreadingModel"]);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), inproc[L""].first);
    EXPECT_EQ(dll, Lower(inproc[L""].second));
    EXPECT_EQ((CValues{{L"", Sz(kTypeLibText)}}), ReadValues(root, cls + L"\\TypeLib"));
  }
}

void ExpectOfficeKeys() {
  for (const CExpectedClass& c : kClasses) {
    SCOPED_TRACE(c.app);
    EXPECT_EQ((CValues{{L"FriendlyName", Sz(c.friendly)},
                       {L"Description", Sz(c.friendly)},
                       {L"LoadBehavior", Dw(3)},
                       {L"CommandLineSafe", Dw(1)}}),
              ReadValues(HKEY_LOCAL_MACHINE, OfficeKey(c)));
  }
}

// Nothing of the module left under the given classes key.
void ExpectNoClassEntries(HKEY root) {
  const std::wstring& classes = kClassesKey;
  EXPECT_FALSE(KeyExists(root, classes + L"AppID\\" + kAppId));
  EXPECT_FALSE(KeyExists(root, classes + L"AppID\\KalMsAddin.DLL"));
  for (const CExpectedClass& c : kClasses) {
    SCOPED_TRACE(c.progId);
    EXPECT_FALSE(KeyExists(root, classes + c.progId));
    EXPECT_FALSE(KeyExists(root, classes + c.viProgId));
    EXPECT_FALSE(KeyExists(root, classes + L"CLSID\\" + c.clsid));
  }
}

// Everything registered: the classes under `used` (HKLM or HKCU) and none under the other, the
// Office keys (always machine-wide) and the type library.
void ExpectRegistered(HKEY used) {
  ExpectClassEntries(used);
  ExpectNoClassEntries(used == HKEY_LOCAL_MACHINE ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE);
  ExpectOfficeKeys();
  EXPECT_TRUE(TypeLibRegistered());
}

void ExpectNothingRegistered() {
  ExpectNoClassEntries(HKEY_LOCAL_MACHINE);
  ExpectNoClassEntries(HKEY_CURRENT_USER);
  for (const CExpectedClass& c : kClasses)
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, OfficeKey(c)));
  EXPECT_FALSE(TypeLibRegistered());
}

class RegistrationTest : public ::testing::Test {
 protected:
  // Every test starts and ends with nothing registered, machine-wide or per user.
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    RunRegsvr32(L"/s /u");
    RunRegsvr32(L"/s /u /n /i:user");
  }
};

TEST_F(RegistrationTest, Regsvr32WritesExactlyTheRegistrationTables) {
  ASSERT_EQ(0, RunRegsvr32(L"/s"));
  ExpectRegistered(HKEY_LOCAL_MACHINE);

  // The registration is usable as Office uses it: ProgID to class id.
  CLSID clsid = {};
  ASSERT_EQ(S_OK, CLSIDFromProgID(L"KalMsAddin.MSPowerPoint", &clsid));
  wchar_t text[64];
  StringFromGUID2(clsid, text, 64);
  EXPECT_EQ(Lower(kClasses[2].clsid), Lower(text));
}

TEST_F(RegistrationTest, UnregisterRemovesItsEntriesAndKeepsSharedParents) {
  // Someone else's add-in under Word's Addins key, and someone else's application id.
  const std::wstring other = L"Software\\Microsoft\\Office\\Word\\Addins\\Other.Addin";
  kal::CRegKey key;
  ASSERT_TRUE(CreateKey(other, &key));
  const DWORD three = 3;
  RegSetValueExW(key.Get(), L"LoadBehavior", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&three),
                 sizeof(three));
  key.Reset();

  ASSERT_EQ(0, RunRegsvr32(L"/s"));
  ASSERT_EQ(0, RunRegsvr32(L"/s /u"));
  ExpectNothingRegistered();
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  EXPECT_EQ((CValues{{L"LoadBehavior", Dw(3)}}), ReadValues(HKEY_LOCAL_MACHINE, other));
  // Excel's and PowerPoint's Addins keys held only ours and went with it.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Office\\Excel\\Addins"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Office\\PowerPoint"));
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Office\\Word");

  // Unregistering twice is harmless.
  EXPECT_EQ(0, RunRegsvr32(L"/s /u"));
}

TEST_F(RegistrationTest, RegistrationReplacesTheClassKeyWhole) {
  ASSERT_EQ(0, RunRegsvr32(L"/s"));
  const std::wstring cls = kClassesKey + L"CLSID\\" + kClasses[0].clsid;
  kal::CRegKey stray, old;
  ASSERT_TRUE(CreateKey(cls + L"\\Stray", &stray));
  ASSERT_TRUE(CreateKey(cls + L"\\Programmable\\Old", &old));
  stray.Reset();
  old.Reset();
  ASSERT_EQ(0, RunRegsvr32(L"/s"));
  ExpectClassEntries(HKEY_LOCAL_MACHINE);
}

TEST_F(RegistrationTest, DllInstallUserInAnyCaseRegistersPerUserOtherLinesMachineWide) {
  const std::pair<const wchar_t*, bool> lines[] = {{L"user", true},   {L"USER", true},
                                                   {L"uSeR", true},   {L"users", false},
                                                   {L"user1", false}, {L"machine", false}};
  for (const auto& line : lines) {
    SCOPED_TRACE(line.first);
    ASSERT_EQ(0, RunRegsvr32(std::wstring(L"/s /n /i:") + line.first));
    ExpectRegistered(line.second ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE);
    ASSERT_EQ(0, RunRegsvr32(std::wstring(L"/s /u /n /i:") + line.first));
    ExpectNothingRegistered();
  }
}

// In-process calls: a null command line, and the thread locale around registration.
TEST_F(RegistrationTest, InProcessInstallWithNullCommandLineAndThreadLocale) {
  CLoadedDll dll;
  ASSERT_TRUE(dll.install && dll.reg && dll.unreg);

  const LCID saved = GetThreadLocale();
  ASSERT_TRUE(SetThreadLocale(0x0407));
  EXPECT_EQ(S_OK, dll.install(TRUE, nullptr));
  EXPECT_EQ(0x0407u, GetThreadLocale());
  ExpectRegistered(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(S_OK, dll.install(FALSE, nullptr));
  EXPECT_EQ(0x0407u, GetThreadLocale());
  ExpectNothingRegistered();

  ASSERT_TRUE(SetThreadLocale(0x0409));
  EXPECT_EQ(S_OK, dll.reg());
  EXPECT_EQ(0x0409u, GetThreadLocale());
  ExpectOfficeKeys();
  EXPECT_EQ(S_OK, dll.unreg());
  EXPECT_EQ(0x0409u, GetThreadLocale());
  ExpectNothingRegistered();
  SetThreadLocale(saved);
}

// A failing registration: PowerPoint's Office key is made a volatile, dangling registry link,
// under which no key can be created, so the last class fails half-way.
class CBrokenOfficeKey {
 public:
  CBrokenOfficeKey() {
    // The parent must be a stable key: the link is volatile, and creating it would otherwise
    // create its missing parents volatile too.
    kal::CRegKey office;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Office", 0, nullptr, 0, KEY_WRITE,
                    nullptr, office.Put(), nullptr);
    kal::CRegKey link;
    DWORD disposition = 0;
    m_bMade = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPath, 0, nullptr,
                              REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK,
                              KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, link.Put(),
                              &disposition) == ERROR_SUCCESS &&
              disposition == REG_CREATED_NEW_KEY;
    const wchar_t target[] = L"\\Registry\\Machine\\Software\\KalNoSuchTarget\\Gone";
    m_bMade = m_bMade && RegSetValueExW(link.Get(), L"SymbolicLinkValue", 0, REG_LINK,
                                        reinterpret_cast<const BYTE*>(target),
                                        sizeof(target) - sizeof(wchar_t)) == ERROR_SUCCESS;
  }
  ~CBrokenOfficeKey() {
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFn>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey"));
    kal::CRegKey link;
    if (ntDeleteKey && RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPath, REG_OPTION_OPEN_LINK, DELETE,
                                     link.Put()) == ERROR_SUCCESS) {
      ntDeleteKey(link.Get());
    }
  }
  bool Made() const { return m_bMade; }

 private:
  static constexpr const wchar_t* kPath = L"Software\\Microsoft\\Office\\PowerPoint";
  bool m_bMade = false;
};

// A copy of the DLL whose full path is longer than MAX_PATH: the module cannot hold its path,
// so registration refuses before it writes any key.
TEST_F(RegistrationTest, ModulePathThatDoesNotFitIsRefusedBeforeAnyKey) {
  wchar_t temp[MAX_PATH];
  ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
  std::vector<std::wstring> dirs;
  std::wstring dir = std::wstring(L"\\\\?\\") + temp;
  while (dir.size() < MAX_PATH + 16) {
    dir += L"kal-a-module-path-longer-than-max-path-" + std::to_wstring(dirs.size()) + L"\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    dirs.push_back(dir);
  }
  const std::wstring copy = dir + L"KalMsAddin.dll";
  ASSERT_TRUE(CopyFileW(kaltest::BinPath(L"KalMsAddin.dll").c_str(), copy.c_str(), FALSE));
  {
    CLoadedDll dll(copy);
    ASSERT_NE(nullptr, dll.reg);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE), dll.reg());
    ExpectNothingRegistered();
  }
  DeleteFileW(copy.c_str());
  for (auto it = dirs.rbegin(); it != dirs.rend(); ++it) RemoveDirectoryW(it->c_str());
}

TEST_F(RegistrationTest, FailedInstallIsRolledBack) {
  CLoadedDll dll;
  ASSERT_TRUE(dll.install && dll.reg && dll.unreg);
  const std::wstring wordClass = kClassesKey + L"CLSID\\" + kClasses[0].clsid;
  {
    CBrokenOfficeKey broken;
    ASSERT_TRUE(broken.Made());
    // Plain registration stops at the failure and leaves what it wrote before it.
    const HRESULT failure = dll.reg();
    EXPECT_TRUE(FAILED(failure));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, wordClass));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, OfficeKey(kClasses[0])));
    // DllInstall returns the same failure and removes the partial entries.
    EXPECT_EQ(failure, dll.install(TRUE, nullptr));
    ExpectNothingRegistered();
  }
  // With the obstacle gone the same call succeeds.
  EXPECT_EQ(S_OK, dll.install(TRUE, nullptr));
  ExpectOfficeKeys();
  EXPECT_EQ(S_OK, dll.install(FALSE, nullptr));
}

}  // namespace
