// The thread calls that decide as whom the caller's code runs, as one table: the system's own in both
// builds. The test build's table may have one entry replaced for a while, to make it fail the way Windows
// can: these calls fail only in situations wine cannot stage.
#pragma once

#include "syslib/common/syswin.h"

namespace syslib
{
struct SyThreadApi
{
    BOOL(WINAPI* OpenThreadToken)(HANDLE thread, DWORD access, BOOL openAsSelf, PHANDLE token);
    BOOL(WINAPI* SetThreadToken)(PHANDLE thread, HANDLE token);
    BOOL(WINAPI* SetThreadPriority)(HANDLE thread, int priority);
    DWORD(WINAPI* ResumeThread)(HANDLE thread);
};

// The table of this build; defined by exactly one of syslib/process/synxthrapi.cpp and the stand-ins.
const SyThreadApi& threadApi();
} // namespace syslib
