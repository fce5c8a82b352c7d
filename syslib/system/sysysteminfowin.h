// Windows-only seam of the system information: how kernel32's optional functions are looked up.
// Tests replace the lookup to drive the WOW64 decision through every branch.
#pragma once

#include "syslib/common/syswin.h"

namespace syslib
{
typedef FARPROC(WINAPI* CSyProcLookup)(HMODULE module, LPCSTR name);
// Returns the lookup that was in use; null restores GetProcAddress.
CSyProcLookup setSystemInfoProcLookup(CSyProcLookup lookup);
} // namespace syslib
