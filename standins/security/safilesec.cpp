// Descriptors of files and directories, kept in the registry by the file's identity (volume serial and
// file index), so that a descriptor follows its file through a rename as on NTFS. A file never given one
// reads as the platform reports it, unless an ancestor was given inheritable entries: those it receives,
// as Windows gives them at creation.
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

// The entries a child receives from its parent's DACL, or none.
bool inheritedEntries(PACL parentDacl, bool childIsDirectory, std::vector<BYTE>& acl)
{
    if (parentDacl == nullptr)
        return false;
    struct CEntry
    {
        BYTE type;
        BYTE flags;
        ACCESS_MASK mask;
        PSID sid;
    };
    std::vector<CEntry> entries;
    DWORD size = sizeof(ACL);
    for (DWORD i = 0; i < parentDacl->AceCount; ++i)
    {
        ACE_HEADER* header = nullptr;
        if (!::GetAce(parentDacl, i, reinterpret_cast<void**>(&header)) ||
            (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE))
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
        const ACCESS_ALLOWED_ACE* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        PSID sid = const_cast<DWORD*>(&ace->SidStart);
        entries.push_back({header->AceType, static_cast<BYTE>(childFlags | INHERITED_ACE), ace->Mask, sid});
        size += sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid);
    }
    if (entries.empty())
        return false;
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
    const std::vector<BYTE> combined =
        makeSelfRelative(ownerOf(descriptor), groupOf(descriptor), true, reinterpret_cast<PACL>(inherited.data()));
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
    PACL currentDacl = daclOf(current, hasDacl);
    const std::vector<BYTE> updated = makeSelfRelative(
        (parts & OWNER_SECURITY_INFORMATION) ? owner : ownerOf(current),
        (parts & GROUP_SECURITY_INFORMATION) ? group : groupOf(current),
        (parts & DACL_SECURITY_INFORMATION) ? true : hasDacl, (parts & DACL_SECURITY_INFORMATION) ? dacl : currentDacl);
    if (updated.empty())
        return ERROR_INVALID_SECURITY_DESCR;
    const syslib::CSyRegKey key = openMachineKey(filesKey(), true);
    if (!key)
        return ERROR_ACCESS_DENIED;
    writeBytes(key.get(), identity.c_str(), updated);
    return ERROR_SUCCESS;
}
} // namespace

std::vector<BYTE> makeSelfRelative(PSID owner, PSID group, bool hasDacl, PACL dacl)
{
    SECURITY_DESCRIPTOR absolute;
    if (!::InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
        (owner && !::SetSecurityDescriptorOwner(&absolute, owner, FALSE)) ||
        (group && !::SetSecurityDescriptorGroup(&absolute, group, FALSE)) ||
        (hasDacl && !::SetSecurityDescriptorDacl(&absolute, TRUE, dacl, FALSE)))
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
                         (parts & DACL_SECURITY_INFORMATION) && hasDacl, keptDacl);
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
