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

// A realm's root: this computer's database at the top, a played domain's under its Domains key.
text realmRoot(const text& realm)
{
    return text(accountsKey) + (realm.empty() ? L"" : L"\\Domains\\" + realm);
}

syslib::CSyRegKey openKey(const text& subKey, bool create, const text& realm = text())
{
    return openMachineKey(realmRoot(realm) + (subKey.empty() ? L"" : L"\\" + subKey), create);
}

// The key's own spelling of its name (the caller may have used another case).
text keyName(eAccountKind kind, const text& name, const text& realm)
{
    syslib::CSyRegKey parent = openKey(kindKey(kind), false, realm);
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

bool readRecord(eAccountKind kind, const text& name, CAccountRecord& record, const text& realm)
{
    if (name.empty() || name.find(L'\\') != text::npos)
        return false;
    syslib::CSyRegKey key = openKey(text(kindKey(kind)) + L"\\" + name, false, realm);
    if (!key || !readDword(key.get(), L"Rid", record.rid))
        return false;
    record.kind = kind;
    record.realm = realm;
    // The spelling the account was created with; the key's own name only for state written before it was kept.
    record.name = readText(key.get(), L"Name");
    if (record.name.empty())
        record.name = keyName(kind, name, realm);
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

// A user's logon name has at most 20 characters, a local group's GNLEN (256), as the SAM takes them.
bool validName(const text& name, eAccountKind kind)
{
    const text::size_type longest = kind == KIND_USER ? 20 : GNLEN;
    if (name.empty() || name.size() > longest || name.find_first_of(L"\"/\\[]:;|=,+*?<>@") != text::npos)
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

DWORD nextRid(const text& realm)
{
    syslib::CSyRegKey root = openKey(L"", true, realm);
    DWORD rid = firstRid;
    readDword(root.get(), L"NextRid", rid);
    writeDword(root.get(), L"NextRid", rid + 1);
    return rid;
}

// A new account of a played domain stays unknown to the controller this computer asks for as many
// questions as the domain's ReplicationDelay says.
void startReplication(HKEY account, const text& realm)
{
    if (realm.empty())
        return;
    syslib::CSyRegKey domain = openKey(L"", false, realm);
    DWORD delay = 0;
    if (domain && readDword(domain.get(), L"ReplicationDelay", delay) && delay != 0)
        writeDword(account, L"Unreplicated", delay);
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

bool realmSid(const text& realm, std::vector<BYTE>& sid)
{
    if (realm.empty())
        return computerDomainSid(sid);
    text controller;
    text sidString;
    syslib::CSyLocalMem<PSID> binary;
    if (!playedDomain(realm, controller, sidString) || !::ConvertStringSidToSidW(sidString.c_str(), binary.receive()))
        return false;
    const BYTE* bytes = static_cast<const BYTE*>(binary.get());
    sid.assign(bytes, bytes + ::GetLengthSid(binary.get()));
    return true;
}

text realmName(const text& realm)
{
    return realm.empty() ? computerName() : realm;
}

text sidText(PSID sid)
{
    syslib::CSyLocalMem<wchar_t*> buffer;
    if (!::ConvertSidToStringSidW(sid, buffer.receive()))
        return text();
    return buffer.get();
}

std::vector<BYTE> accountSid(DWORD rid, const text& realm)
{
    std::vector<BYTE> domain;
    if (!realmSid(realm, domain))
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

std::vector<BYTE> accountSid(const CAccountRecord& record)
{
    return accountSid(record.rid, record.realm);
}

DWORD realmRid(PSID sid, const text& realm)
{
    std::vector<BYTE> domain;
    if (sid == nullptr || !::IsValidSid(sid) || !realmSid(realm, domain))
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

DWORD localRid(PSID sid)
{
    return realmRid(sid, text());
}

bool findAccount(eAccountKind kind, const text& name, CAccountRecord& record, const text& realm)
{
    return readRecord(kind, name, record, realm);
}

bool findAccount(const text& name, CAccountRecord& record, const text& realm)
{
    return readRecord(KIND_USER, name, record, realm) || readRecord(KIND_GROUP, name, record, realm);
}

std::vector<CAccountRecord> accounts(eAccountKind kind, const text& realm)
{
    std::vector<CAccountRecord> all;
    syslib::CSyRegKey parent = openKey(kindKey(kind), false, realm);
    if (!parent)
        return all;
    wchar_t buffer[256];
    for (DWORD index = 0;; ++index)
    {
        DWORD length = 256;
        if (::RegEnumKeyExW(parent.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        CAccountRecord record;
        if (readRecord(kind, buffer, record, realm))
            all.push_back(record);
    }
    return all;
}

// The index from a RID to its account ("U" or "G" and the name), so that a lookup by SID reads one value.
void indexRid(DWORD rid, eAccountKind kind, const text& name, const text& realm)
{
    syslib::CSyRegKey index = openKey(L"Rids", true, realm);
    const text value = std::to_wstring(rid);
    if (name.empty())
        ::RegDeleteValueW(index.get(), value.c_str());
    else
        writeText(index.get(), value.c_str(), (kind == KIND_USER ? L"U" : L"G") + name);
}

bool findAccountByRid(DWORD rid, CAccountRecord& record, const text& realm)
{
    syslib::CSyRegKey index = openKey(L"Rids", false, realm);
    const text entry = index ? readText(index.get(), std::to_wstring(rid).c_str()) : text();
    if (entry.size() > 1 && readRecord(entry[0] == L'U' ? KIND_USER : KIND_GROUP, entry.substr(1), record, realm) &&
        record.rid == rid)
        return true;
    for (eAccountKind kind : {KIND_USER, KIND_GROUP})
        for (const CAccountRecord& candidate : accounts(kind, realm))
            if (candidate.rid == rid)
            {
                record = candidate;
                return true;
            }
    return false;
}

bool findAccountBySid(PSID sid, CAccountRecord& record)
{
    std::vector<text> realms = playedDomains();
    realms.insert(realms.begin(), text());
    for (const text& realm : realms)
    {
        const DWORD rid = realmRid(sid, realm);
        if (rid != 0)
            return findAccountByRid(rid, record, realm);
    }
    return false;
}

NET_API_STATUS addUser(const text& name, const wchar_t* password, const text& description, DWORD flags,
                       const text& realm)
{
    if (!validName(name, KIND_USER))
        return NERR_BadUsername;
    CAccountRecord existing;
    if (readRecord(KIND_USER, name, existing, realm))
        return NERR_UserExists;
    if (readRecord(KIND_GROUP, name, existing, realm) || isBuiltinAlias(name))
        return NERR_GroupExists;
    if (password == nullptr)
        password = L"";
    if (checkPasswordPolicy(password) != NERR_Success)
        return NERR_PasswordTooShort;
    syslib::CSyRegKey key = openKey(text(L"Users\\") + name, true, realm);
    if (!key)
        return ERROR_ACCESS_DENIED;
    writeText(key.get(), L"Name", name);
    writeDword(key.get(), L"Flags", flags);
    writeText(key.get(), L"Description", description);
    key.reset();
    if (setPassword(name, password, realm) != NERR_Success)
    {
        deleteAccount(KIND_USER, name, realm);
        return ERROR_ACCESS_DENIED;
    }
    // The RID last: an account without one does not exist yet for the readers.
    key = openKey(text(L"Users\\") + name, true, realm);
    startReplication(key.get(), realm);
    const DWORD rid = nextRid(realm);
    writeDword(key.get(), L"Rid", rid);
    indexRid(rid, KIND_USER, name, realm);
    return NERR_Success;
}

NET_API_STATUS addGroup(const text& name, const text& description, const text& realm)
{
    if (!validName(name, KIND_GROUP))
        return ERROR_INVALID_ACCOUNT_NAME;
    CAccountRecord existing;
    if (readRecord(KIND_GROUP, name, existing, realm) || isBuiltinAlias(name))
        return ERROR_ALIAS_EXISTS;
    if (readRecord(KIND_USER, name, existing, realm))
        return NERR_UserExists;
    syslib::CSyRegKey key = openKey(text(L"Groups\\") + name, true, realm);
    if (!key)
        return ERROR_ACCESS_DENIED;
    writeText(key.get(), L"Name", name);
    writeText(key.get(), L"Description", description);
    startReplication(key.get(), realm);
    const DWORD rid = nextRid(realm);
    writeDword(key.get(), L"Rid", rid);
    indexRid(rid, KIND_GROUP, name, realm);
    return NERR_Success;
}

NET_API_STATUS deleteAccount(eAccountKind kind, const text& name, const text& realm)
{
    CAccountRecord record;
    const bool exists = readRecord(kind, name, record, realm);
    syslib::CSyRegKey parent = openKey(kindKey(kind), false, realm);
    if (parent)
        ::RegDeleteKeyW(parent.get(), name.c_str());
    if (!exists)
        return kind == KIND_USER ? NERR_UserNotFound : NERR_GroupNotFound;
    indexRid(record.rid, kind, text(), realm);
    // Windows drops a deleted account from every group of its own database, and a deleted group's member
    // list with it; other computers' groups keep the SID, as Windows' do.
    const std::vector<BYTE> sid = accountSid(record);
    if (!sid.empty())
    {
        const text member = sidText(const_cast<BYTE*>(sid.data()));
        for (const text& group : groupsOf(member, realm))
            removeMember(group, member, realm);
    }
    syslib::CSyRegKey members = openKey(L"Members", false, realm);
    if (kind == KIND_GROUP && members)
        ::RegDeleteValueW(members.get(), record.name.c_str());
    return NERR_Success;
}

NET_API_STATUS setDescription(eAccountKind kind, const text& name, const text& description, const text& realm)
{
    CAccountRecord record;
    if (!readRecord(kind, name, record, realm))
        return kind == KIND_USER ? NERR_UserNotFound : NERR_GroupNotFound;
    syslib::CSyRegKey key = openKey(text(kindKey(kind)) + L"\\" + name, false, realm);
    writeText(key.get(), L"Description", description);
    return NERR_Success;
}

NET_API_STATUS setUserFlags(const text& name, DWORD flags, const text& realm)
{
    CAccountRecord record;
    if (!readRecord(KIND_USER, name, record, realm))
        return NERR_UserNotFound;
    syslib::CSyRegKey key = openKey(L"Users\\" + name, false, realm);
    writeDword(key.get(), L"Flags", flags);
    return NERR_Success;
}

NET_API_STATUS setHomeDirectory(const text& name, const text& home, const text& realm)
{
    CAccountRecord record;
    if (!readRecord(KIND_USER, name, record, realm))
        return NERR_UserNotFound;
    syslib::CSyRegKey key = openKey(L"Users\\" + name, false, realm);
    writeText(key.get(), L"HomeDir", home);
    return NERR_Success;
}

NET_API_STATUS renameAccount(eAccountKind kind, const text& name, const text& newName, const text& realm)
{
    CAccountRecord record;
    if (!readRecord(kind, name, record, realm))
        return kind == KIND_USER ? NERR_UserNotFound : NERR_GroupNotFound;
    if (!validName(newName, kind))
        return kind == KIND_USER ? NERR_BadUsername : ERROR_INVALID_ACCOUNT_NAME;
    CAccountRecord taken;
    if (!sameText(name, newName) && (findAccount(newName, taken, realm) || isBuiltinAlias(newName)))
        return taken.kind == KIND_USER ? NERR_UserExists : ERROR_ALIAS_EXISTS;
    std::vector<text> members;
    if (kind == KIND_GROUP)
        groupMembers(record.name, members, realm);
    syslib::CSyRegKey parent = openKey(kindKey(kind), false, realm);
    // The SID stays: only the key's name changes, as Windows keeps the RID of a renamed account.
    text oldKey = text(kindKey(kind)) + L"\\" + record.name;
    text staging = text(kindKey(kind)) + L"\\" + newName;
    if (sameText(name, newName))
        staging += L".renaming";
    syslib::CSyRegKey from = openKey(oldKey, false, realm);
    syslib::CSyRegKey to = openKey(staging, true, realm);
    if (!from || !to || ::RegCopyTreeW(from.get(), nullptr, to.get()) != ERROR_SUCCESS)
        return ERROR_ACCESS_DENIED;
    from.reset();
    to.reset();
    ::RegDeleteTreeW(parent.get(), record.name.c_str());
    if (sameText(name, newName))
    {
        from = openKey(staging, false, realm);
        to = openKey(text(kindKey(kind)) + L"\\" + newName, true, realm);
        ::RegCopyTreeW(from.get(), nullptr, to.get());
        from.reset();
        ::RegDeleteTreeW(parent.get(), (newName + L".renaming").c_str());
    }
    syslib::CSyRegKey renamed = openKey(text(kindKey(kind)) + L"\\" + newName, false, realm);
    writeText(renamed.get(), L"Name", newName);
    indexRid(record.rid, kind, newName, realm);
    if (kind == KIND_GROUP)
    {
        syslib::CSyRegKey membersKey = openKey(L"Members", true, realm);
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

NET_API_STATUS setPassword(const text& name, const wchar_t* password, const text& realm)
{
    if (checkPasswordPolicy(password) != NERR_Success)
        return NERR_PasswordTooShort;
    syslib::CSyRegKey key = openKey(L"Users\\" + name, false, realm);
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

bool checkPassword(const text& name, const wchar_t* password, const text& realm)
{
    syslib::CSyRegKey key = openKey(L"Users\\" + name, false, realm);
    if (!key || password == nullptr)
        return false;
    std::vector<BYTE> digest;
    const std::vector<BYTE> stored = readBytes(key.get(), L"Hash");
    return hash(readBytes(key.get(), L"Salt"), password, digest) && !stored.empty() && digest == stored;
}

NET_API_STATUS groupMembers(const text& group, std::vector<text>& members, const text& realm)
{
    CAccountRecord record;
    text spelled = group;
    if (readRecord(KIND_GROUP, group, record, realm))
        spelled = record.name;
    else if (!realm.empty() || !isBuiltinAlias(group))
        return NERR_GroupNotFound;
    syslib::CSyRegKey key = openKey(L"Members", false, realm);
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

namespace
{
NET_API_STATUS changeMember(const text& group, const text& memberSid, bool add, const text& realm)
{
    std::vector<text> members;
    const NET_API_STATUS status = groupMembers(group, members, realm);
    if (status != NERR_Success)
        return status;
    const auto it = std::find_if(members.begin(), members.end(), [&](const text& m) { return sameText(m, memberSid); });
    if (add && it != members.end())
        return ERROR_MEMBER_IN_ALIAS;
    if (!add && it == members.end())
        return ERROR_MEMBER_NOT_IN_ALIAS;
    if (add)
        members.push_back(memberSid);
    else
        members.erase(it);
    CAccountRecord record;
    syslib::CSyRegKey key = openKey(L"Members", true, realm);
    writeList(key.get(), (readRecord(KIND_GROUP, group, record, realm) ? record.name : group).c_str(), members);
    return NERR_Success;
}
} // namespace

NET_API_STATUS addMember(const text& group, const text& memberSid, const text& realm)
{
    return changeMember(group, memberSid, true, realm);
}

NET_API_STATUS removeMember(const text& group, const text& memberSid, const text& realm)
{
    return changeMember(group, memberSid, false, realm);
}

std::vector<text> groupsOf(const text& memberSid, const text& realm)
{
    std::vector<text> groups;
    syslib::CSyRegKey key = openKey(L"Members", false, realm);
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

std::vector<text> playedDomains()
{
    std::vector<text> domains;
    syslib::CSyRegKey parent = openKey(L"Domains", false);
    if (!parent)
        return domains;
    wchar_t buffer[256];
    for (DWORD index = 0;; ++index)
    {
        DWORD length = 256;
        if (::RegEnumKeyExW(parent.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return domains;
        text controller;
        text sid;
        if (playedDomain(buffer, controller, sid))
            domains.push_back(buffer);
    }
}

bool playedDomainNamed(const text& name, text& realm)
{
    for (const text& domain : playedDomains())
        if (sameText(domain, name))
        {
            realm = domain;
            return true;
        }
    return false;
}

bool playedDomainOfController(const text& server, text& domain, text& sid)
{
    const text bare = server.compare(0, 2, L"\\\\") == 0 ? server.substr(2) : server;
    for (const text& candidate : playedDomains())
    {
        text controller;
        if (playedDomain(candidate, controller, sid) &&
            sameText(controller.compare(0, 2, L"\\\\") == 0 ? controller.substr(2) : controller, bare))
        {
            domain = candidate;
            return true;
        }
    }
    return false;
}

bool reachedThisComputer(const CAccountRecord& record)
{
    if (record.realm.empty())
        return true;
    syslib::CSyRegKey key = openKey(text(kindKey(record.kind)) + L"\\" + record.name, false, record.realm);
    DWORD missing = 0;
    if (!key || !readDword(key.get(), L"Unreplicated", missing) || missing == 0)
        return true;
    writeDword(key.get(), L"Unreplicated", missing - 1);
    return false;
}
} // namespace standins
