// The system manager's interfaces, as the factory hands them out. Not reference counted.
#pragma once

#include "sysysteminfo.h"

class ISySystemMgt : public ISyGenericNoRefCount
{
public:
    // A new object: its facts are those of this moment.
    virtual PSySystemInfo getSystemInfo() = 0;
};

class ISyPrivilegedSystemMgt : public ISySystemMgt
{
public:
    virtual PSyPrivilegedSystemInfo getPrivilegedSystemInfo() = 0;
};
