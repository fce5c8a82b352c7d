// Portable code only: the line iterator of a file stream.
#include "syfileimpl.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcfstit")

// The end is reached when a read finds nothing more; a last line without a line end still counts.
void CSyFileStreamIteratorImpl::read()
{
    m_line = m_stream->getLine();
    m_done = m_stream->eof() && m_line.empty();
}

void CSyFileStreamIteratorImpl::first()
{
    SY_TRACE_FUNCTION(L"CSyFileStreamIteratorImpl::first()");
    m_stream->rewind();
    read();
}

void CSyFileStreamIteratorImpl::next()
{
    SY_TRACE_FUNCTION(L"CSyFileStreamIteratorImpl::next()");
    if (m_done)
        return;
    if (m_stream->eof())
    {
        m_done = true;
        m_line.clear();
        return;
    }
    read();
}

iastring CSyFileStreamIteratorImpl::get() const
{
    SY_TRACE_FUNCTION(L"CSyFileStreamIteratorImpl::get()");
    if (m_done)
    {
        syslib::reportError(L"syslib.filesystem.endOfFileReached", {}, __LINE__);
        throw ESyFileRead(iastring());
    }
    return m_line;
}
