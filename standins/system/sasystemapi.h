// The shutdown of the test build: records each request instead of ending the session. Tests read the
// requests back and may replace an entry of the table for a while (CApiOverride).
#pragma once

#include "standins/saoverride.h"
#include "syslib/system/sysystemapi.h"

#include <string>
#include <vector>

namespace standins
{
syslib::SySystemApi& systemApiTable();
// The stand-in's own table, whatever a test has replaced in the one the library uses.
const syslib::SySystemApi& unchangedSystemApi();

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

// The LSA secrets the stand-in keeps (under systemKey\Secrets, protected with DPAPI): one read back in
// plain text, for tests; false when there is none.
bool storedSecret(const std::wstring& name, std::wstring& value);
void clearSecrets();
// Puts the stand-in's LSA private-data calls into a table.
void fillSecretCalls(syslib::SySystemApi& api);
} // namespace standins
