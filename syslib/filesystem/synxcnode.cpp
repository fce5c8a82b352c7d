// Windows code of nodes: directory listing for versions, missing parents, attributes and volume facts.
#include "synodeimpl.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

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

unsigned long setNormalAttributes(const iastring& osPath, bool report)
{
    if (::SetFileAttributesW(osPath.c_str(), FILE_ATTRIBUTE_NORMAL))
        return 0;
    const DWORD error = ::GetLastError();
    if (report)
        syslib::printOSError(error, L"SetFileAttributes", __LINE__, osPath + L", FILE_ATTRIBUTE_NORMAL",
                             CMessage::LOG_WARNING, syThisSourceFile);
    else
        SY_TRACE_OS_ERROR(error, L"SetFileAttributes", osPath + L", FILE_ATTRIBUTE_NORMAL");
    return error;
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
