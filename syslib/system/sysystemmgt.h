// The system manager's interfaces, as the factory hands them out. Not reference counted.
#pragma once

#include "syslib/common/sygeneric.h"

class ISySystemMgt : public ISyGenericNoRefCount
{
};

class ISyPrivilegedSystemMgt : public ISySystemMgt
{
};
