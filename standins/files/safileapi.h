// The file calls of the test build: the platform's own functions, in a table a test may change for a while
// (CApiOverride), to make one step of a copy, move or removal fail the way Windows can.
#pragma once

#include "standins/saoverride.h"
#include "syslib/filesystem/syfileapi.h"

namespace standins
{
syslib::SyFileApi& fileApiTable();
} // namespace standins
