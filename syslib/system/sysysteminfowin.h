// Windows-only seams of the system information: how kernel32's optional functions are looked up, and
// where the memory figures come from. Tests replace them to drive the WOW64 decision through every branch
// and to give memory figures this machine does not have.
#pragma once

#include "syslib/common/syswin.h"

namespace syslib
{
typedef FARPROC(WINAPI* CSyProcLookup)(HMODULE module, LPCSTR name);
// Returns the lookup that was in use; null restores GetProcAddress.
CSyProcLookup setSystemInfoProcLookup(CSyProcLookup lookup);

typedef BOOL(WINAPI* CSyMemoryStatusQuery)(LPMEMORYSTATUSEX status);
// Returns the query that was in use; null restores GlobalMemoryStatusEx.
CSyMemoryStatusQuery setSystemInfoMemoryStatusQuery(CSyMemoryStatusQuery query);
} // namespace syslib
