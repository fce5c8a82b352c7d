// The Windows meaning of rights letters, special-right names and inheritance flags, and the neutral
// descriptor to and from the Windows one.
#include "syaccountapi.h"
#include "sysecuritydescwin.h"

#include "syslib/common/syswin.h"
#include "syslib/common/sytrace.h"

#include <aclapi.h>
#include <lmcons.h>
#include <sddl.h>

#include <winsvc.h>

#include <algorithm>
#include <iterator>
#include <vector>

SY_SOURCE_FILE(L"synxc_security_desc")

namespace SySecurityImpl
{
namespace
{
#define SY_NAMED(constant) {L## #constant, static_cast<unsigned long>(constant)}
#define SY_GENERIC_AND_STANDARD_NAMES                                                                  \
    SY_NAMED(GENERIC_READ), SY_NAMED(GENERIC_WRITE), SY_NAMED(GENERIC_EXECUTE), SY_NAMED(GENERIC_ALL),      \
        SY_NAMED(DELETE), SY_NAMED(READ_CONTROL), SY_NAMED(WRITE_DAC), SY_NAMED(WRITE_OWNER),              \
        SY_NAMED(SYNCHRONIZE), SY_NAMED(ACCESS_SYSTEM_SECURITY), SY_NAMED(MAXIMUM_ALLOWED),               \
        SY_NAMED(STANDARD_RIGHTS_READ), SY_NAMED(STANDARD_RIGHTS_WRITE)

const CSyNamedMask fileNames[] = {
    SY_GENERIC_AND_STANDARD_NAMES,
    SY_NAMED(FILE_ADD_FILE),
    SY_NAMED(FILE_ADD_SUBDIRECTORY),
    SY_NAMED(FILE_ALL_ACCESS),
    SY_NAMED(FILE_APPEND_DATA),
    SY_NAMED(FILE_CREATE_PIPE_INSTANCE),
    SY_NAMED(FILE_DELETE_CHILD),
    SY_NAMED(FILE_EXECUTE),
    SY_NAMED(FILE_LIST_DIRECTORY),
    SY_NAMED(FILE_READ_ATTRIBUTES),
    SY_NAMED(FILE_READ_DATA),
    SY_NAMED(FILE_READ_EA),
    SY_NAMED(FILE_TRAVERSE),
    SY_NAMED(FILE_WRITE_ATTRIBUTES),
    SY_NAMED(FILE_WRITE_DATA),
    SY_NAMED(FILE_WRITE_EA),
};

const CSyNamedMask registryNames[] = {
    SY_GENERIC_AND_STANDARD_NAMES,
    SY_NAMED(KEY_ALL_ACCESS),
    SY_NAMED(KEY_CREATE_LINK),
    SY_NAMED(KEY_CREATE_SUB_KEY),
    SY_NAMED(KEY_ENUMERATE_SUB_KEYS),
    SY_NAMED(KEY_EXECUTE),
    SY_NAMED(KEY_NOTIFY),
    SY_NAMED(KEY_QUERY_VALUE),
    SY_NAMED(KEY_READ),
    SY_NAMED(KEY_SET_VALUE),
    SY_NAMED(KEY_WOW64_64KEY),
    SY_NAMED(KEY_WOW64_32KEY),
    SY_NAMED(KEY_WRITE),
};

const CSyNamedMask serviceNames[] = {
    SY_GENERIC_AND_STANDARD_NAMES,
    SY_NAMED(SERVICE_ALL_ACCESS),
    SY_NAMED(SERVICE_CHANGE_CONFIG),
    SY_NAMED(SERVICE_ENUMERATE_DEPENDENTS),
    SY_NAMED(SERVICE_INTERROGATE),
    SY_NAMED(SERVICE_PAUSE_CONTINUE),
    SY_NAMED(SERVICE_QUERY_CONFIG),
    SY_NAMED(SERVICE_QUERY_STATUS),
    SY_NAMED(SERVICE_START),
    SY_NAMED(SERVICE_STOP),
    SY_NAMED(SERVICE_USER_DEFINED_CONTROL),
};

// Older engines knew only letters for files; names arrive there as unknown.
const CSyRightsTable compatibleFileTable = {0x120089, 0x120116, 0x1200A0, 0x1F01FF, {nullptr, nullptr}};
const CSyRightsTable fileTable = {0x120089, 0x120116, 0x1200A0, 0x1F01FF, {std::begin(fileNames), std::end(fileNames)}};
const CSyRightsTable registryTable = {0x20019, 0x20006, 0x20019, 0xF003F,
                                     {std::begin(registryNames), std::end(registryNames)}};
const CSyRightsTable serviceTable = {0x2008D, 0x20002, 0x20170, 0xF01FF,
                                    {std::begin(serviceNames), std::end(serviceNames)}};
} // namespace

const CSyRightsTable* rightsTable(SecurableObjectType type)
{
    switch (type)
    {
    case COMPATIBLE_FILE:
        return &compatibleFileTable;
    case FILESYSTEM:
        return &fileTable;
    case REGISTRY_KEY:
        return &registryTable;
    case SERVICE:
        return &serviceTable;
    }
    return nullptr;
}

CSyNameTable inheritanceFlagTable()
{
    static const CSyNamedMask flags[] = {
        SY_NAMED(CONTAINER_INHERIT_ACE),    SY_NAMED(INHERIT_ONLY_ACE),   SY_NAMED(INHERITED_ACE),
        SY_NAMED(NO_PROPAGATE_INHERIT_ACE), SY_NAMED(OBJECT_INHERIT_ACE),
    };
    return {std::begin(flags), std::end(flags)};
}
#undef SY_GENERIC_AND_STANDARD_NAMES
#undef SY_NAMED

namespace
{
const SECURITY_INFORMATION allParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

syslib::CSyLocalMem<PSID> nativeSid(const iastring& text)
{
    syslib::CSyLocalMem<PSID> sid;
    if (!::ConvertStringSidToSidW(text.c_str(), sid.receive()))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"ConvertStringSidToSid", text);
        throw ESyAccount(text, L"ConvertStringSidToSid", ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    return sid;
}

// What the account behind a SID is, for the text form; NONE when nobody answers to it.
SyAclStrings::CSySecurityParser::eAccountType accountTypeOf(PSID sid)
{
    // Room for a local group's name of GNLEN characters; a longer name or domain is asked again at its size.
    std::vector<wchar_t> name(GNLEN + 1);
    std::vector<wchar_t> domain(DNLEN + 1);
    SID_NAME_USE use = SidTypeUnknown;
    for (;;)
    {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD domainLength = static_cast<DWORD>(domain.size());
        if (syslib::accountApi().LookupAccountSidW(nullptr, sid, name.data(), &nameLength, domain.data(),
                                                   &domainLength, &use))
            break;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || (nameLength <= name.size() && domainLength <= domain.size()))
            return SyAclStrings::CSySecurityParser::NONE;
        name.resize(std::max<std::size_t>(name.size(), nameLength));
        domain.resize(std::max<std::size_t>(domain.size(), domainLength));
    }
    switch (use)
    {
    case SidTypeUser:
        return SyAclStrings::CSySecurityParser::USER;
    case SidTypeGroup:
    case SidTypeAlias:
    case SidTypeWellKnownGroup:
        return SyAclStrings::CSySecurityParser::GROUP;
    default:
        return SyAclStrings::CSySecurityParser::NONE;
    }
}

iastring sidText(PSID sid)
{
    syslib::CSyLocalMem<wchar_t*> text;
    if (!::ConvertSidToStringSidW(sid, text.receive()))
        return iastring();
    return text.get();
}
} // namespace

