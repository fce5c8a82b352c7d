// Windows code of nodes: directory listing for versions, missing parents, attributes, volume facts and
// access rights.
#include "synodeimpl.h"
#include "syfileapi.h"

#include "syslib/account/syaccount.h"
#include "syslib/account/syaclimpl.h"
#include "syslib/account/sysecuritydescwin.h"
#include "syslib/common/syfilesecapi.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <cerrno>
#include <sys/utime.h>
#include <vector>

SY_SOURCE_FILE(L"synxcnode")

namespace syslib
{
namespace filesystem
{
std::vector<iastring> listDirectory(const CSyPath& directory, const iastring& pattern)
{
    SY_TRACE_FUNCTION(L"syslib::filesystem::listDirectory(const CSyPath&, const iastring&)");
    const iastring search = directory.toOSString() + L"\\" + pattern;
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(search);
    std::vector<iastring> names;
    WIN32_FIND_DATAW data;
    syslib::CSyFindHandle handle(::FindFirstFileW(search.c_str(), &data));
    if (!handle)
        return names;
    do
    {
        const iastring name(data.cFileName);
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (::FindNextFileW(handle.get(), &data));
    return names;
}

unsigned long renameNode(const iastring& from, const iastring& to)
{
    return fileApi().MoveFileExW(from.c_str(), to.c_str(), 0) ? 0 : ::GetLastError();
}

void createMissingParentDirectories(const CSyPath& path)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"createMissingParentDirectories(" + path.toString() + L")"
                                               : iastring());
    // Find the deepest existing ancestor, then create everything below it, top down.
    std::size_t existing = path.size() - 1;
    while (existing > path.relativeStart() && path.head(existing).getOSNodeType(false) == CSyPath::NOT_EXISTING)
        --existing;
    for (std::size_t count = existing + 1; count < path.size(); ++count)
        path.head(count).createDirectory();
}

namespace
{
long long secondsOf(const FILETIME& time)
{
    const long long ticks = static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                                                   time.dwLowDateTime);
    return ticks / 10000000LL - 11644473600LL;
}
} // namespace

bool readNodeStatus(const iastring& osPath, CSyNodeStatus& status, unsigned long& error)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(osPath.c_str(), GetFileExInfoStandard, &data))
    {
        error = ::GetLastError();
        return false;
    }
    status.size = static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                                         data.nFileSizeLow);
    status.creation = secondsOf(data.ftCreationTime);
    status.modification = secondsOf(data.ftLastWriteTime);
    status.access = secondsOf(data.ftLastAccessTime);
    return true;
}

int errnoOf(unsigned long osError)
{
    switch (osError)
    {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_NETWORK_ACCESS_DENIED:
        return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_DISK_FULL:
        return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    default:
        return EINVAL;
    }
}

unsigned long setNormalAttributes(const iastring& osPath, bool report)
{
    if (fileApi().SetFileAttributesW(osPath.c_str(), FILE_ATTRIBUTE_NORMAL))
        return 0;
    const DWORD error = ::GetLastError();
    if (report)
        syslib::printOSError(error, L"SetFileAttributes", __LINE__, osPath + L", FILE_ATTRIBUTE_NORMAL",
                             CMessage::LOG_WARNING, syThisSourceFile);
    else
        SY_TRACE_OS_ERROR(error, L"SetFileAttributes", osPath + L", FILE_ATTRIBUTE_NORMAL");
    return error;
}

unsigned long setNormalAttributesAndTimes(const iastring& osPath, const __utimbuf64& times)
{
    CSyNodeOpening file;
    if (file.openAsUtime(osPath) && file.setNormalAttributesAndTimes(times))
        return 0;
    return ::GetLastError();
}
} // namespace filesystem
} // namespace syslib

