// The rows of the module's class table. Each add-in class supplies its own create function.
#include "module/class_table.h"

#include "excel/ms_excel.h"
#include "powerpoint/ms_powerpoint.h"
#include "word/ms_word.h"

namespace kal {
namespace {

const CClassEntry kClasses[] = {
    {&CLSID_MSWord, &CMSWord::CreateInstance, L"{4490F73D-8C32-41fa-B8EA-9C2930E88AE2}",
     L"MSWord Class", L"KalMsAddin.MSWord.1", L"KalMsAddin.MSWord", L"Word",
     L"LumiCore Winword Addin For Client"},
    {&CLSID_MSExcel, &CMSExcel::CreateInstance, L"{AB07AE0D-B832-49d0-BE24-EECCF49645C8}",
     L"MSExcel Class", L"KalMsAddin.MSExcel.1", L"KalMsAddin.MSExcel", L"Excel",
     L"LumiCore Excel Addin For Client"},
    {&CLSID_MSPowerPoint, &CMSPowerPoint::CreateInstance,
     L"{4C671C95-9707-43b2-BCAF-1B55A41B5A90}", L"MSPowerPoint Class",
     L"KalMsAddin.MSPowerPoint.1", L"KalMsAddin.MSPowerPoint", L"PowerPoint",
     L"LumiCore PowerPoint Addin For Client"},
};

}  // namespace

const CClassTable& ModuleClassTable() noexcept {
  static const CClassTable table = {kClasses, sizeof(kClasses) / sizeof(kClasses[0])};
  return table;
}

}  // namespace kal
