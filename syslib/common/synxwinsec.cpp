// Windows code: the owners of SIDs, descriptors, token groups, privileges and tokens.
#include "sytrace.h"
#include "syslib/account/syaccountapi.h"
#include "sywinsec.h"

#include <sddl.h>
#include <userenv.h>

#include <new>

SY_SOURCE_FILE(L"synxwinsec")

CSyWinSid::CSyWinSid(PSID sid)
{
    if (sid == nullptr || !::IsValidSid(sid))
    {
        syslib::reportError(L"syslib.account.invalidSID", {}, __LINE__);
        throw ESyException(ESyException::DCOM_HRESULT, static_cast<int>(E_INVALIDARG));
    }
    const DWORD length = ::GetLengthSid(sid);
    try
    {
        m_sid.resize(length);
    }
    catch (const std::bad_alloc&)
    {
        syslib::reportError(L"syslib.outOfMemory", {}, __LINE__);
        throw ESyException(ESyException::DCOM_HRESULT, static_cast<int>(E_OUTOFMEMORY));
    }
    ::CopySid(length, m_sid.data(), sid);
}

bool CSyWinSid::operator==(const CSyWinSid& other) const
{
    if (isEmpty() || other.isEmpty() || !::IsValidSid(get()) || !::IsValidSid(other.get()))
        return false;
    return ::EqualSid(get(), other.get()) != FALSE;
}

bool CSyWinSid::lookupAccount()
{
    if (isEmpty())
        return false;
    DWORD nameLength = 0;
    DWORD domainLength = 0;
    SID_NAME_USE use = SidTypeInvalid;
    // Through the account table: accounts the stand-ins hold are unknown to wine's own lookup.
    const syslib::SyAccountApi& api = syslib::accountApi();
    api.LookupAccountSidW(nullptr, get(), nullptr, &nameLength, nullptr, &domainLength, &use);
    if (nameLength == 0)
        return false;
    std::vector<wchar_t> name(nameLength);
    std::vector<wchar_t> domain(domainLength + 1);
    if (!api.LookupAccountSidW(nullptr, get(), name.data(), &nameLength, domain.data(), &domainLength, &use))
        return false;
    m_name.assign(name.data(), nameLength);
    m_domain.assign(domain.data(), domainLength);
    m_nameUse = use;
    return true;
}

CSyWinSecurityDesc::CSyWinSecurityDesc(PSECURITY_DESCRIPTOR descriptor)
{
    if (descriptor == nullptr || !::IsValidSecurityDescriptor(descriptor))
        throw ESyException(ESyException::WIN32_ERROR, ERROR_INVALID_SECURITY_DESCR);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    if (control & SE_SELF_RELATIVE)
    {
        const DWORD length = ::GetSecurityDescriptorLength(descriptor);
        const BYTE* bytes = static_cast<const BYTE*>(descriptor);
        m_descriptor.assign(bytes, bytes + length);
        return;
    }
    DWORD length = 0;
    ::MakeSelfRelativeSD(descriptor, nullptr, &length);
    m_descriptor.resize(length);
    if (length == 0 || !::MakeSelfRelativeSD(descriptor, m_descriptor.data(), &length))
    {
        const DWORD error = ::GetLastError();
        m_descriptor.clear();
        throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
    }
}

PSID CSyWinSecurityDesc::getOwner() const
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (isEmpty() || !::GetSecurityDescriptorOwner(get(), &owner, &defaulted))
        return nullptr;
    return owner;
}

PSID CSyWinSecurityDesc::getGroup() const
{
    PSID group = nullptr;
    BOOL defaulted = FALSE;
    if (isEmpty() || !::GetSecurityDescriptorGroup(get(), &group, &defaulted))
        return nullptr;
    return group;
}

PACL CSyWinSecurityDesc::getDacl() const
{
    PACL acl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (isEmpty() || !::GetSecurityDescriptorDacl(get(), &present, &acl, &defaulted) || !present)
        return nullptr;
    return acl;
}

PACL CSyWinSecurityDesc::getSacl() const
{
    PACL acl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (isEmpty() || !::GetSecurityDescriptorSacl(get(), &present, &acl, &defaulted) || !present)
        return nullptr;
    return acl;
}

SECURITY_DESCRIPTOR_CONTROL CSyWinSecurityDesc::getControl() const
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!isEmpty())
        ::GetSecurityDescriptorControl(get(), &control, &revision);
    return control;
}

iastring CSyWinSecurityDesc::toString(SECURITY_INFORMATION parts) const
{
    if (isEmpty())
        throw ESyException(ESyException::WIN32_ERROR, ERROR_INVALID_SECURITY_DESCR);
    syslib::CSyLocalMem<wchar_t*> text;
    ULONG length = 0;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(get(), SDDL_REVISION_1, parts, text.receive(),
                                                                &length))
        throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(::GetLastError()));
    return iastring(text.get());
}

bool CTokenGroups::hasEnabled(const CSyWinSid& sid) const
{
    for (const Entry& group : m_groups)
        if ((group.second & SE_GROUP_ENABLED) && group.first == sid)
            return true;
    return false;
}

std::uint64_t CTokenPrivileges::key(LUID luid)
{
    return (static_cast<std::uint64_t>(static_cast<DWORD>(luid.HighPart)) << 32) | luid.LowPart;
}

bool CTokenPrivileges::add(const iastring& privilegeName, bool enable)
{
    LUID luid = {};
    if (!::LookupPrivilegeValueW(nullptr, privilegeName.c_str(), &luid))
        return false;
    add(luid, enable ? SE_PRIVILEGE_ENABLED : 0);
    return true;
}

void CTokenPrivileges::add(LUID luid, DWORD attributes)
{
    m_privileges[key(luid)] = attributes;
}

