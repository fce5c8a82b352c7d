// Portable code only: the installer's ends of the pipes to a child, over runtime-library descriptors.
#include "sytaskioimpl.h"

#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <io.h>

SY_SOURCE_FILE(L"syxxctaskio")

namespace
{
const std::size_t readAheadSize = 4096;

iastring errnoText(int number)
{
    return toIastring(std::string(std::strerror(number)));
}

[[noreturn]] void throwInputError(const wchar_t* text, int line)
{
    syslib::traceExceptionAt(line, syThisSourceFileName());
    throw ESyInputError(text, false);
}

void closeSilently(int& descriptor)
{
    if (descriptor != -1)
        ::_close(descriptor);
    descriptor = -1;
}
} // namespace

CSyTaskIOImpl::~CSyTaskIOImpl()
{
    closeSilently(m_readDescriptor);
    closeSilently(m_writeDescriptor);
}

void CSyTaskIOImpl::attachReading(int descriptor)
{
    SY_TRACE_FUNCTION(L"CSyTaskIOImpl::attachReading(int)");
    closeSilently(m_readDescriptor);
    m_readDescriptor = descriptor;
    m_pendingUnit = 0;
    m_readPosition = m_readEnd = 0;
    // A new pipe has not ended, whatever the previous one did.
    m_eof = false;
}

void CSyTaskIOImpl::attachWriting(int descriptor)
{
    SY_TRACE_FUNCTION(L"CSyTaskIOImpl::attachWriting(int)");
    closeSilently(m_writeDescriptor);
    m_writeDescriptor = descriptor;
}

bool CSyTaskIOImpl::readByte(char& byte)
{
    if (m_readPosition == m_readEnd)
    {
        if (m_readDescriptor == -1)
            return false;
        if (m_readAhead.empty())
            m_readAhead.resize(readAheadSize);
        // Returns what the pipe holds, at least one byte, or 0 once the writer has closed its end.
        const int count = ::_read(m_readDescriptor, m_readAhead.data(), static_cast<unsigned int>(m_readAhead.size()));
        if (count <= 0)
            return false;
        m_readPosition = 0;
        m_readEnd = static_cast<std::size_t>(count);
    }
    byte = m_readAhead[m_readPosition++];
    return true;
}

iachar CSyTaskIOImpl::getChar()
{
    SY_TRACE_FUNCTION(L"CSyTaskIOImpl::getChar()");
    if (m_pendingUnit != 0)
    {
        const iachar unit = m_pendingUnit;
        m_pendingUnit = 0;
        return unit;
    }
    // A character's bytes may come in separate reads: the next byte is waited for. No code page has a
    // character longer than 4 bytes, so an incomplete one never fills the buffer.
    char bytes[4];
    std::size_t count = 0;
    for (;;)
    {
        if (!readByte(bytes[count]))
        {
            m_eof = true;
            return L' ';
        }
        ++count;
        wchar_t units[2];
        const int decoded = decode(bytes, count, units);
        if (decoded == 2)
            m_pendingUnit = units[1];
        if (decoded > 0)
            return units[0];
        if (!incomplete(bytes, count))
            throwInputError(L"basic_pipebuf::getChar: codecvt facette::in could not convert character.", __LINE__);
    }
}

iastring CSyTaskIOImpl::getLine()
{
    SY_TRACE_FUNCTION(L"CSyTaskIOImpl::getLine()");
    iastring line;
    while (!m_eof)
    {
        const iachar c = getChar();
        if (m_eof || c == L'\n')
            break;
        line += c;
    }
    if (syslib::isTracing())
        syslib::logBook().trace(L"Got line '" + line + L"'", __LINE__);
    return line;
}

void CSyTaskIOImpl::write(const std::string& bytes, const wchar_t* exceptionText)
{
    errno = 0;
    int written = -1;
    if (m_writeDescriptor == -1)
        errno = EBADF;
    else
        written = ::_write(m_writeDescriptor, bytes.data(), static_cast<unsigned int>(bytes.size()));
    if (written < 0 || static_cast<std::size_t>(written) < bytes.size())
    {
        const int error = errno;
        syslib::reportError(L"syslib.process.taskIO.couldNotWriteToPipe", {}, __LINE__);
        errno = error;
        throw ESyOutputError(exceptionText, true);
    }
}

void CSyTaskIOImpl::put(iachar c)
{
    SY_TRACE_FUNCTION(L"CSyTaskIOImpl::put(iachar)");
    write(toMbstring(iastring(1, c)), L"CSyTaskIOImpl::put: Could not write to pipe.");
}

// One write for the whole line, converted as a whole: a character outside the basic plane is two
// UTF-16 units that only convert together.
void CSyTaskIOImpl::putLine(const iastring& text)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyTaskIOImpl::putLine(" + text + L")" : iastring());
    write(toMbstring(text + L'\n'), L"CSyTaskIOImpl::put: Could not write to pipe.");
}

bool CSyTaskIOImpl::isEof() const
{
    SY_TRACE_FUNCTION(L"CSyTaskIOImpl::isEof()");
    return m_eof;
}

void CSyTaskIOImpl::close()
{
    SY_TRACE_FUNCTION(L"CSyTaskIOImpl::close()");
    if (m_readDescriptor != -1)
    {
        if (::_close(m_readDescriptor) != 0)
        {
            const int error = errno;
            syslib::reportError(L"syslib.process.taskIO.couldNotClosePipe", {errnoText(error)}, __LINE__);
            errno = error;
            throw ESyInputError(L"Could not close pipe.", true);
        }
        m_readDescriptor = -1;
        m_readPosition = m_readEnd = 0;
    }
    if (m_writeDescriptor != -1)
    {
        if (::_close(m_writeDescriptor) != 0)
        {
            const int error = errno;
            syslib::reportError(L"syslib.process.taskIO.couldNotClosePipe", {errnoText(error)}, __LINE__);
            errno = error;
            throw ESyOutputError(L"Could not close pipe.", true);
        }
        m_writeDescriptor = -1;
    }
}
