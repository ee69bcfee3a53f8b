// COM identity of CMSPowerPoint: its QueryInterface table and its create function.
#include "powerpoint/ms_powerpoint.h"

KAL_ADDIN_COM_IDENTITY(CMSPowerPoint, IMSPowerPoint)
