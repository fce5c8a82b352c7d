// Shares of this computer, one registry key a share: path, remark, type, user limit and security
// descriptor. The interprocess-communication share IPC$ always exists, as on a server with its service
// running; it is listed and read, never kept.
#include "sashares.h"
#include "standins/common/saregistry.h"
#include "standins/common/sanetblock.h"
#include "standins/security/safilesec.h"

#include <sddl.h>

#include <string>
#include <vector>

namespace standins
{
const wchar_t* const sharesKey = L"Software\\Vantix\\StandIns\\Shares";

namespace
{
typedef std::wstring text;

const wchar_t* const ipcName = L"IPC$";
// What a share gets when it is made without one: Everyone may read, as Windows gives it.
const wchar_t* const defaultDescriptor = L"D:(A;;0x1200A9;;;WD)";

struct CShare
{
    text name;
    text path;
    text remark;
    DWORD type = STYPE_DISKTREE;
    DWORD maxUses = static_cast<DWORD>(-1);
    std::vector<BYTE> descriptor;
};

bool isThisComputer(LPCWSTR server)
{
    if (server == nullptr || *server == L'\0')
        return true;
    text name = server;
    while (!name.empty() && name[0] == L'\\')
        name.erase(0, 1);
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(computer, &length) &&
           ::CompareStringOrdinal(computer, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool isIpc(const text& name)
{
    return ::CompareStringOrdinal(name.c_str(), -1, ipcName, -1, TRUE) == CSTR_EQUAL;
}

// Share names: not empty, at most 80 characters, none of the characters Windows refuses.
bool validName(LPCWSTR name)
{
    if (name == nullptr)
        return false;
    const text value = name;
    return !value.empty() && value.size() <= NNLEN && value.find_first_of(L"\\/[]:|<>+=;,?*\"") == text::npos;
}

std::vector<BYTE> descriptorFromText(const wchar_t* sddl)
{
    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> made;
    ULONG length = 0;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, made.receive(), &length))
        return {};
    const BYTE* bytes = static_cast<const BYTE*>(made.get());
    return std::vector<BYTE>(bytes, bytes + length);
}

bool readShare(const text& name, CShare& share)
{
    if (isIpc(name))
    {
        share.name = ipcName;
        share.remark = L"Remote IPC";
        share.type = STYPE_IPC | STYPE_SPECIAL;
        share.descriptor = descriptorFromText(defaultDescriptor);
        return true;
    }
    if (!validName(name.c_str()))
        return false;
    const syslib::CSyRegKey key = openMachineKey(text(sharesKey) + L"\\" + name, false);
    if (!key)
        return false;
    share.name = readText(key.get(), L"Name");
    share.path = readText(key.get(), L"Path");
    share.remark = readText(key.get(), L"Remark");
    readDword(key.get(), L"Type", share.type);
    readDword(key.get(), L"MaxUses", share.maxUses);
    share.descriptor = readBytes(key.get(), L"Descriptor");
    return true;
}

void writeShare(const CShare& share)
{
    const syslib::CSyRegKey key = openMachineKey(text(sharesKey) + L"\\" + share.name, true);
    writeText(key.get(), L"Name", share.name);
    writeText(key.get(), L"Path", share.path);
    writeText(key.get(), L"Remark", share.remark);
    writeDword(key.get(), L"Type", share.type);
    writeDword(key.get(), L"MaxUses", share.maxUses);
    writeBytes(key.get(), L"Descriptor", share.descriptor);
}

std::vector<CShare> allShares()
{
    std::vector<CShare> shares(1);
    readShare(ipcName, shares[0]);
    const syslib::CSyRegKey key = openMachineKey(sharesKey, false);
    wchar_t buffer[NNLEN + 1];
    for (DWORD index = 0; key; ++index)
    {
        DWORD length = NNLEN + 1;
        if (::RegEnumKeyExW(key.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        CShare share;
        if (readShare(buffer, share))
            shares.push_back(share);
    }
    return shares;
}

DWORD levelTwoBytes(const CShare& share)
{
    return textBytes(share.name) + textBytes(share.remark) + textBytes(share.path);
}

void fill(SHARE_INFO_2& info, const CShare& share, const std::vector<wchar_t*>& texts)
{
    info.shi2_netname = texts[0];
    info.shi2_type = share.type;
    info.shi2_remark = texts[1];
    info.shi2_permissions = 0;
    info.shi2_max_uses = share.maxUses;
    info.shi2_current_uses = 0;
    info.shi2_path = texts[2];
    info.shi2_passwd = nullptr;
}

NET_API_STATUS WINAPI NetShareAdd(LMSTR server, DWORD level, LPBYTE buffer, LPDWORD parameterError)
{
    if (parameterError)
        *parameterError = 0;
    if (!isThisComputer(server))
        return ERROR_BAD_NETPATH;
    if (level != 2 && level != 502)
        return ERROR_INVALID_LEVEL;
    if (buffer == nullptr)
        return ERROR_INVALID_PARAMETER;
    // SHARE_INFO_502 begins with the fields of SHARE_INFO_2.
    const SHARE_INFO_2* info = reinterpret_cast<const SHARE_INFO_2*>(buffer);
    if (!validName(info->shi2_netname) || isIpc(info->shi2_netname))
    {
        if (parameterError)
            *parameterError = SHARE_NETNAME_PARMNUM;
        return isIpc(info->shi2_netname ? info->shi2_netname : L"") ? NERR_DuplicateShare : ERROR_INVALID_NAME;
    }
    CShare share;
    if (readShare(info->shi2_netname, share))
        return NERR_DuplicateShare;
    share.name = info->shi2_netname;
    share.type = info->shi2_type;
    share.remark = info->shi2_remark ? info->shi2_remark : L"";
    share.maxUses = info->shi2_max_uses;
    share.path = info->shi2_path ? info->shi2_path : L"";
    if ((share.type & ~STYPE_SPECIAL) == STYPE_DISKTREE)
    {
        const DWORD attributes = ::GetFileAttributesW(share.path.c_str());
        if (share.path.empty() || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        {
            if (parameterError)
                *parameterError = SHARE_PATH_PARMNUM;
            return NERR_UnknownDevDir;
        }
    }
    const SHARE_INFO_502* full = reinterpret_cast<const SHARE_INFO_502*>(buffer);
    if (level == 502 && full->shi502_security_descriptor != nullptr)
    {
        const PSECURITY_DESCRIPTOR given = full->shi502_security_descriptor;
        if (!::IsValidSecurityDescriptor(given))
            return ERROR_INVALID_SECURITY_DESCR;
        BOOL present = FALSE, defaulted = FALSE;
        PACL dacl = nullptr;
        PSID owner = nullptr, group = nullptr;
        ::GetSecurityDescriptorDacl(given, &present, &dacl, &defaulted);
        ::GetSecurityDescriptorOwner(given, &owner, &defaulted);
        ::GetSecurityDescriptorGroup(given, &group, &defaulted);
        share.descriptor = makeSelfRelative(owner, group, present != FALSE, dacl);
    }
    else
        share.descriptor = descriptorFromText(defaultDescriptor);
    writeShare(share);
    return NERR_Success;
}

NET_API_STATUS WINAPI NetShareDel(LMSTR server, LMSTR name, DWORD)
{
    if (!isThisComputer(server))
        return ERROR_BAD_NETPATH;
    CShare share;
    if (name == nullptr || !readShare(name, share))
        return NERR_NetNameNotFound;
    if (isIpc(name))
        return ERROR_ACCESS_DENIED;
    return deleteMachineKey(text(sharesKey) + L"\\" + name) ? NERR_Success : NERR_NetNameNotFound;
}

NET_API_STATUS WINAPI NetShareGetInfo(LMSTR server, LMSTR name, DWORD level, LPBYTE* buffer)
{
    if (buffer == nullptr)
        return ERROR_INVALID_PARAMETER;
    *buffer = nullptr;
    if (!isThisComputer(server))
        return ERROR_BAD_NETPATH;
    if (level != 2)
        return ERROR_INVALID_LEVEL;
    CShare share;
    if (name == nullptr || !readShare(name, share))
        return NERR_NetNameNotFound;
    CNetBlock<SHARE_INFO_2> block(levelTwoBytes(share));
    if (!block.ok())
        return ERROR_NOT_ENOUGH_MEMORY;
    fill(*block.get(), share, {block.add(share.name), block.add(share.remark), block.add(share.path)});
    *buffer = block.release();
    return NERR_Success;
}

NET_API_STATUS WINAPI NetShareSetInfo(LMSTR server, LMSTR name, DWORD level, LPBYTE buffer, LPDWORD parameterError)
{
    if (parameterError)
        *parameterError = 0;
    if (!isThisComputer(server))
        return ERROR_BAD_NETPATH;
    CShare share;
    if (name == nullptr || !readShare(name, share) || isIpc(name))
        return NERR_NetNameNotFound;
    if (buffer == nullptr)
        return ERROR_INVALID_PARAMETER;
    switch (level)
    {
    case 1004:
    {
        const SHARE_INFO_1004* info = reinterpret_cast<const SHARE_INFO_1004*>(buffer);
        share.remark = info->shi1004_remark ? info->shi1004_remark : L"";
        break;
    }
    case 2:
    {
        const SHARE_INFO_2* info = reinterpret_cast<const SHARE_INFO_2*>(buffer);
        share.remark = info->shi2_remark ? info->shi2_remark : L"";
        share.maxUses = info->shi2_max_uses;
        break;
    }
    default:
        return ERROR_INVALID_LEVEL;
    }
    writeShare(share);
    return NERR_Success;
}

NET_API_STATUS WINAPI NetShareEnum(LMSTR server, DWORD level, LPBYTE* buffer, DWORD, LPDWORD entriesRead,
                                   LPDWORD totalEntries, LPDWORD resumeHandle)
{
    if (buffer == nullptr || entriesRead == nullptr || totalEntries == nullptr)
        return ERROR_INVALID_PARAMETER;
    *buffer = nullptr;
    *entriesRead = *totalEntries = 0;
    if (!isThisComputer(server))
        return ERROR_BAD_NETPATH;
    if (level != 2)
        return ERROR_INVALID_LEVEL;
    const std::vector<CShare> all = allShares();
    const DWORD first = resumeHandle ? *resumeHandle : 0;
    if (first >= all.size())
        return NERR_Success;
    DWORD bytes = 0;
    for (std::size_t i = first; i < all.size(); ++i)
        bytes += sizeof(SHARE_INFO_2) + levelTwoBytes(all[i]);
    void* block = nullptr;
    if (::NetApiBufferAllocate(bytes, &block) != NERR_Success)
        return ERROR_NOT_ENOUGH_MEMORY;
    const DWORD count = static_cast<DWORD>(all.size() - first);
    SHARE_INFO_2* entries = static_cast<SHARE_INFO_2*>(block);
    BYTE* texts = reinterpret_cast<BYTE*>(entries + count);
    for (DWORD i = 0; i < count; ++i)
    {
        const CShare& share = all[first + i];
        std::vector<wchar_t*> pointers;
        for (const text* value : {&share.name, &share.remark, &share.path})
        {
            std::memcpy(texts, value->c_str(), textBytes(*value));
            pointers.push_back(reinterpret_cast<wchar_t*>(texts));
            texts += textBytes(*value);
        }
        fill(entries[i], share, pointers);
    }
    *buffer = static_cast<LPBYTE>(block);
    *entriesRead = count;
    *totalEntries = static_cast<DWORD>(all.size());
    if (resumeHandle)
        *resumeHandle = static_cast<DWORD>(all.size());
    return NERR_Success;
}

DWORD WINAPI GetShareSecurity(LPCWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION parts, PSID* owner, PSID* group,
                              PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* result)
{
    if (type != SE_LMSHARE || name == nullptr)
        return ERROR_INVALID_PARAMETER;
    CShare share;
    if (!readShare(name, share))
        return NERR_NetNameNotFound;
    if (share.descriptor.empty() || !::IsValidSecurityDescriptor(share.descriptor.data()))
        return ERROR_INVALID_SECURITY_DESCR;
    return handOut(share.descriptor, parts, owner, group, dacl, sacl, result);
}

DWORD WINAPI SetShareSecurity(LPWSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION parts, PSID owner, PSID group,
                              PACL dacl, PACL)
{
    if (type != SE_LMSHARE || name == nullptr)
        return ERROR_INVALID_PARAMETER;
    if ((parts & DACL_SECURITY_INFORMATION) && dacl != nullptr && !::IsValidAcl(dacl))
        return ERROR_INVALID_ACL;
    CShare share;
    if (!readShare(name, share) || isIpc(name))
        return NERR_NetNameNotFound;
    PSID keptOwner = nullptr, keptGroup = nullptr;
    PACL keptDacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    PSECURITY_DESCRIPTOR kept = share.descriptor.empty() ? nullptr : share.descriptor.data();
    if (kept)
    {
        ::GetSecurityDescriptorOwner(kept, &keptOwner, &defaulted);
        ::GetSecurityDescriptorGroup(kept, &keptGroup, &defaulted);
        ::GetSecurityDescriptorDacl(kept, &present, &keptDacl, &defaulted);
    }
    const std::vector<BYTE> updated = makeSelfRelative(
        (parts & OWNER_SECURITY_INFORMATION) ? owner : keptOwner, (parts & GROUP_SECURITY_INFORMATION) ? group : keptGroup,
        (parts & DACL_SECURITY_INFORMATION) ? true : present != FALSE,
        (parts & DACL_SECURITY_INFORMATION) ? dacl : keptDacl);
    if (updated.empty())
        return ERROR_INVALID_SECURITY_DESCR;
    share.descriptor = updated;
    writeShare(share);
    return ERROR_SUCCESS;
}
} // namespace

syslib::SyShareApi& shareApiTable()
{
    static syslib::SyShareApi api = {NetShareAdd,  NetShareDel,      NetShareGetInfo, NetShareSetInfo,
                                     NetShareEnum, GetShareSecurity, SetShareSecurity};
    return api;
}
} // namespace standins

namespace syslib
{
const SyShareApi& shareApi()
{
    return standins::shareApiTable();
}
} // namespace syslib
