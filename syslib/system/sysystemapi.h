// The shutdown function, the registry calls and the LSA private-data calls the system manager relies on,
// as one table: the system's own in the product build; in the test build a shutdown that only records the
// request (the real one would end the test session), a keeper of LSA secrets (wine has none), and registry
// calls a test can replace to make one of them fail.
#pragma once

#include "syslib/common/syswin.h"

#include <ntsecapi.h>

namespace syslib
{
struct SySystemApi
{
    BOOL(WINAPI* ExitWindowsEx)(UINT flags, DWORD reason);
    LSTATUS(WINAPI* RegSetValueExW)(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                                    DWORD size);
    LSTATUS(WINAPI* RegQueryValueExW)(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                      LPDWORD size);
    LSTATUS(WINAPI* RegDeleteValueW)(HKEY key, LPCWSTR valueName);
    NTSTATUS(NTAPI* LsaOpenPolicy)(PLSA_UNICODE_STRING systemName, PLSA_OBJECT_ATTRIBUTES attributes,
                                   ACCESS_MASK access, PLSA_HANDLE policy);
    NTSTATUS(NTAPI* LsaStorePrivateData)(LSA_HANDLE policy, PLSA_UNICODE_STRING keyName,
                                         PLSA_UNICODE_STRING privateData);
    NTSTATUS(NTAPI* LsaRetrievePrivateData)(LSA_HANDLE policy, PLSA_UNICODE_STRING keyName,
                                            PLSA_UNICODE_STRING* privateData);
    NTSTATUS(NTAPI* LsaFreeMemory)(PVOID buffer);
    NTSTATUS(NTAPI* LsaClose)(LSA_HANDLE handle);
};

// The table of this build; defined by exactly one of syslib/system/synxsysapi.cpp and the stand-ins.
const SySystemApi& systemApi();

// An LSA policy handle, closed through the table that opened it.
struct CSyLsaPolicyTraits
{
    typedef LSA_HANDLE type;
    static LSA_HANDLE invalid() { return nullptr; }
    static bool isValid(LSA_HANDLE handle) { return handle != nullptr; }
    static void free(LSA_HANDLE handle) { systemApi().LsaClose(handle); }
};
typedef CSyWinResource<CSyLsaPolicyTraits> CSyLsaPolicy;

// Memory the LSA handed out (a retrieved secret): wiped, then given back through the table.
struct CSyLsaSecretTraits
{
    typedef PLSA_UNICODE_STRING type;
    static PLSA_UNICODE_STRING invalid() { return nullptr; }
    static bool isValid(PLSA_UNICODE_STRING data) { return data != nullptr; }
    static void free(PLSA_UNICODE_STRING data)
    {
        if (data->Buffer)
            ::SecureZeroMemory(data->Buffer, data->MaximumLength);
        systemApi().LsaFreeMemory(data);
    }
};
typedef CSyWinResource<CSyLsaSecretTraits> CSyLsaSecret;
} // namespace syslib
