// Descriptors of files and directories, kept in the registry by the file's identity (volume serial and
// file index), so that a descriptor follows its file through a rename as on NTFS. A file never given one
// reads as the platform reports it, unless an ancestor was given inheritable entries: those it receives,
// as Windows gives them at creation. A set does what SetNamedSecurityInfo documents: a foreign owner
// needs SeRestorePrivilege, an unprotected DACL takes its inherited entries from the parent, and a
// directory's new inheritable entries reach the children it has.
#include "safilesec.h"
#include "standins/common/saregistry.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace standins
{
const wchar_t* const securityKey = L"Software\\Vantix\\StandIns\\Security";

namespace
{
typedef std::wstring text;

text filesKey()
{
    return text(securityKey) + L"\\Files";
}

DWORD fileIdentity(LPCWSTR name, text& identity, bool& directory)
{
    const syslib::CSyKernelHandle file(::CreateFileW(name, FILE_READ_ATTRIBUTES,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (!file || !::GetFileInformationByHandle(file.get(), &information))
        return ::GetLastError();
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"%08lX-%08lX%08lX", information.dwVolumeSerialNumber, information.nFileIndexHigh,
                  information.nFileIndexLow);
    identity = buffer;
    directory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return ERROR_SUCCESS;
}

// The parent's name, or empty for a root.
text parentOf(text name)
{
    while (name.size() > 3 && (name.back() == L'\\' || name.back() == L'/'))
        name.pop_back();
    const text::size_type slash = name.find_last_of(L"\\/");
    if (slash == text::npos || slash + 1 >= name.size() || name.size() <= 3)
        return text();
    const text parent = name.substr(0, slash);
    // "C:" alone names the current directory of the drive, "C:\" the root.
    return parent.size() == 2 && parent[1] == L':' ? parent + L"\\" : parent;
}

bool storedDescriptor(const text& identity, std::vector<BYTE>& descriptor)
{
    const syslib::CSyRegKey key = openMachineKey(filesKey(), false);
    if (!key)
        return false;
    descriptor = readBytes(key.get(), identity.c_str());
    return !descriptor.empty() && ::IsValidSecurityDescriptor(descriptor.data());
}

struct CEntry
{
    BYTE type;
    BYTE flags;
    ACCESS_MASK mask;
    PSID sid;
};

bool isAccessEntry(const ACE_HEADER* header)
{
    return header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE;
}

CEntry entryOf(ACE_HEADER* header)
{
    ACCESS_ALLOWED_ACE* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    return {header->AceType, header->AceFlags, ace->Mask, &ace->SidStart};
}

// The entries a child receives from its parent's DACL, appended to entries.
void appendInherited(PACL parentDacl, bool childIsDirectory, std::vector<CEntry>& entries)
{
    if (parentDacl == nullptr)
        return;
    for (DWORD i = 0; i < parentDacl->AceCount; ++i)
    {
        ACE_HEADER* header = nullptr;
        if (!::GetAce(parentDacl, i, reinterpret_cast<void**>(&header)) || !isAccessEntry(header))
            continue;
        const BYTE flags = header->AceFlags;
        BYTE childFlags = 0;
        if (childIsDirectory && (flags & CONTAINER_INHERIT_ACE))
            childFlags = (flags & NO_PROPAGATE_INHERIT_ACE) ? 0 : (flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));
        else if (childIsDirectory && (flags & OBJECT_INHERIT_ACE) && !(flags & NO_PROPAGATE_INHERIT_ACE))
            childFlags = OBJECT_INHERIT_ACE | INHERIT_ONLY_ACE;
        else if (!childIsDirectory && (flags & OBJECT_INHERIT_ACE))
            childFlags = 0;
        else
            continue;
        CEntry entry = entryOf(header);
        entry.flags = static_cast<BYTE>(childFlags | INHERITED_ACE);
        entries.push_back(entry);
    }
}

// The entries of a DACL that were set on the object itself.
void appendExplicit(PACL dacl, std::vector<CEntry>& entries)
{
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i)
    {
        ACE_HEADER* header = nullptr;
        if (::GetAce(dacl, i, reinterpret_cast<void**>(&header)) && isAccessEntry(header) &&
            !(header->AceFlags & INHERITED_ACE))
            entries.push_back(entryOf(header));
    }
}

bool buildAcl(const std::vector<CEntry>& entries, std::vector<BYTE>& acl)
{
    DWORD size = sizeof(ACL);
    for (const CEntry& entry : entries)
        size += sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(entry.sid);
    acl.assign(size, 0);
    PACL result = reinterpret_cast<PACL>(acl.data());
    if (!::InitializeAcl(result, size, ACL_REVISION))
        return false;
    for (const CEntry& entry : entries)
    {
        const BOOL added = entry.type == ACCESS_DENIED_ACE_TYPE
                               ? ::AddAccessDeniedAceEx(result, ACL_REVISION, entry.flags, entry.mask, entry.sid)
                               : ::AddAccessAllowedAceEx(result, ACL_REVISION, entry.flags, entry.mask, entry.sid);
        if (!added)
            return false;
    }
    return true;
}

// The entries a child receives from its parent's DACL, or none.
bool inheritedEntries(PACL parentDacl, bool childIsDirectory, std::vector<BYTE>& acl)
{
    std::vector<CEntry> entries;
    appendInherited(parentDacl, childIsDirectory, entries);
    return !entries.empty() && buildAcl(entries, acl);
}

PACL daclOf(const std::vector<BYTE>& descriptor, bool& present)
{
    BOOL hasDacl = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(const_cast<BYTE*>(descriptor.data()), &hasDacl, &dacl, &defaulted);
    present = hasDacl != FALSE;
    return dacl;
}

PSID ownerOf(const std::vector<BYTE>& descriptor)
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    ::GetSecurityDescriptorOwner(const_cast<BYTE*>(descriptor.data()), &owner, &defaulted);
    return owner;
}

