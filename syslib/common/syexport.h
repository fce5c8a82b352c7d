// What the DLL exports is marked here and nowhere else; everything unmarked stays inside.
#pragma once

#if defined(SYSLIB_BUILDING_DLL)
#define SYSLIB_API __declspec(dllexport)
#elif defined(SYSLIB_STATIC)
#define SYSLIB_API
#else
#define SYSLIB_API __declspec(dllimport)
#endif
