// Volumes mounted into directories, which wine does not offer. A mount is a value under
// Volumes\MountPoints: its name the directory (full path, trailing backslash), its data the volume name.
// Everything about drives is wine's; a mounted directory answers for the volume mounted there.
#include "savolumeapi.h"
#include "standins/common/saregistry.h"

#include <cwctype>
#include <memory>
#include <string>
#include <vector>

namespace standins
{
const wchar_t* const volumesKey = L"Software\\Vantix\\StandIns\\Volumes";

namespace
{
typedef std::wstring text;

const DWORD supportsReparsePoints = 0x80; // FILE_SUPPORTS_REPARSE_POINTS

text mountPointsKey()
{
    return text(volumesKey) + L"\\MountPoints";
}

text upper(text value)
{
    for (wchar_t& c : value)
        c = static_cast<wchar_t>(std::towupper(c));
    return value;
}

bool sameText(const text& a, const text& b)
{
    return upper(a) == upper(b);
}

text withBackslash(text path)
{
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path;
}

text fullPath(const wchar_t* path)
{
    wchar_t buffer[1024] = {0};
    const DWORD length = ::GetFullPathNameW(path, 1024, buffer, nullptr);
    return length == 0 || length >= 1024 ? text(path) : text(buffer);
}

struct CMount
{
    text directory; // full path with trailing backslash
    text volume;
};

std::vector<CMount> mounts()
{
    std::vector<CMount> list;
    const syslib::CSyRegKey key = openMachineKey(mountPointsKey(), false);
    if (!key)
        return list;
    wchar_t name[1024];
    for (DWORD index = 0;; ++index)
    {
        DWORD length = 1024;
        if (::RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return list;
        list.push_back({name, readText(key.get(), name)});
    }
}

bool findMount(const text& directory, CMount& found)
{
    for (const CMount& mount : mounts())
        if (sameText(mount.directory, directory))
        {
            found = mount;
            return true;
        }
    return false;
}

bool copyOut(const text& value, LPWSTR buffer, DWORD length)
{
    if (value.size() + 1 > length)
    {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    value.copy(buffer, value.size());
    buffer[value.size()] = L'\0';
    return true;
}

// The volume root of a full path: the deepest mounted directory above it, else wine's answer.
bool volumePathOf(const text& path, text& root)
{
    const text probe = upper(withBackslash(path));
    std::size_t best = 0;
    for (const CMount& mount : mounts())
        if (mount.directory.size() > best && probe.compare(0, mount.directory.size(), upper(mount.directory)) == 0)
        {
            best = mount.directory.size();
            root = mount.directory;
        }
    if (best)
        return true;
    wchar_t buffer[1024] = {0};
    if (!::GetVolumePathNameW(path.c_str(), buffer, 1024))
        return false;
    root = withBackslash(buffer);
    return true;
}

bool volumeNameOf(const text& mountPoint, text& volume)
{
    CMount mount;
    if (findMount(withBackslash(fullPath(mountPoint.c_str())), mount))
    {
        volume = mount.volume;
        return true;
    }
    wchar_t buffer[1024] = {0};
    if (!::GetVolumeNameForVolumeMountPointW(mountPoint.c_str(), buffer, 1024))
        return false;
    volume = buffer;
    return true;
}

// A drive root that wine answers volume questions for, for a mounted directory's volume.
text driveOf(const text& root)
{
    CMount mount;
    if (!findMount(withBackslash(fullPath(root.c_str())), mount))
        return root;
    wchar_t names[1024] = {0};
    DWORD length = 0;
    if (!::GetVolumePathNamesForVolumeNameW(mount.volume.c_str(), names, 1024, &length) || names[0] == L'\0')
        return root;
    return names;
}

struct CMountPointSearch
{
    std::vector<text> names;
    std::size_t next = 0;
};

BOOL WINAPI getVolumePathName(LPCWSTR fileName, LPWSTR volumePathName, DWORD bufferLength)
{
    if (fileName == nullptr || volumePathName == nullptr)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    text root;
    return volumePathOf(fullPath(fileName), root) && copyOut(root, volumePathName, bufferLength);
}

BOOL WINAPI getVolumeNameForVolumeMountPoint(LPCWSTR mountPoint, LPWSTR volumeName, DWORD bufferLength)
{
    text volume;
    return volumeNameOf(mountPoint, volume) && copyOut(volume, volumeName, bufferLength);
}

BOOL WINAPI getVolumeInformation(LPCWSTR rootPath, LPWSTR volumeName, DWORD volumeNameSize, LPDWORD serialNumber,
                                 LPDWORD maximumComponentLength, LPDWORD fileSystemFlags, LPWSTR fileSystemName,
                                 DWORD fileSystemNameSize)
{
    const text drive = driveOf(rootPath == nullptr ? text() : text(rootPath));
    DWORD flags = 0;
    if (!::GetVolumeInformationW(rootPath == nullptr ? nullptr : drive.c_str(), volumeName, volumeNameSize,
                                 serialNumber, maximumComponentLength, &flags, fileSystemName, fileSystemNameSize))
        return FALSE;
    // Directories of a fixed volume can hold mounts here, as on NTFS.
    if (::GetDriveTypeW(drive.c_str()) == DRIVE_FIXED)
        flags |= supportsReparsePoints;
    if (fileSystemFlags != nullptr)
        *fileSystemFlags = flags;
    return TRUE;
}

BOOL WINAPI findNextVolumeMountPoint(HANDLE find, LPWSTR mountPoint, DWORD bufferLength)
{
    CMountPointSearch* search = static_cast<CMountPointSearch*>(find);
    if (search == nullptr || find == INVALID_HANDLE_VALUE)
    {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (search->next >= search->names.size())
    {
        ::SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    if (!copyOut(search->names[search->next], mountPoint, bufferLength))
        return FALSE;
    ++search->next;
    return TRUE;
}

HANDLE WINAPI findFirstVolumeMountPoint(LPCWSTR rootPath, LPWSTR mountPoint, DWORD bufferLength)
{
    const text root = withBackslash(fullPath(rootPath));
    {
        const syslib::CSyRegKey state = openMachineKey(volumesKey, false);
        if (state)
            for (const text& denied : readList(state.get(), L"Denied"))
                if (sameText(withBackslash(denied), root))
                {
                    ::SetLastError(ERROR_ACCESS_DENIED);
                    return INVALID_HANDLE_VALUE;
                }
    }
    text volume;
    if (!volumeNameOf(root, volume))
        return INVALID_HANDLE_VALUE;
    std::unique_ptr<CMountPointSearch> search(new CMountPointSearch);
    for (const CMount& mount : mounts())
    {
        // The mount belongs to the volume that holds its directory; its name is relative to that volume.
        text parent = mount.directory.substr(0, mount.directory.size() - 1);
        parent = parent.substr(0, parent.find_last_of(L'\\') + 1);
        text holderRoot, holder;
        if (volumePathOf(parent, holderRoot) && volumeNameOf(holderRoot, holder) && sameText(holder, volume))
            search->names.push_back(mount.directory.substr(holderRoot.size()));
    }
    if (search->names.empty())
    {
        ::SetLastError(ERROR_NO_MORE_FILES);
        return INVALID_HANDLE_VALUE;
    }
    if (!findNextVolumeMountPoint(search.get(), mountPoint, bufferLength))
        return INVALID_HANDLE_VALUE;
    return search.release();
}

BOOL WINAPI findVolumeMountPointClose(HANDLE find)
{
    if (find == nullptr || find == INVALID_HANDLE_VALUE)
    {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete static_cast<CMountPointSearch*>(find);
    return TRUE;
}

bool isVolumeName(const text& name)
{
    return name.size() > 12 && name.compare(0, 11, L"\\\\?\\Volume{") == 0 &&
           name.compare(name.size() - 2, 2, L"}\\") == 0;
}

BOOL WINAPI setVolumeMountPoint(LPCWSTR mountPoint, LPCWSTR volumeName)
{
    if (mountPoint == nullptr || volumeName == nullptr || text(mountPoint).empty() ||
        text(mountPoint).back() != L'\\' || !isVolumeName(volumeName))
    {
        ::SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    wchar_t names[1024] = {0};
    DWORD length = 0;
    if (!::GetVolumePathNamesForVolumeNameW(volumeName, names, 1024, &length))
        return FALSE;
    const text directory = fullPath(mountPoint);
    const DWORD attributes = ::GetFileAttributesW(directory.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    {
        ::SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    CMount existing;
    WIN32_FIND_DATAW entry;
    const syslib::CSyFindHandle contents(::FindFirstFileW((directory + L"*").c_str(), &entry));
    bool empty = true;
    if (contents)
        do
            empty = empty && (text(entry.cFileName) == L"." || text(entry.cFileName) == L"..");
        while (empty && ::FindNextFileW(contents.get(), &entry));
    if (!empty || findMount(directory, existing))
    {
        ::SetLastError(ERROR_DIR_NOT_EMPTY);
        return FALSE;
    }
    const syslib::CSyRegKey key = openMachineKey(mountPointsKey(), true);
    if (!key)
    {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    writeText(key.get(), directory.c_str(), volumeName);
    return TRUE;
}

BOOL WINAPI deleteVolumeMountPoint(LPCWSTR mountPoint)
{
    CMount mount;
    if (mountPoint == nullptr || !findMount(withBackslash(fullPath(mountPoint)), mount))
    {
        ::SetLastError(ERROR_NOT_A_REPARSE_POINT);
        return FALSE;
    }
    const syslib::CSyRegKey key = openMachineKey(mountPointsKey(), false);
    if (!key || ::RegDeleteValueW(key.get(), mount.directory.c_str()) != ERROR_SUCCESS)
    {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

syslib::SyVolumeApi standInApi()
{
    syslib::SyVolumeApi api;
    api.GetVolumePathNameW = getVolumePathName;
    api.GetVolumeNameForVolumeMountPointW = getVolumeNameForVolumeMountPoint;
    api.GetVolumeInformationW = getVolumeInformation;
    api.FindFirstVolumeMountPointW = findFirstVolumeMountPoint;
    api.FindNextVolumeMountPointW = findNextVolumeMountPoint;
    api.FindVolumeMountPointClose = findVolumeMountPointClose;
    api.SetVolumeMountPointW = setVolumeMountPoint;
    api.DeleteVolumeMountPointW = deleteVolumeMountPoint;
    // Wine's own: it has neither network nor CD-ROM drives, which tests make by replacing these.
    fillSystemDriveCalls(api);
    return api;
}
} // namespace

syslib::SyVolumeApi& volumeApiTable()
{
    static syslib::SyVolumeApi api = standInApi();
    return api;
}
} // namespace standins

namespace syslib
{
const SyVolumeApi& volumeApi()
{
    return standins::volumeApiTable();
}
} // namespace syslib
