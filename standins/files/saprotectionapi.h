// File protection in the test build: the platform's own answer (wine guards nothing), in a table a test may
// change for a while (CApiOverride), to play a file Windows guards.
#pragma once

#include "standins/saoverride.h"
#include "syslib/filesystem/syprotectionapi.h"

namespace standins
{
syslib::SyProtectionApi& protectionApiTable();
} // namespace standins
