// Whether this test program is a 32-bit process on a 64-bit system: the configuration the library
// ships in (a 32-bit installer on a 64-bit server), where some answers of the system differ.
#pragma once

#include "syslib/common/syswin.h"

inline bool runsUnderWow64()
{
    BOOL underWow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &underWow64) && underWow64;
}
