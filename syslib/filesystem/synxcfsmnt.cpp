// Windows code of a mount: the volume root of a path and what the system says about that volume.
#include "syfsmountimpl.h"
#include "syvolumeapi.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <lm.h>
#include <winioctl.h>
#include <winnetwk.h>

#include <cwctype>
#include <vector>

SY_SOURCE_FILE(L"synxcfsmnt")

namespace
{
[[noreturn]] void throwOSError(DWORD error, const wchar_t* call, const iastring& parameters, int line)
{
    syslib::printOSError(error, call, line, parameters, CMessage::LOG_ERROR, syThisSourceFile);
    throw ESyFileSystem(parameters, ESyException::WIN32_ERROR, static_cast<int>(error));
}

iastring withTrailingBackslash(iastring root)
{
    if (root.empty() || root.back() != L'\\')
        root += L'\\';
    return root;
}
} // namespace

CSyFSMountImpl::CSyFSMountImpl(const CSyPath& path) : CSyFSMountImplBase(path)
{
    SY_TRACE_CONSTRUCTOR_TEXT(syslib::isTracing() ? L"CSyFSMountImpl::CSyFSMountImpl(const CSyPath & " +
                                                        path.toString() + L")"
                                                  : iastring());
    const iastring osPath = path.isEmpty() ? iastring() : path.getAbsolutePath().toOSString();
    // A drive letter nobody has holds no volume (UNC paths are left to the system).
    const std::size_t letter = osPath.compare(0, 4, L"\\\\?\\") == 0 ? 4 : 0;
    const bool onDrive = osPath.size() > letter + 1 && osPath[letter + 1] == L':';
    const iastring driveRoot = onDrive ? osPath.substr(letter, 2) + L"\\" : iastring();
    if (osPath.empty() || (onDrive && syslib::volumeApi().GetDriveTypeW(driveRoot.c_str()) == DRIVE_NO_ROOT_DIR))
    {
        syslib::reportError(L"syslib.filesystem.errorPathNotOnDrive", {path.toString()}, __LINE__);
        throw ESyFileNotFound(path.toString(), ESyException::WIN32_ERROR, ERROR_INVALID_DRIVE);
    }
    std::vector<wchar_t> root(osPath.size() + MAX_PATH + 1, L'\0');
    SY_TRACE_SYSCALL(L"GetVolumePathName");
    if (!syslib::volumeApi().GetVolumePathNameW(osPath.c_str(), root.data(), static_cast<DWORD>(root.size())))
        throwOSError(::GetLastError(), L"GetVolumePathName", osPath, __LINE__);
    m_mountPoint = withTrailingBackslash(root.data());
    syslib::logBook().trace(L"mount point: " + m_mountPoint, __LINE__);
}

CSyFSMountImpl::CSyFSMountImpl(const CSyPath& path, const iastring& mountPoint)
    : CSyFSMountImplBase(path), m_mountPoint(withTrailingBackslash(mountPoint))
{
}

unsigned int CSyFSMountImpl::driveType() const
{
    return syslib::volumeApi().GetDriveTypeW(m_mountPoint.c_str());
}

iastring CSyFSMountImpl::localName() const
{
    iastring name = m_mountPoint;
    while (!name.empty() && (name.back() == L'\\' || name.back() == L'/'))
        name.pop_back();
    for (wchar_t& c : name)
        c = static_cast<wchar_t>(std::towupper(c));
    return name;
}

ISyFSMount::eFileSystemType CSyFSMountImpl::getFSType() const
{
    SY_TRACE_FUNCTION(L"CSyFSMountImpl::getFSType()");
    switch (driveType())
    {
    case DRIVE_FIXED:
        return ISyFSMount::LOCAL;
    case DRIVE_REMOTE:
        return ISyFSMount::NETWORK;
    case DRIVE_CDROM:
        return ISyFSMount::CDROM;
    default:
        return ISyFSMount::ANY;
    }
}