void CSyNativeSecurityConverter::getNativeSecurityDesc(const iastring& name, CSyWinSecurityDesc& native,
                                                       SE_OBJECT_TYPE type)
{
    SY_TRACE_FUNCTION(L"CSySecurityDescConverter::getNativeSecurityDesc(const iastring & name, CSyWinSecurityDesc "
                      L"& native, SE_OBJECT_TYPE type)");
    SY_TRACE_PARAMETERS(name);
    if (!SyWinGetSecurityDescriptor(name, type, native, allParts, true))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"SyWinGetSecurityDescriptor", name);
        syslib::reportError(L"syslib.filesystem.aclGetFailed", {name}, __LINE__);
        throw ESyFileSystem(name, ESyException::WIN32_ERROR, static_cast<int>(error));
    }
}

iastring CSyNativeSecurityConverter::nativeText(const CSyWinSecurityDesc& native)
{
    try
    {
        return native.toString(allParts);
    }
    catch (const ESyException& failure)
    {
        syslib::printOSError(static_cast<syslib::SyOSError>(failure.getCode()), L"NativeSecurityDesc_t::ToString",
                             __LINE__, iastring(), CMessage::LOG_WARNING, syThisSourceFile);
        return L"<conversion to string failed>";
    }
}

void CSyNativeSecurityConverter::nativeToSecurityDesc(const CSyWinSecurityDesc& native, CSySecurityDesc& descriptor)
{
    SY_TRACE_FUNCTION(L"CSySecurityDescConverter::nativeToSecurityDesc(const CSyWinSecurityDesc & native, "
                      L"CSySecurityDesc & descriptor)");
    descriptor = CSySecurityDesc();
    if (PSID owner = native.getOwner())
        descriptor.m_ownerId = sidText(owner);
    else
        syslib::logBook().log(L"Native security descriptor " + nativeText(native) +
                                  L" does not seem to have an owner.",
                              __LINE__);
    if (PSID group = native.getGroup())
        descriptor.m_groupId = sidText(group);
    const SECURITY_DESCRIPTOR_CONTROL control = native.getControl();
    descriptor.m_protection =
        (control & SE_DACL_PROTECTED) ? CSySecurityDesc::DACL_PROTECTED : CSySecurityDesc::DACL_UNPROTECTED;
    descriptor.m_autoInherited = (control & SE_DACL_AUTO_INHERITED) != 0;
    const PACL dacl = native.getDacl();
    if (dacl == nullptr)
    {
        syslib::logBook().log(L"Native security descriptor " + nativeText(native) + L" does not have a dacl.",
                              __LINE__);
        descriptor.m_hasDacl = false;
        return;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i)
    {
        ACE_HEADER* header = nullptr;
        if (!::GetAce(dacl, i, reinterpret_cast<void**>(&header)) ||
            (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE))
            continue;
        const ACCESS_ALLOWED_ACE* entry = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        CSyACE ace;
        ace.m_account = sidText(const_cast<DWORD*>(&entry->SidStart));
        ace.m_accountType = accountTypeOf(const_cast<DWORD*>(&entry->SidStart));
        ace.m_deny = header->AceType == ACCESS_DENIED_ACE_TYPE;
        ace.m_mask = entry->Mask;
        ace.m_flags = header->AceFlags & VALID_INHERIT_FLAGS;
        descriptor.m_dacl.push_back(ace);
    }
}

