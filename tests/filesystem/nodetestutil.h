// Shared pieces of the node tests: a temporary directory with a recording log book, real files with
// chosen times, and the test DLLs that carry version resources.
#pragma once

#include "framework/iastrutil.h"
#include "syslib/common/syswin.h"
#include "syslib/filesystem/syfileimpl.h"
#include "tests/support/expectthrow.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

inline std::string readTestFile(const iastring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline bool existsOnDisk(const iastring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline FILETIME fileTimeOf(long long seconds)
{
    const unsigned long long ticks = (static_cast<unsigned long long>(seconds) + 11644473600ULL) * 10000000ULL;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

inline long long secondsOf(const FILETIME& time)
{
    const unsigned long long ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<long long>(ticks / 10000000ULL) - 11644473600LL;
}

// Seconds since the epoch, as the modification time of path; its access time is a day earlier, so that
// the two cannot be taken for each other.
inline void setFileTime(const iastring& path, long long seconds)
{
    const FILETIME modified = fileTimeOf(seconds);
    const FILETIME accessed = fileTimeOf(seconds - 86400);
    syslib::CSyKernelHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.isValid());
    ASSERT_TRUE(::SetFileTime(file.get(), nullptr, &accessed, &modified));
}

inline long long modificationSeconds(const iastring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return secondsOf(data.ftLastWriteTime);
}

inline long long accessSeconds(const iastring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return secondsOf(data.ftLastAccessTime);
}

// A file built next to the test program (the versioned DLLs).
inline iastring besideTestProgram(const iastring& name)
{
    wchar_t program[MAX_PATH + 1] = {0};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    iastring directory(program);
    return directory.substr(0, directory.find_last_of(L"\\/") + 1) + name;
}

class CNodeTest : public ::testing::Test
{
protected:
    // The node for an existing file or directory of the temporary directory.
    PSyNode node(const iastring& name) { return syslib::filesystem::makeNode(CSyPath(m_dir / name)); }
    PSyFile file(const iastring& name)
    {
        const PSyNode found = node(name);
        return PSyFile(dynamic_cast<ISyFile*>(found.get()));
    }
    // The library's own text for a path of the temporary directory.
    iastring canonical(const iastring& name) { return CSyPath(m_dir / name).getCanonicalPathImpl().toString(); }
    iastring osPath(const iastring& name) { return CSyPath(m_dir / name).getCanonicalPathImpl().toOSString(); }

    CTempDir m_dir;
    CRecordingLogBook m_book;
};
