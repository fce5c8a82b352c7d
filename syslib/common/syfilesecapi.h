// The security-descriptor functions for named files and directories, as one table: the system's own in
// the product build, the stand-ins in a build whose platform does not keep descriptors. Nothing outside
// this table knows which of the two it talks to.
#pragma once

#include "syswin.h"

#include <aclapi.h>

namespace syslib
{
struct SyFileSecurityApi
{
    DWORD(WINAPI* GetNamedSecurityInfoW)(LPCWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION parts, PSID* owner,
                                         PSID* group, PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor);
    DWORD(WINAPI* SetNamedSecurityInfoW)(LPWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION parts, PSID owner,
                                         PSID group, PACL dacl, PACL sacl);
};

// The table of this build; defined by exactly one of syslib/common/synxfsecapi.cpp and the stand-ins.
const SyFileSecurityApi& fileSecurityApi();
} // namespace syslib
