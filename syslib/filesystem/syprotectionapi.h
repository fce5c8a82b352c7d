// Whether Windows guards a file as a part of itself, as one table: the system's own in the product build; in
// the test build the same function in a table a test may change, for wine guards no file.
#pragma once

#include "syslib/common/syswin.h"

namespace syslib
{
struct SyProtectionApi
{
    BOOL(WINAPI* SfcIsFileProtected)(HANDLE server, LPCWSTR path);
};

inline BOOL WINAPI noFileProtected(HANDLE, LPCWSTR)
{
    return FALSE;
}

// The system's own, looked up at run time: not every system (nor every toolchain) offers it, and a system
// without it guards nothing.
inline SyProtectionApi systemProtectionApi()
{
    typedef BOOL(WINAPI * Function)(HANDLE, LPCWSTR);
    static const CSyModule module(::LoadLibraryW(L"sfc.dll"));
    const Function function =
        module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module.get(), "SfcIsFileProtected")))
               : nullptr;
    return {function ? function : noFileProtected};
}

// The table of this build; defined by exactly one of syslib/filesystem/synxprotapi.cpp and the stand-ins.
const SyProtectionApi& protectionApi();
} // namespace syslib
