// Windows code of what an operation keeps of the node it replaces: attributes, and the old file aside.
#include "synodeaside.h"
#include "syfileapi.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <atomic>
#include <cwchar>

SY_SOURCE_FILE(L"synxcaside")

namespace syslib
{
namespace filesystem
{
namespace
{
// What SetFileAttributesW takes; the others (directory, reparse point, compressed, ...) it cannot set.
const DWORD settableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                 FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

void info(const iastring& key, const CLogArguments& arguments, int line)
{
    syslib::reportMessage(key, arguments, CMessage::LOG_INFO, line);
}

iastring folderOf(const iastring& osPath)
{
    return osPath.substr(0, osPath.find_last_of(L'\\') + 1);
}

// The next "qelXXXX.tmp" to try: a start that differs between processes and calls, then counting up, as
// GetTempFileNameW does, but without its limit of MAX_PATH characters.
unsigned nextCandidate()
{
    static std::atomic<unsigned> counter(static_cast<unsigned>(::GetTickCount() ^ (::GetCurrentProcessId() << 5)));
    return counter++ & 0xFFFF;
}

iastring candidateName(const iastring& folder)
{
    wchar_t name[16];
    std::swprintf(name, 16, L"qel%X.tmp", nextCandidate());
    return folder + name;
}
} // namespace

void CSyKeptAttributes::keep(const iastring& osPath)
{
    const DWORD attributes = ::GetFileAttributesW(osPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        keep(osPath, attributes);
}

void CSyKeptAttributes::keep(const iastring& osPath, unsigned long attributes)
{
    m_osPath = osPath;
    m_attributes = attributes & settableAttributes;
    m_kept = true;
}

bool CSyKeptAttributes::isReadOnly() const
{
    return m_kept && (m_attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void CSyKeptAttributes::restore()
{
    if (!m_kept)
        return;
    m_kept = false;
    // Nothing but the archive bit to put back: a reset left the same.
    if ((m_attributes & ~FILE_ATTRIBUTE_ARCHIVE) == 0)
        return;
    if (!fileApi().SetFileAttributesW(m_osPath.c_str(), m_attributes))
        syslib::printOSError(::GetLastError(), L"SetFileAttributes", __LINE__,
                             m_osPath + L", " + syslib::toString(m_attributes), CMessage::LOG_WARNING,
                             syThisSourceFile);
}

bool isInUseError(unsigned long error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_BUSY;
}

unsigned long moveNode(const iastring& from, const iastring& to)
{
    if (fileApi().MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
        return 0;
    const DWORD error = ::GetLastError();
    syslib::printOSError(error, L"MoveFileEx", __LINE__, from + L", " + to + L", MOVEFILE_WRITE_THROUGH",
                         CMessage::LOG_ERROR, syThisSourceFile);
    return error;
}

unsigned long registerForDeletion(const iastring& osPath)
{
    info(L"syslib.filesystem.registeringForDeletion", {osPath}, __LINE__);
    if (fileApi().MoveFileExW(osPath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        return 0;
    const DWORD error = ::GetLastError();
    syslib::printOSError(error, L"MoveFileEx", __LINE__, osPath + L", NULL, MOVEFILE_DELAY_UNTIL_REBOOT",
                         CMessage::LOG_ERROR, syThisSourceFile);
    return error;
}

void deleteOwnFile(const iastring& osPath)
{
    if (::GetFileAttributesW(osPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    if (!fileApi().DeleteFileW(osPath.c_str()))
        SY_TRACE_OS_ERROR(::GetLastError(), L"DeleteFile", osPath);
}

CSyAsideFile::CSyAsideFile(const CSyPath& path) : m_osPath(path.toOSString()) {}

CSyAsideFile::~CSyAsideFile()
{
    if (isAside())
        restore();
}

unsigned long CSyAsideFile::moveAside()
{
    const iastring folder = folderOf(m_osPath);
    for (unsigned attempt = 0; attempt <= 0xFFFF; ++attempt)
    {
        const iastring temporary = candidateName(folder);
        if (::GetFileAttributesW(temporary.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        info(L"syslib.filesystem.movingFile", {m_osPath, temporary}, __LINE__);
        const DWORD attributes = ::GetFileAttributesW(m_osPath.c_str());
        if (fileApi().MoveFileExW(m_osPath.c_str(), temporary.c_str(), MOVEFILE_WRITE_THROUGH))
        {
            m_temporary = temporary;
            if (attributes != INVALID_FILE_ATTRIBUTES)
                m_attributes.keep(m_osPath, attributes);
            return 0;
        }
        const DWORD error = ::GetLastError();
        // Taken since the look: the next name.
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
            continue;
        syslib::printOSError(error, L"MoveFileEx", __LINE__,
                             m_osPath + L", " + temporary + L", MOVEFILE_WRITE_THROUGH", CMessage::LOG_ERROR,
                             syThisSourceFile);
        return error;
    }
    syslib::printOSError(ERROR_FILE_EXISTS, L"MoveFileEx", __LINE__, m_osPath + L", " + folder + L"qel*.tmp",
                         CMessage::LOG_ERROR, syThisSourceFile);
    return ERROR_FILE_EXISTS;
}

unsigned long CSyAsideFile::discard()
{
    // A read-only file would be taken for one in use, and would stay read-only at the restart.
    if (!fileApi().SetFileAttributesW(m_temporary.c_str(), FILE_ATTRIBUTE_NORMAL))
    {
        const DWORD error = ::GetLastError();
        syslib::printOSError(error, L"SetFileAttributes", __LINE__, m_temporary + L", FILE_ATTRIBUTE_NORMAL",
                             CMessage::LOG_ERROR, syThisSourceFile);
        return error;
    }
    if (fileApi().DeleteFileW(m_temporary.c_str()))
    {
        gone();
        return 0;
    }
    const DWORD error = ::GetLastError();
    if (!isInUseError(error) && error != ERROR_ACCESS_DENIED)
    {
        syslib::printOSError(error, L"DeleteFile", __LINE__, m_temporary, CMessage::LOG_ERROR, syThisSourceFile);
        return error;
    }
    SY_TRACE_OS_ERROR(error, L"DeleteFile", m_temporary);
    return registerAside();
}

unsigned long CSyAsideFile::scheduleDeletion()
{
    // Nothing may stop the deletion at the restart.
    if (!fileApi().SetFileAttributesW(m_temporary.c_str(), FILE_ATTRIBUTE_NORMAL))
        SY_TRACE_OS_ERROR(::GetLastError(), L"SetFileAttributes", m_temporary + L", FILE_ATTRIBUTE_NORMAL");
    return registerAside();
}

unsigned long CSyAsideFile::registerAside()
{
    const unsigned long error = registerForDeletion(m_temporary);
    if (error == 0)
        gone();
    return error;
}

void CSyAsideFile::gone()
{
    m_temporary.clear();
    m_attributes.release();
}

void CSyAsideFile::restore()
{
    info(L"syslib.filesystem.restoringFile", {m_temporary, m_osPath}, __LINE__);
    if (moveNode(m_temporary, m_osPath) != 0)
    {
        syslib::reportError(L"syslib.filesystem.restoreFailed", {m_osPath, m_temporary}, __LINE__);
        m_attributes.release();
    }
    else
        m_attributes.restore();
    m_temporary.clear();
}
} // namespace filesystem
} // namespace syslib