void CSyNativeSecurityConverter::securityDescToNative(const CSySecurityDesc& descriptor,
                                                      SecurableObjectType objectType, CSyNativeSecurityParts& parts)
{
    SY_TRACE_FUNCTION(L"CSySecurityDescConverter::securityDescToNative(const CSySecurityDesc & descriptor, "
                      L"CSyNativeSecurityParts & parts)");
    if (syslib::isTracing())
        syslib::logBook().trace(descriptor.toString(objectType), __LINE__);
    if (!descriptor.m_ownerId.empty())
        parts.owner = nativeSid(descriptor.m_ownerId);
    if (!descriptor.m_groupId.empty())
        parts.group = nativeSid(descriptor.m_groupId);
    parts.hasDacl = descriptor.m_hasDacl;
    if (!descriptor.m_hasDacl)
        return;

    // Built here, entry by entry: SetEntriesInAcl would merge entries of one trustee and order them by
    // its own rules, and what is written would not be what was asked for.
    CSySecurityDesc ordered = descriptor;
    ordered.sortCanonically();
    std::vector<syslib::CSyLocalMem<PSID>> sids;
    DWORD size = sizeof(ACL);
    for (const CSyACE& ace : ordered.m_dacl)
    {
        sids.push_back(nativeSid(ace.m_account));
        size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(sids.back().get());
    }
    parts.dacl.reset(static_cast<PACL>(::LocalAlloc(LPTR, size)));
    if (!parts.dacl)
    {
        SY_PRINT_OS_ERROR(ERROR_NOT_ENOUGH_MEMORY, L"LocalAlloc", syslib::toString(size));
        throw ESySecurityDescError(L"Building the DACL failed");
    }
    if (!::InitializeAcl(parts.dacl.get(), size, ACL_REVISION))
    {
        SY_PRINT_OS_ERROR(::GetLastError(), L"InitializeAcl", syslib::toString(size));
        throw ESySecurityDescError(L"Building the DACL failed");
    }
    for (std::size_t i = 0; i < ordered.m_dacl.size(); ++i)
    {
        const CSyACE& ace = ordered.m_dacl[i];
        const BYTE flags = static_cast<BYTE>(ace.m_flags & VALID_INHERIT_FLAGS);
        const BOOL added = ace.m_deny
                               ? ::AddAccessDeniedAceEx(parts.dacl.get(), ACL_REVISION, flags, ace.m_mask, sids[i].get())
                               : ::AddAccessAllowedAceEx(parts.dacl.get(), ACL_REVISION, flags, ace.m_mask,
                                                         sids[i].get());
        if (!added)
        {
            SY_PRINT_OS_ERROR(::GetLastError(), ace.m_deny ? L"AddAccessDeniedAceEx" : L"AddAccessAllowedAceEx",
                              ace.m_account + L", " + hexText(ace.m_mask));
            throw ESySecurityDescError(L"Building the DACL failed");
        }
    }
}

