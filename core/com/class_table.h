// The shape of a module's creatable classes: one const row per class with its create function
// and the names that registration writes. The module hands its table to the class factory and
// the registrar; core itself names no class.
#pragma once
#include <windows.h>

#include <cstddef>

namespace kal {

using CreateFunction = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

struct CClassEntry {
  const CLSID* clsid;
  CreateFunction create;
  const wchar_t* clsidText;         // the class id in braces, as written to the registry
  const wchar_t* description;       // "MSWord Class"
  const wchar_t* progId;            // "KalMsAddin.MSWord.1"
  const wchar_t* viProgId;          // "KalMsAddin.MSWord"
  const wchar_t* officeApp;         // Office application key: "Word", "Excel", "PowerPoint"
  const wchar_t* addinFriendlyName; // FriendlyName and Description of the Office Addins key
};

// The rows in registration order.
struct CClassTable {
  const CClassEntry* rows;
  size_t count;
};

// The row of clsid; null for a class the table does not hold.
const CClassEntry* FindClassEntry(const CClassTable& table, REFCLSID clsid) noexcept;

}  // namespace kal
