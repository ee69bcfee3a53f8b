// OfficeDeleteWaterMarkW, the exported offline watermark removal: it picks the branch for the
// document type and returns that branch's result code, or 255 for a type it does not serve.
#include <windows.h>

#include "excel/excel_removal.h"
#include "powerpoint/ppt_removal.h"
#include "word/word_removal.h"

namespace {
constexpr int kTypeWord = 1;
constexpr int kTypeExcel = 2;
constexpr int kTypePowerPoint = 3;
constexpr int kUnknownType = 255;
}  // namespace

// Exported undecorated through the module's .def file. Any other type answers 255 before
// anything starts.
extern "C" int WINAPI OfficeDeleteWaterMarkW(int type, const wchar_t* path) {
  int result = kUnknownType;
  switch (type) {
    case kTypeWord:
      result = kal::word::WordDeleteWaterMark(path);
      break;
    case kTypeExcel:
      result = kal::excel::ExcelDeleteWaterMark(path);
      break;
    case kTypePowerPoint:
      result = kal::powerpoint::PowerPntDeleteWaterMark(path);
      break;
    default:
      break;
  }
  return result;
}
