// Registration of the module: applies the registry scripts and (un)registers the type library,
// machine-wide or for the current user, under the system default thread locale.
#pragma once
#include <windows.h>

#include <vector>

#include "core/com/registry_script.h"

namespace kal {

// Writes the keys in order (replace-whole keys are deleted first).
HRESULT ApplyScript(const std::vector<CRegKeySpec>& script, bool perUser) noexcept;
// Removes what the script wrote, walking it backwards: its values, then each key that is left
// empty; replace-whole keys go with all they hold; never-remove keys stay.
HRESULT RemoveScript(const std::vector<CRegKeySpec>& script, bool perUser) noexcept;

// Registration of the module's classes. A module path that the module object could not hold
// whole is refused before any key is written.
HRESULT RegisterServer(const CClassTable& classes) noexcept;
HRESULT UnregisterServer(const CClassTable& classes) noexcept;
// DllInstall: "user" (any case, the whole string) switches on per-user registration for the
// process; install failures are rolled back by unregistering.
HRESULT InstallServer(const CClassTable& classes, BOOL install,
                      const wchar_t* commandLine) noexcept;

}  // namespace kal
