// The socket lookups of the test build: the platform's own functions, in a table a test may change for a
// while (CApiOverride), to make a lookup answer or fail the way a name server can.
#pragma once

#include "standins/saoverride.h"
#include "syslib/network/synetworkapi.h"

namespace standins
{
syslib::SyNetworkApi& networkApiTable();
} // namespace standins
