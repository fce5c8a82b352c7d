// The file calls through which copies, moves, removals and replacements change the machine, and the probes
// that tell whether a node is there, as one table: the system's own in the product build; in the test build
// the same functions in a table a test may change, so that it can make each step of an operation fail in
// turn and check what is left, or make a probe answer what a drive or share wine lacks would.
#pragma once

#include "syslib/common/syswin.h"

namespace syslib
{
struct SyFileApi
{
    BOOL(WINAPI* CopyFileW)(LPCWSTR source, LPCWSTR target, BOOL failIfExists);
    BOOL(WINAPI* MoveFileExW)(LPCWSTR from, LPCWSTR to, DWORD flags);
    BOOL(WINAPI* DeleteFileW)(LPCWSTR path);
    BOOL(WINAPI* RemoveDirectoryW)(LPCWSTR path);
    BOOL(WINAPI* CreateDirectoryW)(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
    BOOL(WINAPI* SetFileAttributesW)(LPCWSTR path, DWORD attributes);
    // Openings that change a node (its attributes and times).
    HANDLE(WINAPI* CreateFileW)(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE templateFile);
    BOOL(WINAPI* SetFileInformationByHandle)(HANDLE file, FILE_INFO_BY_HANDLE_CLASS type, LPVOID information,
                                             DWORD size);
    // The probes of CSyPath::getOSNodeType.
    DWORD(WINAPI* GetFileAttributesW)(LPCWSTR path);
    HANDLE(WINAPI* FindFirstFileW)(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
};

// The system's own functions.
inline SyFileApi systemFileApi()
{
    return {::CopyFileW,         ::MoveFileExW, ::DeleteFileW, ::RemoveDirectoryW, ::CreateDirectoryW,
            ::SetFileAttributesW, ::CreateFileW, ::SetFileInformationByHandle,
            ::GetFileAttributesW, ::FindFirstFileW};
}

// The table of this build; defined by exactly one of syslib/filesystem/synxfileapi.cpp and the stand-ins.
const SyFileApi& fileApi();
} // namespace syslib
