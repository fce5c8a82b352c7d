// The volume functions of the test build: wine's own, and stand-ins for directory mounts, which wine
// lacks. Tests may replace an entry for a while (CApiOverride).
#pragma once

#include "syslib/filesystem/syvolumeapi.h"

namespace standins
{
syslib::SyVolumeApi& volumeApiTable();

// Root of the volume stand-ins' state, under HKEY_LOCAL_MACHINE.
extern const wchar_t* const volumesKey;
} // namespace standins