iastring CSyFSMountImpl::getFSName() const
{
    SY_TRACE_FUNCTION(L"CSyFSMountImpl::getFSName()");
    std::vector<wchar_t> name(2048, L'\0');
    if (driveType() == DRIVE_REMOTE)
    {
        // computeFileSystemNameForNFS: the remote name of the connection, or the drive when it has none.
        const iastring local = localName();
        DWORD length = static_cast<DWORD>(name.size());
        SY_TRACE_SYSCALL(L"WNetGetConnection");
        const DWORD result = syslib::volumeApi().WNetGetConnectionW(local.c_str(), name.data(), &length);
        if (result == ERROR_NOT_CONNECTED || result == ERROR_CONNECTION_UNAVAIL)
            return SY_RETURN_TRACED(local);
        if (result != NO_ERROR)
            throwOSError(result, L"WNetGetConnection", local, __LINE__);
        return SY_RETURN_TRACED(iastring(name.data()));
    }
    SY_TRACE_SYSCALL(L"GetVolumeNameForVolumeMountPoint");
    if (!syslib::volumeApi().GetVolumeNameForVolumeMountPointW(m_mountPoint.c_str(), name.data(),
                                                               static_cast<DWORD>(name.size())))
        throwOSError(::GetLastError(), L"GetVolumeNameForVolumeMountPoint", m_mountPoint, __LINE__);
    return SY_RETURN_TRACED(iastring(name.data()));
}

bool CSyFSMountImpl::isRememberedConnection() const
{
    const syslib::SyVolumeApi& api = syslib::volumeApi();
    syslib::CSyNetEnum enumeration;
    SY_TRACE_SYSCALL(L"WNetOpenEnum");
    DWORD result = api.WNetOpenEnumW(RESOURCE_REMEMBERED, RESOURCETYPE_DISK, 0, nullptr, enumeration.receive());
    if (result == ERROR_NO_MORE_ITEMS)
        return false;
    if (result != NO_ERROR)
        throwOSError(result, L"WNetOpenEnum", L"RESOURCE_REMEMBERED, RESOURCETYPE_DISK", __LINE__);

    // 832 bytes, as many entries as fit: the list of remembered drives is short.
    std::vector<BYTE> buffer(832);
    DWORD count = 0xFFFFFFFF;
    DWORD size = static_cast<DWORD>(buffer.size());
    SY_TRACE_SYSCALL(L"WNetEnumResource");
    result = api.WNetEnumResourceW(enumeration.get(), &count, buffer.data(), &size);
    if (result == ERROR_NO_MORE_ITEMS)
        return false;
    if (result != NO_ERROR)
        throwOSError(result, L"WNetEnumResource", m_mountPoint, __LINE__);
    const iastring local = localName();
    const NETRESOURCEW* resources = reinterpret_cast<const NETRESOURCEW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
    {
        if (resources[i].lpLocalName == nullptr)
            continue;
        iastring name = resources[i].lpLocalName;
        for (wchar_t& c : name)
            c = static_cast<wchar_t>(std::towupper(c));
        if (name == local)
            return true;
    }
    return false;
}

ISyFSMount::eMountOptions CSyFSMountImpl::getMountOptions() const
{
    SY_TRACE_FUNCTION(L"CSyFSMountImpl::getMountOptions()");
    if (!isMounted())
        return static_cast<ISyFSMount::eMountOptions>(0);
    int options = ISyFSMount::READ;
    // MAX_PATH is what the call documents; wine writes past it for a mount point deep in a tree.
    std::vector<wchar_t> probe(m_mountPoint.size() + MAX_PATH + 1, L'\0');
    SY_TRACE_SYSCALL(L"GetTempFileName");
    if (syslib::volumeApi().GetTempFileNameW(m_mountPoint.c_str(), L"Qel", 0, probe.data()))
    {
        options |= ISyFSMount::WRITE;
        ::DeleteFileW(probe.data());
    }
    else
    {
        const DWORD error = ::GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_FILE_NOT_FOUND)
            throwOSError(error, L"GetTempFileName", m_mountPoint + L", Qel, 0", __LINE__);
    }
    const unsigned int type = driveType();
    if (type == DRIVE_FIXED || (type == DRIVE_REMOTE && isRememberedConnection()))
        options |= ISyFSMount::PERMANENT;
    const ISyFSMount::eMountOptions result = static_cast<ISyFSMount::eMountOptions>(options);
    SY_TRACE_RETURN(syslib::toString(result));
    return result;
}

