// The thread calls of the test build: wine's own, in a table a test may change for a while
// (CApiOverride), to make one call fail.
#pragma once

#include "standins/saoverride.h"
#include "syslib/process/sythreadapi.h"

namespace standins
{
syslib::SyThreadApi& threadApiTable();
} // namespace standins
