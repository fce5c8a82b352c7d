// The directory, account, logon and profile functions the account code calls, as one table: the system's own in
// the product build, the stand-ins in a build whose platform lacks them. Nothing outside this table
// knows which of the two it talks to.
#pragma once

#include "syslib/common/syswin.h"

#include <iads.h>
#include <lm.h>
#include <userenv.h>

namespace syslib
{
struct SyAccountApi
{
    HRESULT(WINAPI* ADsGetObject)(LPCWSTR path, REFIID riid, VOID** object);

    NET_API_STATUS(WINAPI* NetUserAdd)(LPCWSTR server, DWORD level, LPBYTE buffer, LPDWORD errorIndex);
    NET_API_STATUS(WINAPI* NetUserDel)(LPCWSTR server, LPCWSTR userName);
    NET_API_STATUS(WINAPI* NetUserGetInfo)(LPCWSTR server, LPCWSTR userName, DWORD level, LPBYTE* buffer);
    NET_API_STATUS(WINAPI* NetUserGetLocalGroups)(LPCWSTR server, LPCWSTR userName, DWORD level, DWORD flags,
                                                  LPBYTE* buffer, DWORD preferredLength, LPDWORD entriesRead,
                                                  LPDWORD totalEntries);
    NET_API_STATUS(WINAPI* NetUserModalsGet)(LPCWSTR server, DWORD level, LPBYTE* buffer);
    NET_API_STATUS(WINAPI* NetLocalGroupAdd)(LPCWSTR server, DWORD level, LPBYTE buffer, LPDWORD errorIndex);
    NET_API_STATUS(WINAPI* NetLocalGroupDel)(LPCWSTR server, LPCWSTR groupName);
    NET_API_STATUS(WINAPI* NetLocalGroupAddMembers)(LPCWSTR server, LPCWSTR groupName, DWORD level, LPBYTE buffer,
                                                    DWORD totalEntries);
    NET_API_STATUS(WINAPI* NetLocalGroupDelMembers)(LPCWSTR server, LPCWSTR groupName, DWORD level, LPBYTE buffer,
                                                    DWORD totalEntries);
    NET_API_STATUS(WINAPI* NetGetDCName)(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer);
    NET_API_STATUS(WINAPI* NetGetAnyDCName)(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer);
    NET_API_STATUS(WINAPI* NetServerGetInfo)(LMSTR server, DWORD level, LPBYTE* buffer);

    BOOL(WINAPI* LookupAccountNameW)(LPCWSTR system, LPCWSTR name, PSID sid, LPDWORD sidLength, LPWSTR domain,
                                     LPDWORD domainLength, PSID_NAME_USE use);
    BOOL(WINAPI* LookupAccountSidW)(LPCWSTR system, PSID sid, LPWSTR name, LPDWORD nameLength, LPWSTR domain,
                                    LPDWORD domainLength, PSID_NAME_USE use);
    BOOL(WINAPI* LogonUserW)(LPCWSTR user, LPCWSTR domain, LPCWSTR password, DWORD logonType, DWORD provider,
                             PHANDLE token);
    // A logged-on user's profile: loaded (its registry hive with it) for as long as the library runs as
    // that user.
    BOOL(WINAPI* LoadUserProfileW)(HANDLE token, LPPROFILEINFOW profile);
    BOOL(WINAPI* UnloadUserProfile)(HANDLE token, HANDLE profile);
    BOOL(WINAPI* GetUserProfileDirectoryW)(HANDLE token, LPWSTR directory, LPDWORD size);
    // The pause between the attempts of a replication wait.
    VOID(WINAPI* Sleep)(DWORD milliseconds);
};

// The table of this build; defined by exactly one of syslib/account/synxaccapi.cpp and the stand-ins.
const SyAccountApi& accountApi();
} // namespace syslib
