// ExitWindowsEx as Windows checks it, without the shutdown: a restart or power-off needs the caller's
// SeShutdownPrivilege enabled; a logoff needs nothing. Each accepted request is written to the state.
#include "sasystemapi.h"
#include "standins/common/saregistry.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace standins
{
const wchar_t* const systemKey = L"Software\\Vantix\\StandIns\\System";

namespace
{
const wchar_t* const requestsValue = L"ShutdownRequests";

// Whether the token that would act (the thread's while it impersonates) has the privilege enabled.
bool shutdownPrivilegeEnabled()
{
    syslib::CSyKernelHandle token;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.receive()) &&
        !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive()))
        return false;
    LUID shutdown;
    if (!::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &shutdown))
        return false;
    PRIVILEGE_SET wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Control = PRIVILEGE_SET_ALL_NECESSARY;
    wanted.Privilege[0].Luid = shutdown;
    BOOL held = FALSE;
    return ::PrivilegeCheck(token.get(), &wanted, &held) && held;
}

BOOL WINAPI exitWindowsEx(UINT flags, DWORD reason)
{
    const UINT endsSession = EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF;
    if ((flags & endsSession) != 0 && !shutdownPrivilegeEnabled())
    {
        ::SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    const syslib::CSyRegKey key = openMachineKey(systemKey, true);
    if (!key)
    {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::vector<std::wstring> requests = readList(key.get(), requestsValue);
    wchar_t entry[32];
    std::swprintf(entry, 32, L"0x%08lX 0x%08lX", static_cast<unsigned long>(flags), static_cast<unsigned long>(reason));
    requests.push_back(entry);
    writeList(key.get(), requestsValue, requests);
    return TRUE;
}

syslib::SySystemApi standInApi()
{
    syslib::SySystemApi api;
    api.ExitWindowsEx = exitWindowsEx;
    api.RegSetValueExW = ::RegSetValueExW;
    api.RegQueryValueExW = ::RegQueryValueExW;
    api.RegDeleteValueW = ::RegDeleteValueW;
    fillSecretCalls(api);
    return api;
}
} // namespace

std::vector<CShutdownRequest> shutdownRequests()
{
    std::vector<CShutdownRequest> requests;
    const syslib::CSyRegKey key = openMachineKey(systemKey, false);
    if (!key)
        return requests;
    for (const std::wstring& entry : readList(key.get(), requestsValue))
        requests.push_back({static_cast<DWORD>(std::wcstoul(entry.c_str(), nullptr, 16)),
                            static_cast<DWORD>(std::wcstoul(entry.c_str() + entry.find(L' '), nullptr, 16))});
    return requests;
}

void clearShutdownRequests()
{
    const syslib::CSyRegKey key = openMachineKey(systemKey, false);
    if (key)
        ::RegDeleteValueW(key.get(), requestsValue);
}

syslib::SySystemApi& systemApiTable()
{
    static syslib::SySystemApi api = standInApi();
    return api;
}

const syslib::SySystemApi& unchangedSystemApi()
{
    static const syslib::SySystemApi api = standInApi();
    return api;
}
} // namespace standins

namespace syslib
{
const SySystemApi& systemApi()
{
    return standins::systemApiTable();
}
} // namespace syslib
