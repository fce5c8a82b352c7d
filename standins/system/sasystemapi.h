// The shutdown of the test build: records each request instead of ending the session. Tests read the
// requests back and may replace an entry of the table for a while (CApiOverride).
#pragma once

#include "standins/saoverride.h"
#include "syslib/system/sysystemapi.h"

#include <vector>

namespace standins
{
syslib::SySystemApi& systemApiTable();

// Root of the system stand-ins' state, under HKEY_LOCAL_MACHINE; value ShutdownRequests holds one
// "0xFLAGS 0xREASON" text per request, oldest first.
extern const wchar_t* const systemKey;

struct CShutdownRequest
{
    DWORD flags;
    DWORD reason;
};
std::vector<CShutdownRequest> shutdownRequests();
void clearShutdownRequests();
} // namespace standins
