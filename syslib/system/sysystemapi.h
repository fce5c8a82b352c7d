// The shutdown function and the registry write the system manager relies on, as one table: the system's
// own in the product build; in the test build a shutdown that only records the request (the real one
// would end the test session), and the registry write a test can replace to make it fail.
#pragma once

#include "syslib/common/syswin.h"

namespace syslib
{
struct SySystemApi
{
    BOOL(WINAPI* ExitWindowsEx)(UINT flags, DWORD reason);
    LSTATUS(WINAPI* RegSetValueExW)(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                                    DWORD size);
};

// The table of this build; defined by exactly one of syslib/system/synxsysapi.cpp and the stand-ins.
const SySystemApi& systemApi();
} // namespace syslib
