// Portable code only: line-oriented text streams of files.
#include "syfileimpl.h"

#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"

#include <cerrno>
#include <cstring>
#include <string>

SY_SOURCE_FILE(L"syxxcfstrm")

namespace
{
iastring errnoText()
{
    return toIastring(std::string(std::strerror(errno)));
}
} // namespace

void CSyFileStreamImpl::checkMode(bool wantRead) const
{
    if (((m_mode & ISyFile::READ) != 0) != wantRead)
    {
        syslib::reportError(L"syslib.filesystem.wrongFileOpenMode", {m_fileName}, __LINE__);
        throw ESyPrecondition();
    }
}

void CSyFileStreamImpl::open()
{
    SY_TRACE_FUNCTION(L"CSyFileStreamImpl::open()");
    if (m_stream.is_open())
        return;
    std::ios::openmode mode;
    if (m_mode & ISyFile::WRITE)
        mode = std::ios::out | std::ios::app | ((m_mode & ISyFile::READ) ? std::ios::in : std::ios::openmode());
    else if (m_mode & ISyFile::TRUNCATE)
        mode = std::ios::out | std::ios::trunc;
    else
        mode = std::ios::in;
    if (m_mode & ISyFile::BINARY)
        mode |= std::ios::binary;
    m_stream.clear();
    errno = 0;
    m_stream.open(m_osName.c_str(), mode);
    if (m_stream.fail())
    {
        if (m_mode & ISyFile::READ)
            syslib::reportError(L"syslib.filesystem.nodeDoesNotExist", {m_fileName}, __LINE__);
        else
            syslib::reportError(L"syslib.filesystem.writeErrorOS", {m_fileName, errnoText()}, __LINE__);
        throw ESyFileNotFound(m_fileName);
    }
}

iastring CSyFileStreamImpl::getLine()
{
    SY_TRACE_FUNCTION(L"CSyFileStreamImpl::getLine()");
    checkMode(true);
    open();
    iastring line;
    std::getline(m_stream, line, L'\n');
    if (!m_stream.eof() && m_stream.fail())
    {
        syslib::reportError(L"syslib.filesystem.readError", {m_fileName}, __LINE__);
        throw ESyFileRead(m_fileName);
    }
    // A line end read in binary mode, or written by another system, keeps its carriage return.
    if (!line.empty() && line.back() == L'\r')
        line.pop_back();
    SY_TRACE_RETURN(line);
    return line;
}

void CSyFileStreamImpl::putLine(const iastring& text, bool newline)
{
    SY_TRACE_FUNCTION(L"CSyFileStreamImpl::putLine(iastring,bool)");
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(text + (newline ? L", true" : L", false"));
    checkMode(false);
    open();
    errno = 0;
    m_stream << text;
    if (newline && (text.empty() || text.back() != L'\n'))
        m_stream << L'\n';
    m_stream.flush();
    if (m_stream.fail())
    {
        syslib::reportError(L"syslib.filesystem.writeErrorOS", {m_fileName, errnoText()}, __LINE__);
        throw ESyFileWrite(m_fileName);
    }
}

void CSyFileStreamImpl::close()
{
    SY_TRACE_FUNCTION(L"CSyFileStreamImpl::close()");
    if (m_stream.is_open())
        m_stream.close();
}

void CSyFileStreamImpl::rewind()
{
    SY_TRACE_FUNCTION(L"CSyFileStreamImpl::rewind()");
    close();
    m_stream.clear();
    errno = 0;
    try
    {
        open();
    }
    catch (const ESyFileNotFound&)
    {
        // A reopen that fails is a write error whatever the mode: the file was there a moment ago.
        if (m_mode & ISyFile::READ)
            syslib::reportError(L"syslib.filesystem.writeErrorOS", {m_fileName, errnoText()}, __LINE__);
        throw;
    }
}

PSyFileStreamIterator CSyFileStreamImpl::getIterator()
{
    SY_TRACE_FUNCTION(L"CSyFileStreamImpl::getIterator()");
    checkMode(true);
    return PSyFileStreamIterator(new CSyFileStreamIterator(PSyFileStream(m_owner)));
}
