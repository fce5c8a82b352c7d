#include "filefaults.h"

#include "framework/iastrutil.h"
#include "syslib/common/sylock.h"

#include <gtest/gtest.h>

#include <mutex>

namespace
{
CFileFaults* active = nullptr;
syslib::CSyLock calling; // the tree copy may call from several threads
syslib::SyFileApi real;

// The error to fail with, set as the last error; 0 when the call goes through.
unsigned long failing(const wchar_t* function, const wchar_t* path, const wchar_t* target = nullptr,
                      unsigned long flags = 0)
{
    const unsigned long error =
        active->decide(function, path ? iastring(path) : iastring(), target ? iastring(target) : iastring(), flags);
    if (error != 0)
        ::SetLastError(error);
    return error;
}

BOOL WINAPI copyFile(LPCWSTR source, LPCWSTR target, BOOL failIfExists)
{
    return failing(L"CopyFileW", source, target) ? FALSE : real.CopyFileW(source, target, failIfExists);
}

BOOL WINAPI moveFileEx(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    return failing(L"MoveFileExW", from, to, flags) ? FALSE : real.MoveFileExW(from, to, flags);
}

BOOL WINAPI deleteFile(LPCWSTR path)
{
    return failing(L"DeleteFileW", path) ? FALSE : real.DeleteFileW(path);
}

BOOL WINAPI removeDirectory(LPCWSTR path)
{
    return failing(L"RemoveDirectoryW", path) ? FALSE : real.RemoveDirectoryW(path);
}

BOOL WINAPI createDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES security)
{
    return failing(L"CreateDirectoryW", path) ? FALSE : real.CreateDirectoryW(path, security);
}

BOOL WINAPI setFileAttributes(LPCWSTR path, DWORD attributes)
{
    return failing(L"SetFileAttributesW", path, nullptr, attributes) ? FALSE : real.SetFileAttributesW(path, attributes);
}

HANDLE WINAPI createFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                         DWORD flags, HANDLE templateFile)
{
    return failing(L"CreateFileW", path, nullptr, access)
               ? INVALID_HANDLE_VALUE
               : real.CreateFileW(path, access, share, security, disposition, flags, templateFile);
}

BOOL WINAPI setFileInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS type, LPVOID information, DWORD size)
{
    return failing(L"SetFileInformationByHandle", nullptr, nullptr, type)
               ? FALSE
               : real.SetFileInformationByHandle(file, type, information, size);
}
} // namespace

CFileFaults::CFileFaults(Rule rule) : m_saved(standins::fileApiTable()), m_rule(rule)
{
    EXPECT_EQ(nullptr, active) << "one CFileFaults at a time";
    active = this;
    real = m_saved;
    syslib::SyFileApi& table = standins::fileApiTable();
    table.CopyFileW = copyFile;
    table.MoveFileExW = moveFileEx;
    table.DeleteFileW = deleteFile;
    table.RemoveDirectoryW = removeDirectory;
    table.CreateDirectoryW = createDirectory;
    table.SetFileAttributesW = setFileAttributes;
    table.CreateFileW = createFile;
    table.SetFileInformationByHandle = setFileInformation;
}

CFileFaults::~CFileFaults()
{
    standins::fileApiTable() = m_saved;
    active = nullptr;
}

// The rule is asked outside the lock: a rule may wait for a call on another thread.
unsigned long CFileFaults::decide(const wchar_t* function, const iastring& path, const iastring& target,
                                  unsigned long flags)
{
    CFileCall call{0, function, path, target, flags};
    {
        const std::lock_guard<syslib::CSyLock> lock(calling);
        call.number = static_cast<int>(m_calls.size()) + 1;
        m_calls.push_back(call);
    }
    return m_rule ? m_rule(call) : 0;
}

CFileFaults::Rule CFileFaults::failNumber(int n, unsigned long error)
{
    return [n, error](const CFileCall& call) { return call.number == n ? error : 0ul; };
}

std::string CFileFaults::describe() const
{
    std::string text;
    for (const CFileCall& call : m_calls)
        text += std::to_string(call.number) + " " + toMbstring(call.function) + "(" + toMbstring(call.path) +
                (call.target.empty() ? "" : ", " + toMbstring(call.target)) + ", " + std::to_string(call.flags) +
                ")\n";
    return text;
}
