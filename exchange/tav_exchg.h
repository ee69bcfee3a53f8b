// CTavExchg as this module builds it: the clients' header with the export attribute of the
// build at hand (exported from the DLL, or linked statically into tools and tests).
#pragma once
#include <windows.h>

#include "exchange_layout.h"

#if defined(KAL_EXCHANGE_STATIC)
#define KALEXCHG_API
#elif defined(KAL_BUILDING_DLL)
#define KALEXCHG_API __declspec(dllexport)
#else
#define KALEXCHG_API __declspec(dllimport)
#endif

#include "../include/kalmsaddin/tav_exchg.h"
