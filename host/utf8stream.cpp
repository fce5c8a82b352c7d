#include "utf8stream.h"

namespace
{
const unsigned long replacementCharacter = 0xFFFD;
}

// A surrogate without its partner is no character: it is written as U+FFFD, never as bytes that are not
// UTF-8.
void CUtf8StreamBuf::put(wchar_t c)
{
    unsigned long code = static_cast<unsigned short>(c);
    const bool high = code >= 0xD800 && code < 0xDC00;
    const bool low = code >= 0xDC00 && code < 0xE000;
    if (m_highSurrogate && !low)
    {
        m_highSurrogate = 0;
        encode(replacementCharacter);
    }
    if (high)
    {
        m_highSurrogate = c;
        return;
    }
    if (low)
    {
        code = m_highSurrogate
                   ? 0x10000 + ((static_cast<unsigned long>(m_highSurrogate) - 0xD800) << 10) + (code - 0xDC00)
                   : replacementCharacter;
        m_highSurrogate = 0;
    }
    encode(code);
}

void CUtf8StreamBuf::encode(unsigned long code)
{
    if (code < 0x80)
    {
        m_pending += static_cast<char>(code);
    }
    else if (code < 0x800)
    {
        m_pending += static_cast<char>(0xC0 | (code >> 6));
        m_pending += static_cast<char>(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        m_pending += static_cast<char>(0xE0 | (code >> 12));
        m_pending += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        m_pending += static_cast<char>(0x80 | (code & 0x3F));
    }
    else
    {
        m_pending += static_cast<char>(0xF0 | (code >> 18));
        m_pending += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        m_pending += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        m_pending += static_cast<char>(0x80 | (code & 0x3F));
    }
}

CUtf8StreamBuf::int_type CUtf8StreamBuf::overflow(int_type c)
{
    if (!traits_type::eq_int_type(c, traits_type::eof()))
    {
        put(traits_type::to_char_type(c));
        if (c == L'\n')
            sync();
    }
    return traits_type::not_eof(c);
}

std::streamsize CUtf8StreamBuf::xsputn(const wchar_t* text, std::streamsize count)
{
    for (std::streamsize i = 0; i < count; ++i)
        put(text[i]);
    if (m_pending.size() > 4096 || (count > 0 && text[count - 1] == L'\n'))
        sync();
    return count;
}

int CUtf8StreamBuf::sync()
{
    if (!m_pending.empty())
    {
        std::fwrite(m_pending.data(), 1, m_pending.size(), m_file);
        m_pending.clear();
    }
    std::fflush(m_file);
    return 0;
}
