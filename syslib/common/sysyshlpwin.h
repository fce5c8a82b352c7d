// Windows-only seam of the OS error texts: where the network provider's extended error comes from.
// Tests replace it to give a provider answer that this machine's provider never gives.
#pragma once

#include "syswin.h"

namespace syslib
{
typedef DWORD(WINAPI* CSyWNetLastErrorQuery)(LPDWORD error, LPWSTR errorText, DWORD errorTextSize, LPWSTR providerName,
                                             DWORD providerNameSize);
// Returns the query that was in use; null restores WNetGetLastErrorW.
CSyWNetLastErrorQuery setWNetLastErrorQuery(CSyWNetLastErrorQuery query);
} // namespace syslib