PSID groupOf(const std::vector<BYTE>& descriptor)
{
    PSID group = nullptr;
    BOOL defaulted = FALSE;
    ::GetSecurityDescriptorGroup(const_cast<BYTE*>(descriptor.data()), &group, &defaulted);
    return group;
}

// The descriptor a file has now; kept: whether it (or the ancestor it inherits from) was set here.
DWORD currentDescriptor(const text& name, std::vector<BYTE>& descriptor, bool& kept)
{
    text identity;
    bool directory = false;
    const DWORD error = fileIdentity(name.c_str(), identity, directory);
    if (error != ERROR_SUCCESS)
        return error;
    kept = storedDescriptor(identity, descriptor);
    if (kept)
        return ERROR_SUCCESS;

    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> platform;
    const DWORD read = ::GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT,
                                               OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                                   DACL_SECURITY_INFORMATION,
                                               nullptr, nullptr, nullptr, nullptr, platform.receive());
    if (read != ERROR_SUCCESS)
        return read;
    const DWORD length = ::GetSecurityDescriptorLength(platform.get());
    const BYTE* bytes = static_cast<const BYTE*>(platform.get());
    descriptor.assign(bytes, bytes + length);

    const text parent = parentOf(name);
    std::vector<BYTE> parentDescriptor;
    bool parentKept = false;
    if (parent.empty() || currentDescriptor(parent, parentDescriptor, parentKept) != ERROR_SUCCESS || !parentKept)
        return ERROR_SUCCESS;
    bool parentHasDacl = false;
    std::vector<BYTE> inherited;
    if (!inheritedEntries(daclOf(parentDescriptor, parentHasDacl), directory, inherited))
        return ERROR_SUCCESS;
    const std::vector<BYTE> combined = makeSelfRelative(ownerOf(descriptor), groupOf(descriptor), true,
                                                        reinterpret_cast<PACL>(inherited.data()), SE_DACL_AUTO_INHERITED);
    if (!combined.empty())
    {
        descriptor = combined;
        kept = true;
    }
    return ERROR_SUCCESS;
}

