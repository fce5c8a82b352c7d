// The system manager's interfaces, as the factory hands them out. Not reference counted.
#pragma once

#include "sysysteminfo.h"
#include "syslib/account/syaccount.h"
#include "syslib/common/syexport.h"
#include "syslib/filesystem/syfspath.h"

#include <ostream>

class ISySystemMgt : public ISyGenericNoRefCount
{
public:
    enum osDir
    {
        WINDOWS = 0,
        SYSTEM = 1
    };

    // A new object: its facts are those of this moment.
    virtual PSySystemInfo getSystemInfo() = 0;
    // The Windows or the system directory.
    virtual PSyFSPath getSpecialPath(osDir osDir) = 0;
};

class ISyPrivilegedSystemMgt : public ISySystemMgt
{
public:
    virtual PSyPrivilegedSystemInfo getPrivilegedSystemInfo() = 0;
    // Arranges the automatic logon of the current user (and the restart command, when there is one) in
    // the registry, then restarts the machine.
    virtual void reboot(const iastring& password, const iastring& restartCommand) = 0;
    virtual void reboot(const iastring& password) = 0;
    // The same for user (may be empty: no logon is arranged), who must be an administrator; logs off.
    virtual void reLogin(const PSyUser& user, const iastring& password, const iastring& restartCommand) = 0;
};

SYSLIB_API std::wostream& operator<<(std::wostream& os, ISySystemMgt::osDir value);
