// What registration writes, as data: the keys and values of the module's application id, of
// each class (from the class table) and of the Office Addins keys. Building the script is
// free of registry calls; CRegistrar applies it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "core/com/class_table.h"

namespace kal {

// Where a key lives. ClassesRoot becomes HKCU\Software\Classes under per-user registration.
enum class CRegRoot { ClassesRoot, LocalMachine };

struct CRegValueSpec {
  std::wstring name;  // empty: the key's default value
  DWORD type;         // REG_SZ or REG_DWORD
  std::wstring text;  // REG_SZ data
  DWORD number;       // REG_DWORD data
};

struct CRegKeySpec {
  CRegRoot root;
  std::wstring path;  // relative to the root
  std::vector<CRegValueSpec> values;
  // Deleted with everything below it before it is written, and removed whole on
  // unregistration (the class id key, Programmable).
  bool replaceWhole = false;
  // Never removed (AppID, CLSID and the shared Software parents).
  bool neverRemove = false;
};

// The application id script: AppID\{appId} and AppID\KalMsAddin.DLL naming it.
std::vector<CRegKeySpec> AppIdScript(const std::wstring& appId);
// One class's script: its ProgIDs, its class id key and its Office Addins key. Parents come
// before their children, so unregistration walks the list backwards.
std::vector<CRegKeySpec> ClassScript(const CClassEntry& entry, const std::wstring& modulePath);

// Text of the type library id, as written to each class's TypeLib key.
constexpr const wchar_t* kTypeLibIdText = L"{805A108E-A78A-417e-8C9D-55BE75617D33}";
constexpr const wchar_t* kAppIdText = L"{3CB29F4E-5A9A-4EA1-A1E8-780028C14832}";

}  // namespace kal