bool CTokenPrivileges::lookup(LUID luid, DWORD& attributes) const
{
    const auto found = m_privileges.find(key(luid));
    if (found == m_privileges.end())
        return false;
    attributes = found->second;
    return true;
}

std::vector<BYTE> CTokenPrivileges::toBuffer() const
{
    // TOKEN_PRIVILEGES holds one entry itself; an empty list still needs the count.
    const std::size_t count = m_privileges.size();
    std::vector<BYTE> buffer(sizeof(TOKEN_PRIVILEGES) + (count ? count - 1 : 0) * sizeof(LUID_AND_ATTRIBUTES));
    TOKEN_PRIVILEGES* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
    privileges->PrivilegeCount = static_cast<DWORD>(count);
    std::size_t i = 0;
    for (const auto& entry : m_privileges)
    {
        privileges->Privileges[i].Luid.LowPart = static_cast<DWORD>(entry.first & 0xFFFFFFFFu);
        privileges->Privileges[i].Luid.HighPart = static_cast<LONG>(entry.first >> 32);
        privileges->Privileges[i].Attributes = entry.second;
        ++i;
    }
    return buffer;
}

void CTokenPrivileges::assign(const TOKEN_PRIVILEGES& privileges)
{
    m_privileges.clear();
    for (DWORD i = 0; i < privileges.PrivilegeCount; ++i)
        add(privileges.Privileges[i].Luid, privileges.Privileges[i].Attributes);
}

CAccessToken::~CAccessToken()
{
    m_revert.revert();
    if (m_profile && m_token.isValid())
        syslib::accountApi().UnloadUserProfile(m_token.get(), m_profile);
}

bool CAccessToken::openProcessToken(DWORD access)
{
    return ::OpenProcessToken(::GetCurrentProcess(), access, m_token.receive()) != FALSE;
}

bool CAccessToken::openThreadToken(DWORD access, bool openAsSelf)
{
    return ::OpenThreadToken(::GetCurrentThread(), access, openAsSelf ? TRUE : FALSE, m_token.receive()) != FALSE;
}

bool CAccessToken::enablePrivilege(const iastring& privilegeName, CTokenPrivileges& previous, bool enable)
{
    CTokenPrivileges change;
    if (!change.add(privilegeName, enable))
        return false;
    const std::vector<BYTE> newState = change.toBuffer();
    // 12 bytes a privilege and the count: small enough for the stack in every ordinary case.
    const DWORD wanted = static_cast<DWORD>(change.size() * sizeof(LUID_AND_ATTRIBUTES) + sizeof(DWORD));
    alignas(TOKEN_PRIVILEGES) BYTE onStack[1024];
    std::vector<BYTE> onHeap;
    BYTE* previousState = onStack;
    if (wanted > sizeof(onStack))
    {
        onHeap.resize(wanted);
        previousState = onHeap.data();
    }
    DWORD returned = 0;
    ::SetLastError(ERROR_SUCCESS);
    if (!::AdjustTokenPrivileges(m_token.get(), FALSE,
                                 reinterpret_cast<TOKEN_PRIVILEGES*>(const_cast<BYTE*>(newState.data())),
                                 wanted, reinterpret_cast<TOKEN_PRIVILEGES*>(previousState), &returned))
        return false;
    // Success with ERROR_NOT_ALL_ASSIGNED: the token does not hold the privilege at all.
    if (::GetLastError() == ERROR_NOT_ALL_ASSIGNED)
        return false;
    previous.assign(*reinterpret_cast<const TOKEN_PRIVILEGES*>(previousState));
    return true;
}

bool CAccessToken::restorePrivileges(const CTokenPrivileges& previous)
{
    // Nothing was changed when the previous state lists nothing.
    if (previous.isEmpty())
        return true;
    std::vector<BYTE> state = previous.toBuffer();
    return ::AdjustTokenPrivileges(m_token.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(state.data()), 0,
                                   nullptr, nullptr) != FALSE;
}

bool CAccessToken::impersonate()
{
    if (!::ImpersonateLoggedOnUser(m_token.get()))
        return false;
    m_revert.arm();
    return true;
}

bool CAccessToken::revert()
{
    return m_revert.revert();
}

bool CSyPrivilegeScope::begin(std::initializer_list<const wchar_t*> privilegeNames)
{
    CAccessToken source;
    if (m_previous.openThreadToken(TOKEN_DUPLICATE | TOKEN_IMPERSONATE | TOKEN_QUERY, true))
    {
        if (!::DuplicateTokenEx(m_previous.get(), TOKEN_IMPERSONATE | TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, nullptr,
                                SecurityImpersonation, TokenImpersonation, m_copy.receive()))
            return false;
    }
    else if (::GetLastError() != ERROR_NO_TOKEN || !source.openProcessToken(TOKEN_DUPLICATE | TOKEN_QUERY) ||
             !::DuplicateTokenEx(source.get(), TOKEN_IMPERSONATE | TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, nullptr,
                                 SecurityImpersonation, TokenImpersonation, m_copy.receive()))
        return false;
    bool all = true;
    for (const wchar_t* name : privilegeNames)
    {
        CTokenPrivileges unused;
        // The copy is thrown away at the end: nothing to restore.
        all = m_copy.enablePrivilege(name, unused) && all;
    }
    if (!::SetThreadToken(nullptr, m_copy.get()))
        return false;
    m_active = true;
    ::SetLastError(all ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
    return all;
}

bool CSyPrivilegeScope::end()
{
    if (!m_active)
        return true;
    m_active = false;
    return ::SetThreadToken(nullptr, m_previous.isValid() ? m_previous.get() : nullptr) != FALSE;
}
