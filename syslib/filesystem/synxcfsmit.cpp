// Windows code of the walk over all mounts: the drives, then, depth first, the volumes mounted into
// directories of each.
#include "syfsmountimpl.h"
#include "syvolumeapi.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <algorithm>
#include <utility>
#include <vector>

SY_SOURCE_FILE(L"synxcfsmit")

namespace
{
const DWORD supportsReparsePoints = 0x80; // FILE_SUPPORTS_REPARSE_POINTS

// The volume a walk is inside of, and the path through which it was entered.
typedef std::pair<iastring, iastring> CVolumeOnPath;
} // namespace

CSyFSMountIteratorImpl::CSyFSMountIteratorImpl(bool onlyKnownTypes, int selection, ISyErrorHandler* errorHandler)
    : m_onlyKnownTypes(onlyKnownTypes), m_selection(selection), m_errorHandler(errorHandler)
{
}

void CSyFSMountIteratorImpl::first()
{
    SY_TRACE_FUNCTION(L"CSyFSMountIteratorImpl::first()");
    init();
}

void CSyFSMountIteratorImpl::next()
{
    SY_TRACE_FUNCTION(L"CSyFSMountIteratorImpl::next()");
    if (!isDone())
        ++m_position;
}

PSyFSMount CSyFSMountIteratorImpl::get() const
{
    SY_TRACE_FUNCTION(L"CSyFSMountIteratorImpl::get()");
    if (isDone())
        syslib::throwParameterNotValid(L"position", L"CSyFSMountIteratorImpl::get()", __LINE__);
    return m_mounts[m_position];
}

bool CSyFSMountIteratorImpl::goOnAfter(unsigned long error, const iastring& call, const iastring& path,
                                       int line) const
{
    if (m_errorHandler != nullptr && m_errorHandler->handleError(path, error, syslib::getOSErrorText(error)))
    {
        syslib::traceOSError(error, call, line, path, syThisSourceFile);
        return true;
    }
    syslib::printOSError(error, call, line, path, CMessage::LOG_ERROR, syThisSourceFile);
    throw ESyFileSystem(path, ESyException::WIN32_ERROR, static_cast<int>(error));
}

bool CSyFSMountIteratorImpl::ignoreDrive(const iastring& root) const
{
    const UINT type = syslib::volumeApi().GetDriveTypeW(root.c_str());
    if (m_onlyKnownTypes && type != DRIVE_FIXED && type != DRIVE_REMOTE && type != DRIVE_CDROM)
        return true;
    if (m_selection == ISyFSMount::SELECT_ALL)
        return false;
    return !CSyFSMountImpl(CSyPath(root), root).isMounted();
}

bool CSyFSMountIteratorImpl::ignoreMount(const PSyFSMount& mount) const
{
    if (m_onlyKnownTypes && mount->getFSType() == ISyFSMount::ANY)
        return true;
    return m_selection != ISyFSMount::SELECT_ALL && !mount->isMounted();
}

void CSyFSMountIteratorImpl::init()
{
    m_mounts.clear();
    m_position = 0;
    wchar_t drives[128] = {0};
    SY_TRACE_SYSCALL(L"GetLogicalDriveStrings");
    const DWORD length = ::GetLogicalDriveStringsW(128, drives);
    if (length == 0 || length > 128)
    {
        const DWORD error = length == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER;
        syslib::printOSError(error, L"GetLogicalDriveStrings", __LINE__, L"128", CMessage::LOG_ERROR,
                             syThisSourceFile);
        throw ESyFileSystem(iastring(), ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    for (const wchar_t* root = drives; *root; root += std::wcslen(root) + 1)
    {
        if (ignoreDrive(root))
            continue;
        const PSyFSMount drive(new CSyFSMount(CSyPath(root), iastring(root)));
        m_mounts.push_back(drive);
        if (syslib::volumeApi().GetDriveTypeW(root) == DRIVE_CDROM)
            continue;
        std::vector<CVolumeOnPath> volumesOnPath;
        walkMountPoints(root, volumesOnPath);
    }
}

void CSyFSMountIteratorImpl::walkMountPoints(const iastring& root, std::vector<CVolumeOnPath>& volumesOnPath)
{
    const syslib::SyVolumeApi& api = syslib::volumeApi();
    const syslib::CSyErrorModeGuard noBoxes(SEM_FAILCRITICALERRORS);
    DWORD flags = 0;
    SY_TRACE_SYSCALL(L"GetVolumeInformation");
    if (!api.GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
    {
        goOnAfter(::GetLastError(), L"GetVolumeInformation", root, __LINE__);
        return;
    }
    if ((flags & supportsReparsePoints) == 0)
        return;

    wchar_t volume[1024] = {0};
    SY_TRACE_SYSCALL(L"GetVolumeNameForVolumeMountPoint");
    if (!api.GetVolumeNameForVolumeMountPointW(root.c_str(), volume, 1024))
    {
        goOnAfter(::GetLastError(), L"GetVolumeNameForVolumeMountPoint", root, __LINE__);
        return;
    }
    volumesOnPath.emplace_back(volume, root);

    wchar_t name[1024] = {0};
    SY_TRACE_SYSCALL(L"FindFirstVolumeMountPoint");
    syslib::CSyVolumeMountPointFind search(api.FindFirstVolumeMountPointW(root.c_str(), name, 1024));
    if (!search)
    {
        const DWORD error = ::GetLastError();
        if (error != ERROR_NO_MORE_FILES && error != ERROR_NOT_READY)
            goOnAfter(error, L"FindFirstVolumeMountPoint", root, __LINE__);
        volumesOnPath.pop_back();
        return;
    }
    for (;;)
    {
        const iastring mountPoint = root + name;
        SY_TRACE_SYSCALL(L"GetVolumeNameForVolumeMountPoint");
        if (api.GetVolumeNameForVolumeMountPointW(mountPoint.c_str(), volume, 1024))
        {
            const PSyFSMount mount(new CSyFSMount(CSyPath(mountPoint), mountPoint));
            if (!ignoreMount(mount))
                m_mounts.push_back(mount);
            const auto seen = std::find_if(volumesOnPath.begin(), volumesOnPath.end(),
                                           [&](const CVolumeOnPath& entry) { return entry.first == volume; });
            if (seen != volumesOnPath.end())
                syslib::reportMessage(L"syslib.filesystem.foundCycleInFileSystem", {mountPoint, seen->second},
                                      CMessage::LOG_WARNING, __LINE__);
            // A volume that is not there (a disk taken away, an empty drive) has nothing to walk.
            else if (mount->getFSType() != ISyFSMount::CDROM && mount->isMounted())
                walkMountPoints(mountPoint, volumesOnPath);
        }
        else if (!goOnAfter(::GetLastError(), L"GetVolumeNameForVolumeMountPoint", mountPoint, __LINE__))
            break;
        SY_TRACE_SYSCALL(L"FindNextVolumeMountPoint");
        if (!api.FindNextVolumeMountPointW(search.get(), name, 1024))
        {
            const DWORD error = ::GetLastError();
            if (error != ERROR_NO_MORE_FILES)
                goOnAfter(error, L"FindNextVolumeMountPoint", root, __LINE__);
            break;
        }
    }
    volumesOnPath.pop_back();
}
