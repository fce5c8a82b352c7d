// The share functions of the test build: shares kept in the registry, because the platform's own fail
// or do nothing.
#pragma once

#include "syslib/filesystem/syshareapi.h"

namespace standins
{
// Root of the kept shares, under HKEY_LOCAL_MACHINE.
extern const wchar_t* const sharesKey;

syslib::SyShareApi& shareApiTable();
} // namespace standins
