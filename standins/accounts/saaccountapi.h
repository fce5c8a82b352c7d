// The account functions of the test build: the stand-ins, reachable by tests that need to put a failing
// function in for a moment (CAccountApiOverride).
#pragma once

#include "syslib/account/syaccountapi.h"

namespace standins
{
syslib::SyAccountApi& accountApiTable();

// The stand-ins' ADsGetObject, for the table and for a test's replacement that forwards to it.
HRESULT WINAPI ADsGetObject(LPCWSTR path, REFIID riid, VOID** object);
BOOL WINAPI LookupAccountNameW(LPCWSTR system, LPCWSTR name, PSID sid, LPDWORD sidLength, LPWSTR domain,
                               LPDWORD domainLength, PSID_NAME_USE use);

// Replaces one entry of the table for its lifetime.
template <class F>
class CAccountApiOverride
{
public:
    CAccountApiOverride(F& entry, F replacement) : m_entry(entry), m_saved(entry) { m_entry = replacement; }
    ~CAccountApiOverride() { m_entry = m_saved; }
    CAccountApiOverride(const CAccountApiOverride&) = delete;
    CAccountApiOverride& operator=(const CAccountApiOverride&) = delete;

private:
    F& m_entry;
    F m_saved;
};
} // namespace standins
