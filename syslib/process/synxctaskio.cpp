// Windows half of task I/O: what the child writes, read in the code page the library writes with.
#include "sytaskioimpl.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

SY_SOURCE_FILE(L"synxctaskio")

CSyTaskIOImpl::CSyTaskIOImpl()
    : m_readDescriptor(-1), m_pendingUnit(0), m_writeDescriptor(-1), m_eof(false), m_codePage(CP_ACP),
      m_readPosition(0), m_readEnd(0)
{
    setCodePage(CP_ACP);
}

void CSyTaskIOImpl::setCodePage(unsigned int codePage)
{
    // By number: the checks below must know a UTF-8 system's code page for what it is.
    m_codePage = codePage == CP_ACP ? ::GetACP() : codePage;
}

bool CSyTaskIOImpl::incomplete(const char* bytes, std::size_t count) const
{
    const unsigned char lead = static_cast<unsigned char>(bytes[0]);
    if (m_codePage != CP_UTF8)
        return count == 1 && ::IsDBCSLeadByteEx(m_codePage, lead);
    const std::size_t length = lead >= 0xc2 && lead <= 0xdf ? 2 : lead >= 0xe0 && lead <= 0xef ? 3
                               : lead >= 0xf0 && lead <= 0xf4 ? 4 : 1;
    for (std::size_t i = 1; i < count; ++i)
        if ((static_cast<unsigned char>(bytes[i]) & 0xc0) != 0x80)
            return false;
    return count < length;
}

int CSyTaskIOImpl::decode(const char* bytes, std::size_t count, wchar_t (&units)[2]) const
{
    return ::MultiByteToWideChar(m_codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(count), units, 2);
}
