// The share functions of netapi32 and the security calls on shares, as one table: the system's own in
// the product build, the stand-ins in a build whose platform has no server service. Nothing outside this
// table knows which of the two it talks to.
#pragma once

#include "syslib/common/syswin.h"

#include <aclapi.h>
#include <lm.h>

namespace syslib
{
struct SyShareApi
{
    NET_API_STATUS(WINAPI* NetShareAdd)(LMSTR server, DWORD level, LPBYTE buffer, LPDWORD parameterError);
    NET_API_STATUS(WINAPI* NetShareDel)(LMSTR server, LMSTR name, DWORD reserved);
    NET_API_STATUS(WINAPI* NetShareGetInfo)(LMSTR server, LMSTR name, DWORD level, LPBYTE* buffer);
    NET_API_STATUS(WINAPI* NetShareSetInfo)(LMSTR server, LMSTR name, DWORD level, LPBYTE buffer,
                                            LPDWORD parameterError);
    NET_API_STATUS(WINAPI* NetShareEnum)(LMSTR server, DWORD level, LPBYTE* buffer, DWORD preferredLength,
                                         LPDWORD entriesRead, LPDWORD totalEntries, LPDWORD resumeHandle);
    // GetNamedSecurityInfoW / SetNamedSecurityInfoW with SE_LMSHARE.
    DWORD(WINAPI* GetShareSecurity)(LPCWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION parts, PSID* owner,
                                    PSID* group, PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor);
    DWORD(WINAPI* SetShareSecurity)(LPWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION parts, PSID owner,
                                    PSID group, PACL dacl, PACL sacl);
};

// The table of this build; defined by exactly one of syslib/filesystem/synxshareapi.cpp and the stand-ins.
const SyShareApi& shareApi();
} // namespace syslib
