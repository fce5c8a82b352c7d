// The neutral security descriptor to and from the Windows one, and the reading of a named object's.
#pragma once

#include "sysecuritydesc.h"
#include "syslib/common/sywinsec.h"

namespace SySecurityImpl
{
// The parts of a descriptor to write, each owned.
struct CSyNativeSecurityParts
{
    syslib::CSyLocalMem<PSID> owner;
    syslib::CSyLocalMem<PSID> group;
    syslib::CSyLocalMem<PACL> dacl;
    bool hasDacl = false;
};

class CSyNativeSecurityConverter
{
public:
    // "syslib.filesystem.aclGetFailed" and ESyFileSystem(name, WIN32_ERROR, error) when it cannot be read.
    static void getNativeSecurityDesc(const iastring& name, CSyWinSecurityDesc& native, SE_OBJECT_TYPE type);
    static void nativeToSecurityDesc(const CSyWinSecurityDesc& native, CSySecurityDesc& descriptor);
    static void securityDescToNative(const CSySecurityDesc& descriptor, SecurableObjectType objectType,
                                     CSyNativeSecurityParts& parts);
    // The SDDL text of what securityDescToNative makes of the descriptor.
    static iastring dumpNative(const CSySecurityDesc& descriptor, SecurableObjectType objectType);
    // SDDL of a native descriptor; "<conversion to string failed>" (and a warning) when it cannot be made.
    static iastring nativeText(const CSyWinSecurityDesc& native);
};

typedef DWORD(WINAPI* SetNamedSecurityFunction)(LPWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION parts,
                                                PSID owner, PSID group, PACL dacl, PACL sacl);

// Writes the DACL with its protection to a named object through set, and of the owner and group those
// that ownerAndGroup names and the descriptor has (the privilege an owner needs enabled for the call).
// Failure: the OS error of "SetNamedSecurityInfo", "syslib.filesystem.aclSetFailed" with the name,
// ESyFileSystem(name, WIN32_ERROR).
void setNamedSecurity(SetNamedSecurityFunction set, const iastring& name, SE_OBJECT_TYPE type,
                      const CSySecurityDesc& descriptor, SecurableObjectType objectType,
                      SECURITY_INFORMATION ownerAndGroup);
// The same for the parts of a native descriptor: its owner and group when it has them, its DACL and the
// DACL's protection.
void setNamedSecurity(SetNamedSecurityFunction set, const iastring& name, SE_OBJECT_TYPE type,
                      const CSyWinSecurityDesc& native);
} // namespace SySecurityImpl