iastring CSyNativeSecurityConverter::dumpNative(const CSySecurityDesc& descriptor, SecurableObjectType objectType)
{
    CSyNativeSecurityParts parts;
    securityDescToNative(descriptor, objectType, parts);
    SECURITY_DESCRIPTOR absolute;
    ::InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION);
    if (parts.owner)
        ::SetSecurityDescriptorOwner(&absolute, parts.owner.get(), FALSE);
    if (parts.group)
        ::SetSecurityDescriptorGroup(&absolute, parts.group.get(), FALSE);
    if (parts.hasDacl)
        ::SetSecurityDescriptorDacl(&absolute, TRUE, parts.dacl.get(), FALSE);
    const SECURITY_DESCRIPTOR_CONTROL control =
        (descriptor.m_protection == CSySecurityDesc::DACL_PROTECTED ? SE_DACL_PROTECTED : 0) |
                                                (descriptor.m_autoInherited ? SE_DACL_AUTO_INHERITED : 0);
    ::SetSecurityDescriptorControl(&absolute, SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED, control);
    try
    {
        return nativeText(CSyWinSecurityDesc(&absolute));
    }
    catch (const ESyException&)
    {
        return L"<conversion to string failed>";
    }
}

namespace
{
void setParts(SetNamedSecurityFunction set, const iastring& name, SE_OBJECT_TYPE type, SECURITY_INFORMATION parts,
              PSID owner, PSID group, PACL dacl, const iastring& descriptorText)
{
    // Windows takes an owner other than the caller or a group it may own through only with
    // SeRestorePrivilege; an administrator holds it, disabled.
    CSyPrivilegeScope privileges;
    if ((parts & OWNER_SECURITY_INFORMATION) && !privileges.begin({L"SeRestorePrivilege", L"SeTakeOwnershipPrivilege"}))
        SY_TRACE_OS_ERROR(::GetLastError(), L"CSyPrivilegeScope::begin", L"SeRestorePrivilege, SeTakeOwnershipPrivilege");
    SY_TRACE_SYSCALL(L"SetNamedSecurityInfoW(" + name + L", ...)");
    iastring writable = name;
    const DWORD error = set(&writable[0], type, parts, owner, group, dacl, nullptr);
    privileges.end();
    if (error != ERROR_SUCCESS)
    {
        SY_PRINT_OS_ERROR(error, L"SetNamedSecurityInfo", name);
        syslib::reportError(L"syslib.filesystem.aclSetFailed", {name}, __LINE__);
        throw ESyFileSystem(name, ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    SY_TRACE_SYSCALL_RETURNED();
    syslib::logBook().log(L"Security descriptor of " + name + L" set to " + descriptorText, __LINE__);
}

// Only objects with a parent inherit; without either flag Windows keeps the object's protection.
SECURITY_INFORMATION protectionFlags(SE_OBJECT_TYPE type, bool isProtected)
{
    if (type != SE_FILE_OBJECT && type != SE_REGISTRY_KEY)
        return 0;
    return isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION;
}
} // namespace

void setNamedSecurity(SetNamedSecurityFunction set, const iastring& name, SE_OBJECT_TYPE type,
                      const CSySecurityDesc& descriptor, SecurableObjectType objectType, SECURITY_INFORMATION written)
{
    CSyNativeSecurityParts parts;
    CSyNativeSecurityConverter::securityDescToNative(descriptor, objectType, parts);
    written &= OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION;
    if (!parts.owner)
        written &= ~OWNER_SECURITY_INFORMATION;
    if (!parts.group)
        written &= ~GROUP_SECURITY_INFORMATION;
    if (parts.hasDacl)
    {
        written |= DACL_SECURITY_INFORMATION;
        if (descriptor.m_protection != CSySecurityDesc::PROTECTION_UNCHANGED)
            written |= protectionFlags(type, descriptor.m_protection == CSySecurityDesc::DACL_PROTECTED);
    }
    else
        syslib::logBook().log(L"Error in CSecurityDesc::GetDacl (see trace message above). I assume that the "
                              L"security descriptor has no DACL.",
                              __LINE__);
    setParts(set, name, type, written, parts.owner.get(), parts.group.get(), parts.dacl.get(),
             CSyNativeSecurityConverter::dumpNative(descriptor, objectType));
}

void setNamedSecurity(SetNamedSecurityFunction set, const iastring& name, SE_OBJECT_TYPE type,
                      const CSyWinSecurityDesc& native)
{
    SECURITY_INFORMATION written = DACL_SECURITY_INFORMATION |
                                   protectionFlags(type, (native.getControl() & SE_DACL_PROTECTED) != 0);
    if (native.getOwner())
        written |= OWNER_SECURITY_INFORMATION;
    if (native.getGroup())
        written |= GROUP_SECURITY_INFORMATION;
    setParts(set, name, type, written, native.getOwner(), native.getGroup(), native.getDacl(),
             CSyNativeSecurityConverter::nativeText(native));
}
} // namespace SySecurityImpl
