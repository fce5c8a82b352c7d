// The network manager's interfaces, as the factory hands them out.
#pragma once

#include "syslib/common/sygeneric.h"

class ISyNetworkMgt : public ISyGeneric
{
};

class ISyPrivilegedNetworkMgt : public ISyNetworkMgt
{
};
