// COM identity of CMSExcel: its QueryInterface table and its create function.
#include "excel/ms_excel.h"

KAL_ADDIN_COM_IDENTITY(CMSExcel, IMSExcel)