DWORD WINAPI GetNamedSecurityInfoW(LPCWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION parts, PSID* owner,
                                   PSID* group, PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* result)
{
    if (type != SE_FILE_OBJECT)
        return ::GetNamedSecurityInfoW(name, type, parts, owner, group, dacl, sacl, result);
    if (name == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> descriptor;
    bool kept = false;
    const DWORD error = currentDescriptor(name, descriptor, kept);
    if (error != ERROR_SUCCESS)
        return error;
    return handOut(descriptor, parts, owner, group, dacl, sacl, result);
}

SECURITY_DESCRIPTOR_CONTROL controlOf(const std::vector<BYTE>& descriptor)
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(const_cast<BYTE*>(descriptor.data()), &control, &revision);
    return control;
}

// The token the caller acts with: the thread's while it impersonates, else the process's.
bool openCallerToken(syslib::CSyKernelHandle& token)
{
    return ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.receive()) ||
           ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive());
}

std::vector<BYTE> tokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind)
{
    DWORD length = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &length);
    std::vector<BYTE> buffer(length);
    if (length == 0 || !::GetTokenInformation(token, kind, buffer.data(), length, &length))
        buffer.clear();
    return buffer;
}

// Windows lets a caller make itself, or an enabled group of its token that carries SE_GROUP_OWNER, the
// owner; anyone else only with SeRestorePrivilege enabled.
bool callerMayAssignOwner(PSID owner)
{
    syslib::CSyKernelHandle token;
    if (!openCallerToken(token))
        return false;
    const std::vector<BYTE> user = tokenInformation(token.get(), TokenUser);
    if (!user.empty() && ::EqualSid(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid, owner))
        return true;
    const std::vector<BYTE> groups = tokenInformation(token.get(), TokenGroups);
    const TOKEN_GROUPS* list = reinterpret_cast<const TOKEN_GROUPS*>(groups.data());
    const DWORD mayOwn = SE_GROUP_OWNER | SE_GROUP_ENABLED;
    for (DWORD i = 0; !groups.empty() && i < list->GroupCount; ++i)
        if ((list->Groups[i].Attributes & mayOwn) == mayOwn && ::EqualSid(list->Groups[i].Sid, owner))
            return true;
    LUID restore = {};
    if (!::LookupPrivilegeValueW(nullptr, L"SeRestorePrivilege", &restore))
        return false;
    const std::vector<BYTE> privileges = tokenInformation(token.get(), TokenPrivileges);
    const TOKEN_PRIVILEGES* held = reinterpret_cast<const TOKEN_PRIVILEGES*>(privileges.data());
    for (DWORD i = 0; !privileges.empty() && i < held->PrivilegeCount; ++i)
        if (held->Privileges[i].Luid.LowPart == restore.LowPart && held->Privileges[i].Luid.HighPart == restore.HighPart)
            return (held->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    return false;
}

// What an unprotected DACL becomes: its own entries, then those the parent hands down. Only a parent
// whose rights were set here hands any down: the platform's report of a directory stands for nothing
// anyone chose.
bool withInheritance(PACL dacl, const text& name, bool directory, std::vector<BYTE>& acl)
{
    std::vector<CEntry> entries;
    appendExplicit(dacl, entries);
    const text parent = parentOf(name);
    std::vector<BYTE> parentDescriptor;
    bool parentKept = false;
    bool parentHasDacl = false;
    if (!parent.empty() && currentDescriptor(parent, parentDescriptor, parentKept) == ERROR_SUCCESS && parentKept)
        appendInherited(daclOf(parentDescriptor, parentHasDacl), directory, entries);
    return buildAcl(entries, acl);
}

DWORD store(const text& identity, const std::vector<BYTE>& descriptor)
{
    const syslib::CSyRegKey key = openMachineKey(filesKey(), true);
    if (!key)
        return ERROR_ACCESS_DENIED;
    writeBytes(key.get(), identity.c_str(), descriptor);
    return ERROR_SUCCESS;
}

// A directory's new inheritable entries reach every child below it whose DACL is not protected; the
// children's own entries stay. A child never given rights inherits when it is read.
void propagate(text directory)
{
    while (!directory.empty() && (directory.back() == L'\\' || directory.back() == L'/'))
        directory.pop_back();
    WIN32_FIND_DATAW found;
    const syslib::CSyFindHandle search(::FindFirstFileW((directory + L"\\*").c_str(), &found));
    if (!search)
        return;
    do
    {
        const text entry = found.cFileName;
        if (entry == L"." || entry == L".." || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        const text child = directory + L"\\" + entry;
        const bool isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        text identity;
        bool ignored = false;
        std::vector<BYTE> stored;
        if (fileIdentity(child.c_str(), identity, ignored) != ERROR_SUCCESS)
            continue;
        if (storedDescriptor(identity, stored))
        {
            const SECURITY_DESCRIPTOR_CONTROL control = controlOf(stored);
            bool hasDacl = false;
            std::vector<BYTE> acl;
            if ((control & SE_DACL_PROTECTED) || !withInheritance(daclOf(stored, hasDacl), child, isDirectory, acl))
                continue;
            const std::vector<BYTE> updated =
                makeSelfRelative(ownerOf(stored), groupOf(stored), true, reinterpret_cast<PACL>(acl.data()),
                                 control | SE_DACL_AUTO_INHERITED);
            if (updated.empty() || store(identity, updated) != ERROR_SUCCESS)
                continue;
        }
        if (isDirectory)
            propagate(child);
    } while (::FindNextFileW(search.get(), &found));
}

DWORD WINAPI SetNamedSecurityInfoW(LPWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION parts, PSID owner,
                                   PSID group, PACL dacl, PACL sacl)
{
    if (type != SE_FILE_OBJECT)
        return ::SetNamedSecurityInfoW(name, type, parts, owner, group, dacl, sacl);
    if (name == nullptr || ((parts & OWNER_SECURITY_INFORMATION) && (owner == nullptr || !::IsValidSid(owner))) ||
        ((parts & GROUP_SECURITY_INFORMATION) && (group == nullptr || !::IsValidSid(group))))
        return ERROR_INVALID_PARAMETER;
    if ((parts & DACL_SECURITY_INFORMATION) && dacl != nullptr && !::IsValidAcl(dacl))
        return ERROR_INVALID_ACL;
    if ((parts & OWNER_SECURITY_INFORMATION) && !callerMayAssignOwner(owner))
        return ERROR_INVALID_OWNER;
    text identity;
    bool directory = false;
    DWORD error = fileIdentity(name, identity, directory);
    if (error != ERROR_SUCCESS)
        return error;
    std::vector<BYTE> current;
    bool kept = false;
    error = currentDescriptor(name, current, kept);
    if (error != ERROR_SUCCESS)
        return error;
    bool hasDacl = false;
    PACL newDacl = daclOf(current, hasDacl);
    SECURITY_DESCRIPTOR_CONTROL control = controlOf(current) & (SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED);
    std::vector<BYTE> acl;
    const bool settingDacl = (parts & DACL_SECURITY_INFORMATION) != 0;
    if (settingDacl)
    {
        // Without either flag the object keeps its protection.
        if (parts & PROTECTED_DACL_SECURITY_INFORMATION)
            control |= SE_DACL_PROTECTED;
        else if (parts & UNPROTECTED_DACL_SECURITY_INFORMATION)
            control &= ~SE_DACL_PROTECTED;
        hasDacl = true;
        newDacl = dacl;
        if (!(control & SE_DACL_PROTECTED) && dacl != nullptr)
        {
            if (!withInheritance(dacl, name, directory, acl))
                return ERROR_INVALID_ACL;
            newDacl = reinterpret_cast<PACL>(acl.data());
        }
        control |= SE_DACL_AUTO_INHERITED;
    }
    const std::vector<BYTE> updated =
        makeSelfRelative((parts & OWNER_SECURITY_INFORMATION) ? owner : ownerOf(current),
                         (parts & GROUP_SECURITY_INFORMATION) ? group : groupOf(current), hasDacl, newDacl, control);
    if (updated.empty())
        return ERROR_INVALID_SECURITY_DESCR;
    error = store(identity, updated);
    if (error == ERROR_SUCCESS && settingDacl && directory)
        propagate(name);
    return error;
}
} // namespace

std::vector<BYTE> makeSelfRelative(PSID owner, PSID group, bool hasDacl, PACL dacl, SECURITY_DESCRIPTOR_CONTROL control)
{
    const SECURITY_DESCRIPTOR_CONTROL kept = SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED;
    SECURITY_DESCRIPTOR absolute;
    if (!::InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
        (owner && !::SetSecurityDescriptorOwner(&absolute, owner, FALSE)) ||
        (group && !::SetSecurityDescriptorGroup(&absolute, group, FALSE)) ||
        (hasDacl && !::SetSecurityDescriptorDacl(&absolute, TRUE, dacl, FALSE)) ||
        (hasDacl && !::SetSecurityDescriptorControl(&absolute, kept, control & kept)))
        return {};
    DWORD length = 0;
    ::MakeSelfRelativeSD(&absolute, nullptr, &length);
    std::vector<BYTE> relative(length);
    if (length == 0 || !::MakeSelfRelativeSD(&absolute, relative.data(), &length))
        return {};
    return relative;
}

DWORD handOut(const std::vector<BYTE>& descriptor, SECURITY_INFORMATION parts, PSID* owner, PSID* group, PACL* dacl,
              PACL* sacl, PSECURITY_DESCRIPTOR* result)
{
    // Part pointers point into the descriptor: without it they would dangle (Windows requires it too).
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    bool hasDacl = false;
    PACL keptDacl = daclOf(descriptor, hasDacl);
    const std::vector<BYTE> requested =
        makeSelfRelative((parts & OWNER_SECURITY_INFORMATION) ? ownerOf(descriptor) : nullptr,
                         (parts & GROUP_SECURITY_INFORMATION) ? groupOf(descriptor) : nullptr,
                         (parts & DACL_SECURITY_INFORMATION) && hasDacl, keptDacl, controlOf(descriptor));
    if (requested.empty())
        return ERROR_INVALID_SECURITY_DESCR;
    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> copy(::LocalAlloc(LMEM_FIXED, requested.size()));
    if (!copy)
        return ERROR_NOT_ENOUGH_MEMORY;
    std::memcpy(copy.get(), requested.data(), requested.size());
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (owner)
        ::GetSecurityDescriptorOwner(copy.get(), owner, &defaulted);
    if (group)
        ::GetSecurityDescriptorGroup(copy.get(), group, &defaulted);
    if (dacl)
    {
        *dacl = nullptr;
        ::GetSecurityDescriptorDacl(copy.get(), &present, dacl, &defaulted);
    }
    if (sacl)
        *sacl = nullptr;
    *result = copy.detach();
    return ERROR_SUCCESS;
}

syslib::SyFileSecurityApi& fileSecurityApiTable()
{
    static syslib::SyFileSecurityApi api = {GetNamedSecurityInfoW, SetNamedSecurityInfoW};
    return api;
}
} // namespace standins

namespace syslib
{
const SyFileSecurityApi& fileSecurityApi()
{
    return standins::fileSecurityApiTable();
}
} // namespace syslib
