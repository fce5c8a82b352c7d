// The account functions of the test build: the stand-ins, reachable by tests that need to put a failing
// function in for a moment (CAccountApiOverride).
#pragma once

#include "standins/saoverride.h"
#include "syslib/account/syaccountapi.h"

namespace standins
{
syslib::SyAccountApi& accountApiTable();

// The stand-ins' ADsGetObject, for the table and for a test's replacement that forwards to it.
HRESULT WINAPI ADsGetObject(LPCWSTR path, REFIID riid, VOID** object);
BOOL WINAPI LookupAccountNameW(LPCWSTR system, LPCWSTR name, PSID sid, LPDWORD sidLength, LPWSTR domain,
                               LPDWORD domainLength, PSID_NAME_USE use);

template <class F>
using CAccountApiOverride = CApiOverride<F>;
} // namespace standins
