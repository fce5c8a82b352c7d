// The network manager: lives from its first request until the library is unloaded.
#pragma once

#include "synetworkmgt.h"

class CSyNetworkMgtImpl : public CSyGenericImpl
{
};

class CSyNetworkMgt : public CSyManagerHandle<ISyPrivilegedNetworkMgt, CSyNetworkMgtImpl>
{
};
