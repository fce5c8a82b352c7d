#include "saprofile.h"
#include "standins/common/saregistry.h"

#include <map>
#include <mutex>

namespace standins
{
namespace
{
std::mutex g_logonsLock;
// The account's SID by the token's own id, which no other token shares: a handle value is reused once it
// is closed.
std::map<ULONGLONG, std::vector<BYTE>> g_logons;

bool tokenId(HANDLE token, ULONGLONG& id)
{
    TOKEN_STATISTICS statistics;
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenStatistics, &statistics, sizeof(statistics), &size))
        return false;
    id = (static_cast<ULONGLONG>(statistics.TokenId.HighPart) << 32) | statistics.TokenId.LowPart;
    return true;
}

bool loggedOnAccount(HANDLE token, CAccountRecord& account)
{
    ULONGLONG id = 0;
    if (!tokenId(token, id))
        return false;
    std::vector<BYTE> sid;
    {
        std::lock_guard<std::mutex> lock(g_logonsLock);
        const auto found = g_logons.find(id);
        if (found == g_logons.end())
            return false;
        sid = found->second;
    }
    return findAccountBySid(sid.data(), account);
}

text profileDirectory(const CAccountRecord& account)
{
    wchar_t root[MAX_PATH];
    DWORD length = MAX_PATH;
    if (!::GetProfilesDirectoryW(root, &length))
        return text();
    return text(root) + L"\\" + account.name;
}
} // namespace

void rememberLogon(HANDLE token, const CAccountRecord& account)
{
    ULONGLONG id = 0;
    if (!tokenId(token, id))
        return;
    std::lock_guard<std::mutex> lock(g_logonsLock);
    g_logons[id] = accountSid(account);
}

BOOL WINAPI LoadUserProfileW(HANDLE token, LPPROFILEINFOW profile)
{
    if (profile == nullptr || profile->dwSize != sizeof(PROFILEINFOW))
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    CAccountRecord account;
    if (!loggedOnAccount(token, account))
        return ::LoadUserProfileW(token, profile);
    const text directory = profileDirectory(account);
    if (directory.empty() ||
        (!::CreateDirectoryW(directory.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS))
        return FALSE;
    syslib::CSyKernelHandle hive(::CreateFileW((directory + L"\\ntuser.dat").c_str(), GENERIC_WRITE, 0, nullptr,
                                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hive)
        return FALSE;
    std::vector<BYTE> sid = accountSid(account);
    syslib::CSyRegKey key = openMachineKey(text(accountsKey) + L"\\Profiles\\" + sidText(sid.data()), true);
    if (!key)
    {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    profile->hProfile = key.detach();
    return TRUE;
}

BOOL WINAPI UnloadUserProfile(HANDLE token, HANDLE profile)
{
    CAccountRecord account;
    if (!loggedOnAccount(token, account))
        return ::UnloadUserProfile(token, profile);
    if (profile == nullptr || ::RegCloseKey(static_cast<HKEY>(profile)) != ERROR_SUCCESS)
    {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI GetUserProfileDirectoryW(HANDLE token, LPWSTR directory, LPDWORD size)
{
    CAccountRecord account;
    if (!loggedOnAccount(token, account))
        return ::GetUserProfileDirectoryW(token, directory, size);
    if (size == nullptr)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const text path = profileDirectory(account);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    {
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    const DWORD needed = static_cast<DWORD>(path.size() + 1);
    if (directory == nullptr || *size < needed)
    {
        *size = needed;
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    path.copy(directory, path.size());
    directory[path.size()] = L'\0';
    *size = needed;
    return TRUE;
}
} // namespace standins