bool CSyNodeImpl::fileSystemSupportsSecurity() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::fileSystemSupportsSecurity()");
    const iastring osPath = m_path.toOSString();
    std::vector<wchar_t> volume(osPath.size() + 2, L'\0');
    if (!::GetVolumePathNameW(osPath.c_str(), volume.data(), static_cast<DWORD>(volume.size())))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"GetVolumePathName", osPath);
        throw ESyFileNotFound(m_path.toString(), ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    DWORD flags = 0;
    BOOL answered = FALSE;
    DWORD error = 0;
    {
        syslib::CSyErrorModeGuard errorMode(SEM_FAILCRITICALERRORS);
        answered = ::GetVolumeInformationW(volume.data(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0);
        error = ::GetLastError();
    }
    if (!answered)
    {
        SY_PRINT_OS_ERROR(error, L"GetVolumeInformation", iastring(volume.data()));
        throw ESyFileNotFound(m_path.toString(), ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    const bool supported = (flags & FS_PERSISTENT_ACLS) != 0;
    SY_TRACE_RETURN(supported ? L"true" : L"false");
    return supported;
}

namespace
{
using SySecurityImpl::CSyNativeSecurityConverter;

SySecurityImpl::CSySecurityDesc readSecurity(const CSyPath& path)
{
    CSyWinSecurityDesc native;
    CSyNativeSecurityConverter::getNativeSecurityDesc(path.toOSString(), native, SE_FILE_OBJECT);
    SySecurityImpl::CSySecurityDesc descriptor;
    CSyNativeSecurityConverter::nativeToSecurityDesc(native, descriptor);
    return descriptor;
}
} // namespace

void CSyNodeImpl::requireSecurity() const
{
    if (fileSystemSupportsSecurity())
        return;
    syslib::reportError(L"syslib.filesystem.ACLsNotSupported", {m_path.toString()}, __LINE__);
    throw ESyFileSystem(m_path.toString(), L"ACLs not supported by file system");
}

PSyACL CSyNodeImpl::getACL() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getACL()");
    requireSecurity();
    return PSyACL(new CSyACL(FILESYSTEM, m_path.toString(), readSecurity(m_path)));
}

void CSyNodeImpl::setACL(const PSyACL& acl, ISyNode::eACLInheritMode, ISyErrorHandler*, ISyProgressObserver*)
{
    static const wchar_t* const signature =
        L"CSyNodeImpl::setACL(PSyACL, ISyNode::eACLInheritMode, ISyErrorHandler*, ISyProgressObserver*)";
    SY_TRACE_FUNCTION_TEXT(signature);
    const CSyACLImpl& rights = CSyACLImpl::implOf(acl, signature);
    requireSecurity();
    // Windows hands inheritable entries on to the children itself.
    SySecurityImpl::setNamedSecurity(syslib::fileSecurityApi().SetNamedSecurityInfoW, m_path.toOSString(),
                                     SE_FILE_OBJECT, rights.securityDesc(), rights.objectType(),
                                     (rights.ownerChanged() ? OWNER_SECURITY_INFORMATION : 0) |
                                         (rights.groupChanged() ? GROUP_SECURITY_INFORMATION : 0));
}

void CSyNodeImpl::setNativeACL(const void* nativeDescriptor)
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::setNativeACL(const void*)");
    if (nativeDescriptor == nullptr)
        syslib::throwParameterEmpty(L"nativeDescriptor", L"CSyNodeImpl::setNativeACL()", __LINE__);
    const CSyWinSecurityDesc native(const_cast<void*>(nativeDescriptor));
    requireSecurity();
    SySecurityImpl::setNamedSecurity(syslib::fileSecurityApi().SetNamedSecurityInfoW, m_path.toOSString(),
                                     SE_FILE_OBJECT, native);
}

bool CSyNodeImpl::isExecable(const PSyAccount& account) const
{
    const wchar_t* const signature = L"CSyNodeImpl::isExecable(PSyAccount)";
    SY_TRACE_FUNCTION_TEXT(signature);
    if (!account)
        syslib::throwParameterNotValid(L"account", signature, __LINE__);
    const iastring osPath = m_path.toOSString();
    DWORD binaryType = 0;
    SY_TRACE_SYSCALL(L"GetBinaryTypeW(" + osPath + L")");
    bool executable = ::GetBinaryTypeW(osPath.c_str(), &binaryType) != FALSE;
    SY_TRACE_SYSCALL_RETURNED();
    if (executable && fileSystemSupportsSecurity())
    {
        const SySecurityImpl::CSySecurityDesc descriptor = readSecurity(m_path);
        if (descriptor.m_hasDacl)
        {
            // The account's own entries and those of the groups every account is in.
            const iastring sids[] = {account->getSID(), L"S-1-1-0", L"S-1-5-11"};
            unsigned long allowed = 0;
            unsigned long denied = 0;
            for (const SySecurityImpl::CSyACE& ace : descriptor.m_dacl)
                for (const iastring& sid : sids)
                    if (!(ace.m_flags & INHERIT_ONLY_ACE) && descriptor.isEntryOf(ace, sid))
                        (ace.m_deny ? denied : allowed) |= ace.m_mask;
            executable = (allowed & FILE_EXECUTE) && !(denied & FILE_EXECUTE);
        }
    }
    syslib::reportMessage(executable ? L"syslib.filesystem.isExecutableByAccount"
                                     : L"syslib.filesystem.isNotExecutableByAccount",
                          {m_path.toString(), account->getName()}, CMessage::LOG_INFO, __LINE__);
    SY_TRACE_RETURN(executable ? L"true" : L"false");
    return executable;
}
