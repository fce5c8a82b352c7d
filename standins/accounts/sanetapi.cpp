// Stand-ins of the user, group, domain-controller, account lookup and logon functions over the
// stand-ins' account database. Accounts the database does not hold (well-known ones, wine's own user)
// go to the system's functions, which know them.
#include "saaccountapi.h"
#include "saprofile.h"
#include "sastore.h"
#include "standins/common/sanetblock.h"

#include <sddl.h>

#include <cstring>

namespace standins
{
namespace
{
bool sameText(const text& a, const text& b)
{
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

text bareServer(LPCWSTR server)
{
    text name = server ? server : L"";
    return name.compare(0, 2, L"\\\\") == 0 ? name.substr(2) : name;
}

bool isThisComputer(LPCWSTR server)
{
    const text name = bareServer(server);
    return name.empty() || name == L"." || sameText(name, computerName());
}

// The realm whose database a server keeps: this computer's, or a played domain's on its controller.
bool serverRealm(LPCWSTR server, text& realm)
{
    realm.clear();
    text sid;
    return isThisComputer(server) || playedDomainOfController(bareServer(server), realm, sid);
}

// The stored account a name means. DOMAIN\name looks in that realm only; a bare name in this computer's
// database first, then in the played domains, as a domain member looks up its own accounts before its
// domain's.
bool storedAccount(LPCWSTR qualified, CAccountRecord& record, bool usersOnly)
{
    if (qualified == nullptr)
        return false;
    const text all = qualified;
    const text::size_type slash = all.find(L'\\');
    const text name = slash == text::npos ? all : all.substr(slash + 1);
    std::vector<text> realms;
    text realm;
    if (slash == text::npos)
    {
        realms = playedDomains();
        realms.insert(realms.begin(), text());
    }
    else if (isThisComputer(all.substr(0, slash).c_str()))
        realms.push_back(text());
    else if (playedDomainNamed(all.substr(0, slash), realm))
        realms.push_back(realm);
    for (const text& candidate : realms)
        if (usersOnly ? findAccount(KIND_USER, name, record, candidate) : findAccount(name, record, candidate))
            return true;
    return false;
}

// A domain's groups are global groups; this computer's are aliases.
SID_NAME_USE useOf(const CAccountRecord& record)
{
    return record.kind == KIND_USER ? SidTypeUser : record.realm.empty() ? SidTypeAlias : SidTypeGroup;
}

NET_API_STATUS WINAPI NetUserAdd(LPCWSTR server, DWORD level, LPBYTE buffer, LPDWORD errorIndex)
{
    if (errorIndex)
        *errorIndex = 0;
    text realm;
    if (!serverRealm(server, realm))
        return ERROR_BAD_NETPATH;
    if (level != 1)
        return ERROR_INVALID_LEVEL;
    if (buffer == nullptr)
        return ERROR_INVALID_PARAMETER;
    const USER_INFO_1* info = reinterpret_cast<const USER_INFO_1*>(buffer);
    if (info->usri1_name == nullptr)
        return ERROR_INVALID_PARAMETER;
    return addUser(info->usri1_name, info->usri1_password, info->usri1_comment ? info->usri1_comment : L"",
                   info->usri1_flags, realm);
}

NET_API_STATUS WINAPI NetUserDel(LPCWSTR server, LPCWSTR userName)
{
    text realm;
    if (!serverRealm(server, realm))
        return ERROR_BAD_NETPATH;
    return userName ? deleteAccount(KIND_USER, userName, realm) : ERROR_INVALID_PARAMETER;
}

NET_API_STATUS WINAPI NetUserGetInfo(LPCWSTR server, LPCWSTR userName, DWORD level, LPBYTE* buffer)
{
    text realm;
    if (!serverRealm(server, realm))
        return ERROR_BAD_NETPATH;
    CAccountRecord record;
    if (userName == nullptr || buffer == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (!findAccount(KIND_USER, userName, record, realm))
        return NERR_UserNotFound;
    if (level == 0)
    {
        CNetBlock<USER_INFO_0> block(textBytes(record.name));
        if (!block.ok())
            return ERROR_NOT_ENOUGH_MEMORY;
        block.get()->usri0_name = block.add(record.name);
        *buffer = block.release();
        return NERR_Success;
    }
    if (level == 1)
    {
        CNetBlock<USER_INFO_1> block(textBytes(record.name) + textBytes(record.description));
        if (!block.ok())
            return ERROR_NOT_ENOUGH_MEMORY;
        USER_INFO_1* info = block.get();
        info->usri1_name = block.add(record.name);
        info->usri1_comment = block.add(record.description);
        info->usri1_priv = USER_PRIV_USER;
        info->usri1_flags = record.flags | UF_SCRIPT;
        *buffer = block.release();
        return NERR_Success;
    }
    return ERROR_INVALID_LEVEL;
}

NET_API_STATUS WINAPI NetUserGetLocalGroups(LPCWSTR server, LPCWSTR userName, DWORD level, DWORD flags, LPBYTE* buffer,
                                            DWORD preferredLength, LPDWORD entriesRead, LPDWORD totalEntries)
{
    if (!isThisComputer(server))
        return ERROR_BAD_NETPATH;
    CAccountRecord record;
    if (level != 0)
        return ERROR_INVALID_LEVEL;
    if (userName == nullptr || buffer == nullptr || entriesRead == nullptr || totalEntries == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (!storedAccount(userName, record, true))
    {
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD sidLength = sizeof(sid);
        wchar_t domain[256];
        DWORD domainLength = 256;
        SID_NAME_USE use = SidTypeInvalid;
        if (!::LookupAccountNameW(nullptr, userName, sid, &sidLength, domain, &domainLength, &use))
            return NERR_UserNotFound;
        return ::NetUserGetLocalGroups(server, userName, level, flags, buffer, preferredLength, entriesRead,
                                       totalEntries);
    }
    const std::vector<BYTE> sid = accountSid(record);
    std::vector<text> groups = groupsOf(sidText(const_cast<BYTE*>(sid.data())));
    // Every local user belongs to Users, and a domain's through Domain Users, as on Windows.
    groups.insert(groups.begin(), L"Users");
    DWORD bytes = 0;
    for (const text& group : groups)
        bytes += sizeof(LOCALGROUP_USERS_INFO_0) + textBytes(group);
    void* block = nullptr;
    if (::NetApiBufferAllocate(bytes, &block) != NERR_Success)
        return ERROR_NOT_ENOUGH_MEMORY;
    LOCALGROUP_USERS_INFO_0* entries = static_cast<LOCALGROUP_USERS_INFO_0*>(block);
    wchar_t* texts = reinterpret_cast<wchar_t*>(entries + groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i)
    {
        std::memcpy(texts, groups[i].c_str(), textBytes(groups[i]));
        entries[i].lgrui0_name = texts;
        texts += groups[i].size() + 1;
    }
    *buffer = static_cast<LPBYTE>(block);
    *entriesRead = *totalEntries = static_cast<DWORD>(groups.size());
    return NERR_Success;
}

NET_API_STATUS WINAPI NetUserModalsGet(LPCWSTR server, DWORD level, LPBYTE* buffer)
{
    if (level != 2)
        return ERROR_INVALID_LEVEL;
    if (buffer == nullptr)
        return ERROR_INVALID_PARAMETER;
    text realm;
    std::vector<BYTE> sid;
    if (!serverRealm(server, realm))
        return ERROR_BAD_NETPATH;
    if (!realmSid(realm, sid))
        return realm.empty() ? ERROR_ACCESS_DENIED : ERROR_INVALID_DATA;
    const text domain = realmName(realm);
    CNetBlock<USER_MODALS_INFO_2> block(textBytes(domain) + static_cast<DWORD>(sid.size()));
    if (!block.ok())
        return ERROR_NOT_ENOUGH_MEMORY;
    block.get()->usrmod2_domain_id = block.add(sid);
    block.get()->usrmod2_domain_name = block.add(domain);
    *buffer = block.release();
    return NERR_Success;
}

NET_API_STATUS WINAPI NetLocalGroupAdd(LPCWSTR server, DWORD level, LPBYTE buffer, LPDWORD errorIndex)
{
    if (errorIndex)
        *errorIndex = 0;
    text realm;
    if (!serverRealm(server, realm))
        return ERROR_BAD_NETPATH;
    if (level != 0 && level != 1)
        return ERROR_INVALID_LEVEL;
    if (buffer == nullptr)
        return ERROR_INVALID_PARAMETER;
    const LOCALGROUP_INFO_1* info = reinterpret_cast<const LOCALGROUP_INFO_1*>(buffer);
    if (info->lgrpi1_name == nullptr)
        return ERROR_INVALID_PARAMETER;
    return addGroup(info->lgrpi1_name, level == 1 && info->lgrpi1_comment ? info->lgrpi1_comment : L"", realm);
}

NET_API_STATUS WINAPI NetLocalGroupDel(LPCWSTR server, LPCWSTR groupName)
{
    text realm;
    if (!serverRealm(server, realm))
        return ERROR_BAD_NETPATH;
    return groupName ? deleteAccount(KIND_GROUP, groupName, realm) : ERROR_INVALID_PARAMETER;
}

// The SID text of a member given by level 0 (SID) or level 3 (DOMAIN\name); empty when it names nobody.
text memberSid(DWORD level, const BYTE* entry)
{
    PSID sid = nullptr;
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    if (level == 0)
        sid = reinterpret_cast<const LOCALGROUP_MEMBERS_INFO_0*>(entry)->lgrmi0_sid;
    else
    {
        DWORD sidLength = sizeof(buffer);
        wchar_t domain[256];
        DWORD domainLength = 256;
        SID_NAME_USE use = SidTypeInvalid;
        if (!accountApiTable().LookupAccountNameW(
                nullptr, reinterpret_cast<const LOCALGROUP_MEMBERS_INFO_3*>(entry)->lgrmi3_domainandname, buffer,
                &sidLength, domain, &domainLength, &use))
            return text();
        sid = buffer;
    }
    if (sid == nullptr || !::IsValidSid(sid))
        return text();
    CAccountRecord record;
    if (localRid(sid) != 0 && !findAccountBySid(sid, record))
        return text();
    return sidText(sid);
}

NET_API_STATUS changeMembers(LPCWSTR server, LPCWSTR groupName, DWORD level, LPBYTE buffer, DWORD count, bool add)
{
    text realm;
    if (!serverRealm(server, realm))
        return ERROR_BAD_NETPATH;
    if (level != 0 && level != 3)
        return ERROR_INVALID_LEVEL;
    if (groupName == nullptr || (buffer == nullptr && count))
        return ERROR_INVALID_PARAMETER;
    const DWORD size = level == 0 ? sizeof(LOCALGROUP_MEMBERS_INFO_0) : sizeof(LOCALGROUP_MEMBERS_INFO_3);
    for (DWORD i = 0; i < count; ++i)
    {
        const text sid = memberSid(level, buffer + i * size);
        if (sid.empty())
            return ERROR_NO_SUCH_MEMBER;
        const NET_API_STATUS status = add ? addMember(groupName, sid, realm) : removeMember(groupName, sid, realm);
        if (status != NERR_Success)
            return status;
    }
    return NERR_Success;
}

NET_API_STATUS WINAPI NetLocalGroupAddMembers(LPCWSTR server, LPCWSTR groupName, DWORD level, LPBYTE buffer,
                                              DWORD count)
{
    return changeMembers(server, groupName, level, buffer, count, true);
}

NET_API_STATUS WINAPI NetLocalGroupDelMembers(LPCWSTR server, LPCWSTR groupName, DWORD level, LPBYTE buffer,
                                              DWORD count)
{
    return changeMembers(server, groupName, level, buffer, count, false);
}

NET_API_STATUS dcName(LPCWSTR domain, LPBYTE* buffer, NET_API_STATUS notFound)
{
    text controller;
    text sid;
    if (buffer == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (domain == nullptr || !playedDomain(domain, controller, sid))
        return notFound;
    if (controller.compare(0, 2, L"\\\\") != 0)
        controller = L"\\\\" + controller;
    void* block = nullptr;
    if (::NetApiBufferAllocate(textBytes(controller), &block) != NERR_Success)
        return ERROR_NOT_ENOUGH_MEMORY;
    std::memcpy(block, controller.c_str(), textBytes(controller));
    *buffer = static_cast<LPBYTE>(block);
    return NERR_Success;
}

// A workgroup server: no domain has a controller, unless a test plays one.
NET_API_STATUS WINAPI NetGetDCName(LPCWSTR, LPCWSTR domain, LPBYTE* buffer)
{
    return dcName(domain, buffer, NERR_DCNotFound);
}

NET_API_STATUS WINAPI NetGetAnyDCName(LPCWSTR, LPCWSTR domain, LPBYTE* buffer)
{
    return dcName(domain, buffer, ERROR_NO_SUCH_DOMAIN);
}

NET_API_STATUS WINAPI NetServerGetInfo(LMSTR server, DWORD level, LPBYTE* buffer)
{
    if (level != 101)
        return ERROR_INVALID_LEVEL;
    if (buffer == nullptr)
        return ERROR_INVALID_PARAMETER;
    text name;
    text domain;
    text sid;
    DWORD type = SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_SERVER_NT;
    if (isThisComputer(server))
        name = computerName();
    else if (playedDomainOfController(server, domain, sid))
    {
        name = bareServer(server);
        type |= SV_TYPE_DOMAIN_BAKCTRL;
    }
    else
        return ERROR_BAD_NETPATH;
    CNetBlock<SERVER_INFO_101> block(textBytes(name) + sizeof(wchar_t));
    if (!block.ok())
        return ERROR_NOT_ENOUGH_MEMORY;
    SERVER_INFO_101* info = block.get();
    info->sv101_platform_id = PLATFORM_ID_NT;
    info->sv101_name = block.add(name);
    info->sv101_version_major = 6;
    info->sv101_version_minor = 1;
    info->sv101_type = type;
    info->sv101_comment = block.add(text());
    *buffer = block.release();
    return NERR_Success;
}

// ERROR_INSUFFICIENT_BUFFER with the sizes needed (the domain's with its terminating zero) when a buffer is short.
bool fill(const std::vector<BYTE>& sid, PSID sidOut, LPDWORD sidLength, const text& name, LPWSTR nameOut,
          LPDWORD nameLength, const text& domain, LPWSTR domainOut, LPDWORD domainLength)
{
    const bool nameFits = !nameLength || (nameOut && *nameLength > name.size());
    const bool sidFits = !sidLength || (sidOut && *sidLength >= sid.size());
    const bool domainFits = domainOut && domainLength && *domainLength > domain.size();
    if (!nameFits || !sidFits || !domainFits)
    {
        if (nameLength)
            *nameLength = static_cast<DWORD>(name.size() + 1);
        if (sidLength)
            *sidLength = static_cast<DWORD>(sid.size());
        if (domainLength)
            *domainLength = static_cast<DWORD>(domain.size() + 1);
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    if (nameLength)
    {
        std::memcpy(nameOut, name.c_str(), textBytes(name));
        *nameLength = static_cast<DWORD>(name.size());
    }
    if (sidLength)
    {
        std::memcpy(sidOut, sid.data(), sid.size());
        *sidLength = static_cast<DWORD>(sid.size());
    }
    std::memcpy(domainOut, domain.c_str(), textBytes(domain));
    *domainLength = static_cast<DWORD>(domain.size());
    return true;
}

BOOL WINAPI LookupAccountSidW(LPCWSTR system, PSID sid, LPWSTR name, LPDWORD nameLength, LPWSTR domain,
                              LPDWORD domainLength, PSID_NAME_USE use)
{
    CAccountRecord record;
    if (isThisComputer(system) && findAccountBySid(sid, record))
    {
        if (nameLength == nullptr || domainLength == nullptr || use == nullptr)
        {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const std::vector<BYTE> bytes(static_cast<BYTE*>(sid), static_cast<BYTE*>(sid) + ::GetLengthSid(sid));
        if (!fill(bytes, nullptr, nullptr, record.name, name, nameLength, realmName(record.realm), domain,
                  domainLength))
            return FALSE;
        *use = useOf(record);
        return TRUE;
    }
    return ::LookupAccountSidW(system, sid, name, nameLength, domain, domainLength, use);
}

BOOL WINAPI LogonUserW(LPCWSTR user, LPCWSTR domain, LPCWSTR password, DWORD logonType, DWORD provider, PHANDLE token)
{
    if (user == nullptr || token == nullptr)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    text name = user;
    text realm = domain ? domain : L"";
    const text::size_type at = name.find(L'@');
    if (at != text::npos)
    {
        realm = name.substr(at + 1);
        name.resize(at);
    }
    CAccountRecord record;
    if (!storedAccount((realm.empty() ? name : realm + L"\\" + name).c_str(), record, true))
    {
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD sidLength = sizeof(sid);
        wchar_t found[256];
        DWORD foundLength = 256;
        SID_NAME_USE use = SidTypeInvalid;
        if (!::LookupAccountNameW(nullptr, name.c_str(), sid, &sidLength, found, &foundLength, &use))
        {
            ::SetLastError(ERROR_LOGON_FAILURE);
            return FALSE;
        }
        return ::LogonUserW(user, domain, password, logonType, provider, token);
    }
    // A controller that has not yet got a new domain account knows neither it nor its password.
    if (!reachedThisComputer(record) || !checkPassword(record.name, password, record.realm))
    {
        ::SetLastError(ERROR_LOGON_FAILURE);
        return FALSE;
    }
    if (record.flags & UF_ACCOUNTDISABLE)
    {
        ::SetLastError(ERROR_ACCOUNT_DISABLED);
        return FALSE;
    }
    // Wine has one user; the token of this process stands for the logged-on one.
    syslib::CSyKernelHandle process;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, process.receive()))
        return FALSE;
    if (!::DuplicateTokenEx(process.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, token))
        return FALSE;
    rememberLogon(*token, record);
    return TRUE;
}

syslib::SyAccountApi standInApi()
{
    syslib::SyAccountApi api;
    api.ADsGetObject = standins::ADsGetObject;
    api.NetUserAdd = NetUserAdd;
    api.NetUserDel = NetUserDel;
    api.NetUserGetInfo = NetUserGetInfo;
    api.NetUserGetLocalGroups = NetUserGetLocalGroups;
    api.NetUserModalsGet = NetUserModalsGet;
    api.NetLocalGroupAdd = NetLocalGroupAdd;
    api.NetLocalGroupDel = NetLocalGroupDel;
    api.NetLocalGroupAddMembers = NetLocalGroupAddMembers;
    api.NetLocalGroupDelMembers = NetLocalGroupDelMembers;
    api.NetGetDCName = NetGetDCName;
    api.NetGetAnyDCName = NetGetAnyDCName;
    api.NetServerGetInfo = NetServerGetInfo;
    api.LookupAccountNameW = standins::LookupAccountNameW;
    api.LookupAccountSidW = LookupAccountSidW;
    api.LogonUserW = LogonUserW;
    api.LoadUserProfileW = LoadUserProfileW;
    api.UnloadUserProfile = UnloadUserProfile;
    api.GetUserProfileDirectoryW = GetUserProfileDirectoryW;
    api.Sleep = ::Sleep;
    return api;
}
} // namespace

BOOL WINAPI LookupAccountNameW(LPCWSTR system, LPCWSTR name, PSID sid, LPDWORD sidLength, LPWSTR domain,
                               LPDWORD domainLength, PSID_NAME_USE use)
{
    CAccountRecord record;
    if (isThisComputer(system) && storedAccount(name, record, false) && reachedThisComputer(record))
    {
        if (sidLength == nullptr || domainLength == nullptr || use == nullptr)
        {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!fill(accountSid(record), sid, sidLength, text(), nullptr, nullptr, realmName(record.realm), domain,
                  domainLength))
            return FALSE;
        *use = useOf(record);
        return TRUE;
    }
    return ::LookupAccountNameW(system, name, sid, sidLength, domain, domainLength, use);
}

syslib::SyAccountApi& accountApiTable()
{
    static syslib::SyAccountApi api = standInApi();
    return api;
}
} // namespace standins

namespace syslib
{
const SyAccountApi& accountApi()
{
    return standins::accountApiTable();
}
} // namespace syslib
