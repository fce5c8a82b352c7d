// The stand-ins' account database in the registry. Names are registry key names, so they compare without
// case as the system's account names do; passwords are kept only as a salted SHA-256 hash.
#include "sastore.h"
#include "standins/common/saregistry.h"

#include <ntsecapi.h>
#include <sddl.h>
#include <wincrypt.h>

#include <algorithm>
#include <cwctype>

namespace standins
{
const wchar_t* const accountsKey = L"Software\\Vantix\\StandIns\\Accounts";

namespace
{
const DWORD firstRid = 1001; // wine's own user has 1000

const wchar_t* kindKey(eAccountKind kind)
{
    return kind == KIND_USER ? L"Users" : L"Groups";
}

syslib::CSyRegKey openKey(const text& subKey, bool create)
{
    return openMachineKey(text(accountsKey) + (subKey.empty() ? L"" : L"\\" + subKey), create);
}

// The key's own spelling of its name (the caller may have used another case).
text keyName(eAccountKind kind, const text& name)
{
    syslib::CSyRegKey parent = openKey(kindKey(kind), false);
    if (!parent)
        return name;
    wchar_t buffer[256];
    for (DWORD index = 0;; ++index)
    {
        DWORD length = 256;
        if (::RegEnumKeyExW(parent.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return name;
        if (::CompareStringOrdinal(buffer, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
            return buffer;
    }
}

bool readRecord(eAccountKind kind, const text& name, CAccountRecord& record)
{
    if (name.empty() || name.find(L'\\') != text::npos)
        return false;
    syslib::CSyRegKey key = openKey(text(kindKey(kind)) + L"\\" + name, false);
    if (!key || !readDword(key.get(), L"Rid", record.rid))
        return false;
    record.kind = kind;
    // The spelling the account was created with; the key's own name only for state written before it was kept.
    record.name = readText(key.get(), L"Name");
    if (record.name.empty())
        record.name = keyName(kind, name);
    record.description = readText(key.get(), L"Description");
    record.flags = 0;
    readDword(key.get(), L"Flags", record.flags);
    record.home = readText(key.get(), L"HomeDir");
    return true;
}

// One provider for the process: acquiring one loads the provider each time, which costs milliseconds.
HCRYPTPROV cryptoProvider()
{
    static HCRYPTPROV provider = 0;
    if (provider == 0 && !::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        provider = 0;
    return provider;
}

bool hash(const std::vector<BYTE>& salt, const wchar_t* password, std::vector<BYTE>& digest)
{
    const HCRYPTPROV provider = cryptoProvider();
    if (provider == 0)
        return false;
    HCRYPTHASH hashObject = 0;
    bool ok = ::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hashObject) != FALSE;
    if (ok)
    {
        const DWORD length = static_cast<DWORD>(wcslen(password) * sizeof(wchar_t));
        DWORD size = 32;
        digest.assign(32, 0);
        ok = ::CryptHashData(hashObject, salt.data(), static_cast<DWORD>(salt.size()), 0) &&
             ::CryptHashData(hashObject, reinterpret_cast<const BYTE*>(password), length, 0) &&
             ::CryptGetHashParam(hashObject, HP_HASHVAL, digest.data(), &size, 0);
        ::CryptDestroyHash(hashObject);
    }
    return ok;
}

bool validName(const text& name)
{
    if (name.empty() || name.size() > 20 || name.find_first_of(L"\"/\\[]:;|=,+*?<>@") != text::npos)
        return false;
    return name.find_first_not_of(L" .") != text::npos;
}

DWORD minimumPasswordLength()
{
    DWORD length = 0;
    syslib::CSyRegKey root = openKey(L"", false);
    if (root)
        readDword(root.get(), L"MinPasswordLength", length);
    return length;
}

DWORD nextRid()
{
    syslib::CSyRegKey root = openKey(L"", true);
    DWORD rid = firstRid;
    readDword(root.get(), L"NextRid", rid);
    writeDword(root.get(), L"NextRid", rid + 1);
    return rid;
}

// A built-in alias such as Administrators, as the system knows it.
bool isBuiltinAlias(const text& name)
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidLength = sizeof(sid);
    wchar_t domain[256];
    DWORD domainLength = 256;
    SID_NAME_USE use = SidTypeInvalid;
    return ::LookupAccountNameW(nullptr, name.c_str(), sid, &sidLength, domain, &domainLength, &use) &&
           use == SidTypeAlias;
}

bool sameText(const text& a, const text& b)
{
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}
} // namespace

text computerName()
{
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(buffer, &length) ? text(buffer, length) : text();
}

bool computerDomainSid(std::vector<BYTE>& sid)
{
    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE policy = nullptr;
    if (::LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy) != 0)
        return false;
    PPOLICY_ACCOUNT_DOMAIN_INFO info = nullptr;
    const bool ok =
        ::LsaQueryInformationPolicy(policy, PolicyAccountDomainInformation, reinterpret_cast<PVOID*>(&info)) == 0 &&
        info != nullptr && info->DomainSid != nullptr;
    if (ok)
    {
        const BYTE* bytes = static_cast<const BYTE*>(info->DomainSid);
        sid.assign(bytes, bytes + ::GetLengthSid(info->DomainSid));
    }
    if (info)
        ::LsaFreeMemory(info);
    ::LsaClose(policy);
    return ok;
}

text sidText(PSID sid)
{
    syslib::CSyLocalMem<wchar_t*> buffer;
    if (!::ConvertSidToStringSidW(sid, buffer.receive()))
        return text();
    return buffer.get();
}

std::vector<BYTE> accountSid(DWORD rid)
{
    std::vector<BYTE> domain;
    if (!computerDomainSid(domain))
        return {};
    const PSID domainSid = domain.data();
    const UCHAR count = *::GetSidSubAuthorityCount(domainSid);
    std::vector<BYTE> sid(::GetSidLengthRequired(count + 1));
    ::InitializeSid(sid.data(), ::GetSidIdentifierAuthority(domainSid), count + 1);
    for (UCHAR i = 0; i < count; ++i)
        *::GetSidSubAuthority(sid.data(), i) = *::GetSidSubAuthority(domainSid, i);
    *::GetSidSubAuthority(sid.data(), count) = rid;
    return sid;
}

DWORD localRid(PSID sid)
{
    std::vector<BYTE> domain;
    if (sid == nullptr || !::IsValidSid(sid) || !computerDomainSid(domain))
        return 0;
    const UCHAR count = *::GetSidSubAuthorityCount(sid);
    const PSID domainSid = domain.data();
    if (count != *::GetSidSubAuthorityCount(domainSid) + 1 ||
        memcmp(::GetSidIdentifierAuthority(sid), ::GetSidIdentifierAuthority(domainSid), 6) != 0)
        return 0;
    for (UCHAR i = 0; i + 1 < count; ++i)
        if (*::GetSidSubAuthority(sid, i) != *::GetSidSubAuthority(domainSid, i))
            return 0;
    return *::GetSidSubAuthority(sid, count - 1);
}

bool findAccount(eAccountKind kind, const text& name, CAccountRecord& record)
{
    return readRecord(kind, name, record);
}

bool findAccount(const text& name, CAccountRecord& record)
{
    return readRecord(KIND_USER, name, record) || readRecord(KIND_GROUP, name, record);
}

std::vector<CAccountRecord> accounts(eAccountKind kind)
{
    std::vector<CAccountRecord> all;
    syslib::CSyRegKey parent = openKey(kindKey(kind), false);
    if (!parent)
        return all;
    wchar_t buffer[256];
    for (DWORD index = 0;; ++index)
    {
        DWORD length = 256;
        if (::RegEnumKeyExW(parent.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        CAccountRecord record;
        if (readRecord(kind, buffer, record))
            all.push_back(record);
    }
    return all;
}

// The index from a RID to its account ("U" or "G" and the name), so that a lookup by SID reads one value.
void indexRid(DWORD rid, eAccountKind kind, const text& name)
{
    syslib::CSyRegKey index = openKey(L"Rids", true);
    const text value = std::to_wstring(rid);
    if (name.empty())
        ::RegDeleteValueW(index.get(), value.c_str());
    else
        writeText(index.get(), value.c_str(), (kind == KIND_USER ? L"U" : L"G") + name);
}

bool findAccountByRid(DWORD rid, CAccountRecord& record)
{
    syslib::CSyRegKey index = openKey(L"Rids", false);
    const text entry = index ? readText(index.get(), std::to_wstring(rid).c_str()) : text();
    if (entry.size() > 1 && readRecord(entry[0] == L'U' ? KIND_USER : KIND_GROUP, entry.substr(1), record) &&
        record.rid == rid)
        return true;
    for (eAccountKind kind : {KIND_USER, KIND_GROUP})
        for (const CAccountRecord& candidate : accounts(kind))
            if (candidate.rid == rid)
            {
                record = candidate;
                return true;
            }
    return false;
}

NET_API_STATUS addUser(const text& name, const wchar_t* password, const text& description, DWORD flags)
{
    if (!validName(name))
        return NERR_BadUsername;
    CAccountRecord existing;
    if (readRecord(KIND_USER, name, existing))
        return NERR_UserExists;
    if (readRecord(KIND_GROUP, name, existing) || isBuiltinAlias(name))
        return NERR_GroupExists;
    if (password == nullptr)
        password = L"";
    if (checkPasswordPolicy(password) != NERR_Success)
        return NERR_PasswordTooShort;
    syslib::CSyRegKey key = openKey(text(L"Users\\") + name, true);
    if (!key)
        return ERROR_ACCESS_DENIED;
    writeText(key.get(), L"Name", name);
    writeDword(key.get(), L"Flags", flags);
    writeText(key.get(), L"Description", description);
    key.reset();
    if (setPassword(name, password) != NERR_Success)
    {
        deleteAccount(KIND_USER, name);
        return ERROR_ACCESS_DENIED;
    }
    // The RID last: an account without one does not exist yet for the readers.
    key = openKey(text(L"Users\\") + name, true);
    const DWORD rid = nextRid();
    writeDword(key.get(), L"Rid", rid);
    indexRid(rid, KIND_USER, name);
    return NERR_Success;
}

NET_API_STATUS addGroup(const text& name, const text& description)
{
    if (!validName(name))
        return ERROR_INVALID_ACCOUNT_NAME;
    CAccountRecord existing;
    if (readRecord(KIND_GROUP, name, existing) || isBuiltinAlias(name))
        return ERROR_ALIAS_EXISTS;
    if (readRecord(KIND_USER, name, existing))
        return NERR_UserExists;
    syslib::CSyRegKey key = openKey(text(L"Groups\\") + name, true);
    if (!key)
        return ERROR_ACCESS_DENIED;
    writeText(key.get(), L"Name", name);
    writeText(key.get(), L"Description", description);
    const DWORD rid = nextRid();
    writeDword(key.get(), L"Rid", rid);
    indexRid(rid, KIND_GROUP, name);
    return NERR_Success;
}

NET_API_STATUS deleteAccount(eAccountKind kind, const text& name)
{
    CAccountRecord record;
    const bool exists = readRecord(kind, name, record);
    syslib::CSyRegKey parent = openKey(kindKey(kind), false);
    if (parent)
        ::RegDeleteKeyW(parent.get(), name.c_str());
    if (!exists)
        return kind == KIND_USER ? NERR_UserNotFound : NERR_GroupNotFound;
    indexRid(record.rid, kind, text());
    // Windows drops a deleted account from every group, and a deleted group's member list with it.
    const std::vector<BYTE> sid = accountSid(record.rid);
    if (!sid.empty())
        for (const text& group : groupsOf(sidText(const_cast<BYTE*>(sid.data()))))
            removeMember(group, sidText(const_cast<BYTE*>(sid.data())));
    syslib::CSyRegKey members = openKey(L"Members", false);
    if (kind == KIND_GROUP && members)
        ::RegDeleteValueW(members.get(), record.name.c_str());
    return NERR_Success;
}

NET_API_STATUS setDescription(eAccountKind kind, const text& name, const text& description)
{
    CAccountRecord record;
    if (!readRecord(kind, name, record))
        return kind == KIND_USER ? NERR_UserNotFound : NERR_GroupNotFound;
    syslib::CSyRegKey key = openKey(text(kindKey(kind)) + L"\\" + name, false);
    writeText(key.get(), L"Description", description);
    return NERR_Success;
}

NET_API_STATUS setUserFlags(const text& name, DWORD flags)
{
    CAccountRecord record;
    if (!readRecord(KIND_USER, name, record))
        return NERR_UserNotFound;
    syslib::CSyRegKey key = openKey(L"Users\\" + name, false);
    writeDword(key.get(), L"Flags", flags);
    return NERR_Success;
}

NET_API_STATUS setHomeDirectory(const text& name, const text& home)
{
    CAccountRecord record;
    if (!readRecord(KIND_USER, name, record))
        return NERR_UserNotFound;
    syslib::CSyRegKey key = openKey(L"Users\\" + name, false);
    writeText(key.get(), L"HomeDir", home);
    return NERR_Success;
}

NET_API_STATUS renameAccount(eAccountKind kind, const text& name, const text& newName)
{
    CAccountRecord record;
    if (!readRecord(kind, name, record))
        return kind == KIND_USER ? NERR_UserNotFound : NERR_GroupNotFound;
    if (!validName(newName))
        return kind == KIND_USER ? NERR_BadUsername : ERROR_INVALID_ACCOUNT_NAME;
    CAccountRecord taken;
    if (!sameText(name, newName) && (findAccount(newName, taken) || isBuiltinAlias(newName)))
        return taken.kind == KIND_USER ? NERR_UserExists : ERROR_ALIAS_EXISTS;
    std::vector<text> members;
    if (kind == KIND_GROUP)
        groupMembers(record.name, members);
    syslib::CSyRegKey parent = openKey(kindKey(kind), false);
    // The SID stays: only the key's name changes, as Windows keeps the RID of a renamed account.
    text oldKey = text(kindKey(kind)) + L"\\" + record.name;
    text staging = text(kindKey(kind)) + L"\\" + newName;
    if (sameText(name, newName))
        staging += L".renaming";
    syslib::CSyRegKey from = openKey(oldKey, false);
    syslib::CSyRegKey to = openKey(staging, true);
    if (!from || !to || ::RegCopyTreeW(from.get(), nullptr, to.get()) != ERROR_SUCCESS)
        return ERROR_ACCESS_DENIED;
    from.reset();
    to.reset();
    ::RegDeleteTreeW(parent.get(), record.name.c_str());
    if (sameText(name, newName))
    {
        from = openKey(staging, false);
        to = openKey(text(kindKey(kind)) + L"\\" + newName, true);
        ::RegCopyTreeW(from.get(), nullptr, to.get());
        from.reset();
        ::RegDeleteTreeW(parent.get(), (newName + L".renaming").c_str());
    }
    syslib::CSyRegKey renamed = openKey(text(kindKey(kind)) + L"\\" + newName, false);
    writeText(renamed.get(), L"Name", newName);
    indexRid(record.rid, kind, newName);
    if (kind == KIND_GROUP)
    {
        syslib::CSyRegKey membersKey = openKey(L"Members", true);
        ::RegDeleteValueW(membersKey.get(), record.name.c_str());
        if (!members.empty())
            writeList(membersKey.get(), newName.c_str(), members);
    }
    return NERR_Success;
}

NET_API_STATUS checkPasswordPolicy(const wchar_t* password)
{
    return wcslen(password ? password : L"") < minimumPasswordLength() ? NERR_PasswordTooShort : NERR_Success;
}

NET_API_STATUS setPassword(const text& name, const wchar_t* password)
{
    if (checkPasswordPolicy(password) != NERR_Success)
        return NERR_PasswordTooShort;
    syslib::CSyRegKey key = openKey(L"Users\\" + name, false);
    if (!key)
        return NERR_UserNotFound;
    std::vector<BYTE> salt(16);
    std::vector<BYTE> digest;
    const HCRYPTPROV provider = cryptoProvider();
    const bool salted = provider != 0 && ::CryptGenRandom(provider, static_cast<DWORD>(salt.size()), salt.data());
    if (!salted || !hash(salt, password, digest))
        return ERROR_INTERNAL_ERROR;
    ::RegSetValueExW(key.get(), L"Salt", 0, REG_BINARY, salt.data(), static_cast<DWORD>(salt.size()));
    ::RegSetValueExW(key.get(), L"Hash", 0, REG_BINARY, digest.data(), static_cast<DWORD>(digest.size()));
    return NERR_Success;
}

bool checkPassword(const text& name, const wchar_t* password)
{
    syslib::CSyRegKey key = openKey(L"Users\\" + name, false);
    if (!key || password == nullptr)
        return false;
    std::vector<BYTE> digest;
    const std::vector<BYTE> stored = readBytes(key.get(), L"Hash");
    return hash(readBytes(key.get(), L"Salt"), password, digest) && !stored.empty() && digest == stored;
}

NET_API_STATUS groupMembers(const text& group, std::vector<text>& members)
{
    CAccountRecord record;
    text spelled = group;
    if (readRecord(KIND_GROUP, group, record))
        spelled = record.name;
    else if (!isBuiltinAlias(group))
        return NERR_GroupNotFound;
    syslib::CSyRegKey key = openKey(L"Members", false);
    members = key ? readList(key.get(), spelled.c_str()) : std::vector<text>();
    if (members.empty() && key)
    {
        // Built-in aliases are stored under the spelling of their first change.
        wchar_t buffer[256];
        DWORD length = 256;
        for (DWORD index = 0; ::RegEnumValueW(key.get(), index, buffer, &length, nullptr, nullptr, nullptr,
                                              nullptr) == ERROR_SUCCESS;
             ++index, length = 256)
            if (sameText(buffer, group))
                members = readList(key.get(), buffer);
    }
    return NERR_Success;
}

NET_API_STATUS addMember(const text& group, const text& memberSid)
{
    std::vector<text> members;
    const NET_API_STATUS status = groupMembers(group, members);
    if (status != NERR_Success)
        return status;
    for (const text& member : members)
        if (sameText(member, memberSid))
            return ERROR_MEMBER_IN_ALIAS;
    members.push_back(memberSid);
    CAccountRecord record;
    syslib::CSyRegKey key = openKey(L"Members", true);
    writeList(key.get(), (readRecord(KIND_GROUP, group, record) ? record.name : group).c_str(), members);
    return NERR_Success;
}

NET_API_STATUS removeMember(const text& group, const text& memberSid)
{
    std::vector<text> members;
    const NET_API_STATUS status = groupMembers(group, members);
    if (status != NERR_Success)
        return status;
    const auto it = std::find_if(members.begin(), members.end(), [&](const text& m) { return sameText(m, memberSid); });
    if (it == members.end())
        return ERROR_MEMBER_NOT_IN_ALIAS;
    members.erase(it);
    CAccountRecord record;
    syslib::CSyRegKey key = openKey(L"Members", true);
    writeList(key.get(), (readRecord(KIND_GROUP, group, record) ? record.name : group).c_str(), members);
    return NERR_Success;
}

std::vector<text> groupsOf(const text& memberSid)
{
    std::vector<text> groups;
    syslib::CSyRegKey key = openKey(L"Members", false);
    if (!key)
        return groups;
    wchar_t buffer[256];
    DWORD length = 256;
    for (DWORD index = 0;
         ::RegEnumValueW(key.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++index, length = 256)
        for (const text& member : readList(key.get(), buffer))
            if (sameText(member, memberSid))
                groups.push_back(buffer);
    return groups;
}

bool playedDomain(const text& domain, text& controller, text& sid)
{
    if (domain.empty() || domain.find(L'\\') != text::npos)
        return false;
    syslib::CSyRegKey key = openKey(L"Domains\\" + domain, false);
    if (!key)
        return false;
    controller = readText(key.get(), L"Controller");
    sid = readText(key.get(), L"Sid");
    return !controller.empty();
}

bool playedDomainOfController(const text& server, text& domain, text& sid)
{
    const text bare = server.compare(0, 2, L"\\\\") == 0 ? server.substr(2) : server;
    syslib::CSyRegKey parent = openKey(L"Domains", false);
    if (!parent)
        return false;
    wchar_t buffer[256];
    for (DWORD index = 0;; ++index)
    {
        DWORD length = 256;
        if (::RegEnumKeyExW(parent.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        text controller;
        if (playedDomain(buffer, controller, sid) &&
            sameText(controller.compare(0, 2, L"\\\\") == 0 ? controller.substr(2) : controller, bare))
        {
            domain = buffer;
            return true;
        }
    }
}
} // namespace standins
