// Portable code only: the installer's ends of the pipes to a child, over runtime-library descriptors.
#include "sytaskioimpl.h"

#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <io.h>
#include <locale>

SY_SOURCE_FILE(L"syxxctaskio")

namespace
{
const std::size_t readAheadSize = 4096;
// More bytes than any code page needs for one character.
const std::size_t maxCharBytes = 16;

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

CSyTaskIOImpl::CSyTaskIOImpl()
    : m_readDescriptor(-1), m_state(), m_writeDescriptor(-1), m_eof(false), m_readPosition(0), m_readEnd(0)
{
}

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
    m_state = std::mbstate_t();
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
    typedef std::codecvt<wchar_t, char, std::mbstate_t> Facet;
    const Facet& facet = std::use_facet<Facet>(std::locale());
    char bytes[maxCharBytes];
    std::size_t count = 0;
    for (;;)
    {
        if (count == maxCharBytes)
            throwInputError(L"basic_pipebuf::getChar: codecvt facette::in could not convert character.", __LINE__);
        if (!readByte(bytes[count]))
        {
            m_eof = true;
            return L' ';
        }
        ++count;
        wchar_t result[1];
        const char* fromNext = bytes;
        wchar_t* toNext = result;
        switch (facet.in(m_state, bytes, bytes + count, fromNext, result, result + 1, toNext))
        {
        case std::codecvt_base::ok:
            if (toNext != result)
                return result[0];
            break; // bytes that make no character of their own, such as a shift sequence
        case std::codecvt_base::partial:
            if (toNext != result)
                throwInputError(L"basic_pipebuf::getChar: Result buffer is full.", __LINE__);
            break;
        case std::codecvt_base::error:
            throwInputError(L"basic_pipebuf::getChar: codecvt facette::in could not convert character.", __LINE__);
        case std::codecvt_base::noconv:
        {
            wchar_t converted = 0;
            if (std::mbtowc(&converted, bytes, count) >= 0)
                return converted;
            continue; // an incomplete character: the next byte may finish it
        }
        }
        // Keep what the facet has not consumed for the next round.
        const std::size_t consumed = static_cast<std::size_t>(fromNext - bytes);
        std::memmove(bytes, fromNext, count - consumed);
        count -= consumed;
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
