// The volume and mount-point functions that know about volumes mounted into directories, and the drive
// types and network connections a mount is told by, as one table: the system's own in the product build,
// the stand-ins where the platform lacks them (and wine's own, which a test may replace, where it lacks
// network and CD-ROM drives). Free space and the drive list need no table.
#pragma once

#include "syslib/common/syswin.h"

#include <winnetwk.h>

namespace syslib
{
struct SyVolumeApi
{
    BOOL(WINAPI* GetVolumePathNameW)(LPCWSTR fileName, LPWSTR volumePathName, DWORD bufferLength);
    BOOL(WINAPI* GetVolumeNameForVolumeMountPointW)(LPCWSTR mountPoint, LPWSTR volumeName, DWORD bufferLength);
    BOOL(WINAPI* GetVolumeInformationW)(LPCWSTR rootPath, LPWSTR volumeName, DWORD volumeNameSize,
                                        LPDWORD serialNumber, LPDWORD maximumComponentLength,
                                        LPDWORD fileSystemFlags, LPWSTR fileSystemName, DWORD fileSystemNameSize);
    HANDLE(WINAPI* FindFirstVolumeMountPointW)(LPCWSTR rootPath, LPWSTR mountPoint, DWORD bufferLength);
    BOOL(WINAPI* FindNextVolumeMountPointW)(HANDLE find, LPWSTR mountPoint, DWORD bufferLength);
    BOOL(WINAPI* FindVolumeMountPointClose)(HANDLE find);
    BOOL(WINAPI* SetVolumeMountPointW)(LPCWSTR mountPoint, LPCWSTR volumeName);
    BOOL(WINAPI* DeleteVolumeMountPointW)(LPCWSTR mountPoint);
    UINT(WINAPI* GetDriveTypeW)(LPCWSTR rootPath);
    DWORD(WINAPI* WNetGetConnectionW)(LPCWSTR localName, LPWSTR remoteName, LPDWORD length);
    DWORD(WINAPI* WNetOpenEnumW)(DWORD scope, DWORD type, DWORD usage, LPNETRESOURCEW resource, LPHANDLE enumeration);
    DWORD(WINAPI* WNetEnumResourceW)(HANDLE enumeration, LPDWORD count, LPVOID buffer, LPDWORD bufferSize);
    DWORD(WINAPI* WNetCloseEnum)(HANDLE enumeration);
    // The probe that tells whether a mount takes writes.
    UINT(WINAPI* GetTempFileNameW)(LPCWSTR directory, LPCWSTR prefix, UINT unique, LPWSTR name);
};

// The system's own drive-type, connection and probe calls, which every platform the tests run on has.
inline void fillSystemDriveCalls(SyVolumeApi& api)
{
    api.GetDriveTypeW = ::GetDriveTypeW;
    api.WNetGetConnectionW = ::WNetGetConnectionW;
    api.WNetOpenEnumW = ::WNetOpenEnumW;
    api.WNetEnumResourceW = ::WNetEnumResourceW;
    api.WNetCloseEnum = ::WNetCloseEnum;
    api.GetTempFileNameW = ::GetTempFileNameW;
}

// The table of this build; defined by exactly one of syslib/filesystem/synxvolapi.cpp and the stand-ins.
const SyVolumeApi& volumeApi();

// Owns a FindFirstVolumeMountPointW search.
struct CSyVolumeMountPointFindTraits
{
    typedef HANDLE type;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void free(HANDLE h) { volumeApi().FindVolumeMountPointClose(h); }
};
typedef CSyWinResource<CSyVolumeMountPointFindTraits> CSyVolumeMountPointFind;

// Owns a WNetOpenEnumW enumeration.
struct CSyNetEnumTraits
{
    typedef HANDLE type;
    static HANDLE invalid() { return nullptr; }
    static bool isValid(HANDLE h) { return h != nullptr; }
    static void free(HANDLE h) { volumeApi().WNetCloseEnum(h); }
};
typedef CSyWinResource<CSyNetEnumTraits> CSyNetEnum;
} // namespace syslib