namespace syslib
{
bool tryToGetVolumeInformation(const iastring& root)
{
    const CSyErrorModeGuard noBoxes(SEM_FAILCRITICALERRORS);
    std::vector<wchar_t> name(4095, L'\0'), fileSystem(4095, L'\0');
    DWORD serial = 0, maximumLength = 0, flags = 0;
    SY_TRACE_SYSCALL(L"GetVolumeInformation");
    if (volumeApi().GetVolumeInformationW(root.c_str(), name.data(), static_cast<DWORD>(name.size()), &serial,
                                          &maximumLength, &flags, fileSystem.data(),
                                          static_cast<DWORD>(fileSystem.size())))
        return true;
    printOSError(::GetLastError(), L"GetVolumeInformation", __LINE__, root, CMessage::LOG_WARNING, syThisSourceFile);
    logBook().trace(L"GetVolumeInformation(" + root + L", ...); failed. I will assume that the volume is not mounted.",
                    __LINE__);
    return false;
}
} // namespace syslib

bool CSyFSMountImpl::isReachable() const
{
    // A remembered connection whose server is gone answers "unavailable" without waiting for it.
    wchar_t remote[2048] = {0};
    DWORD length = 2048;
    const iastring local = localName();
    return syslib::volumeApi().WNetGetConnectionW(local.c_str(), remote, &length) != ERROR_CONNECTION_UNAVAIL;
}

bool CSyFSMountImpl::isMountedImpl() const
{
    switch (driveType())
    {
    case DRIVE_FIXED:
        return syslib::tryToGetVolumeInformation(m_mountPoint);
    case DRIVE_REMOTE:
        return isReachable() && syslib::tryToGetVolumeInformation(m_mountPoint);
    case DRIVE_CDROM:
    {
        const iastring device = L"\\\\.\\" + localName();
        SY_TRACE_SYSCALL(L"CreateFile");
        const syslib::CSyKernelHandle drive(::CreateFileW(device.c_str(), GENERIC_READ,
                                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                          0, nullptr));
        if (!drive)
            return false;
        DWORD returned = 0;
        SY_TRACE_SYSCALL(L"DeviceIoControl");
        return ::DeviceIoControl(drive.get(), IOCTL_STORAGE_CHECK_VERIFY, nullptr, 0, nullptr, 0, &returned,
                                 nullptr) != FALSE;
    }
    default:
        return false;
    }
}

bool CSyFSMountImpl::isInUse() const
{
    SY_TRACE_FUNCTION(L"CSyFSMountImpl::isInUse()");
    if (getFSType() != ISyFSMount::NETWORK)
        return isMounted();
    const iastring local = localName();
    syslib::CSyNetApiBuffer info;
    SY_TRACE_SYSCALL(L"NetUseGetInfo");
    const NET_API_STATUS status = ::NetUseGetInfo(nullptr, const_cast<LPWSTR>(local.c_str()), 2, info.receive());
    if (status != NERR_Success)
    {
        syslib::reportError(L"syslib.filesystem.checkingMountStatusFailed",
                            {m_mountPoint, syslib::toString(status) + L" " + syslib::getOSErrorText(status)},
                            __LINE__);
        throw ESyFileSystem(m_mountPoint, ESyException::WIN32_ERROR, static_cast<int>(status));
    }
    const bool inUse = reinterpret_cast<const USE_INFO_2*>(info.get())->ui2_refcount != 0;
    SY_TRACE_RETURN(inUse ? L"true" : L"false");
    return inUse;
}

CSyFSMountImplBase::CSpace CSyFSMountImpl::getSpaceFromOS() const
{
    const syslib::CSyErrorModeGuard noBoxes(SEM_FAILCRITICALERRORS);
    ULARGE_INTEGER available, total, totalFree;
    SY_TRACE_SYSCALL(L"GetDiskFreeSpaceEx");
    if (!::GetDiskFreeSpaceExW(m_mountPoint.c_str(), &available, &total, &totalFree))
        throwOSError(::GetLastError(), L"GetDiskFreeSpaceEx", m_mountPoint, __LINE__);
    CSpace space;
    space.total = total.QuadPart;
    space.totalFree = totalFree.QuadPart;
    space.availableToCaller = available.QuadPart;
    return space;
}
