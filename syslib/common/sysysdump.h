// The text dumps written for support and next to access failures. Each throws when its data
// cannot be collected; the callers note that and go on.
#pragma once

#include "framework/iastring.h"

namespace syslib
{
iastring dumpCurrentProcessEnvironment();
iastring dumpSystemInformation();
} // namespace syslib
