#include "hostlogbook.h"
#include "hostcatalogue.h"

#include "syslib/common/syswin.h"

#include <cwchar>

namespace
{
// The lines of the library's function-trace guard: alone, "end of function" does not say which one ends.
bool isGuardLine(const iastring& text)
{
    static const wchar_t* const guardTexts[] = {L"begin of function",    L"end of function",
                                                L"begin of constructor", L"end of constructor",
                                                L"begin of destructor",  L"end of destructor"};
    for (const wchar_t* guardText : guardTexts)
        if (text == guardText)
            return true;
    return false;
}

void appendNumber(iastring& out, int value)
{
    wchar_t digits[16];
    int count = 0;
    unsigned int magnitude = value < 0 ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
    do
    {
        digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        out += L'-';
    while (count)
        out += digits[--count];
}
} // namespace

CHostLogBook::CHostLogBook(std::wostream& sink) : m_sink(sink)
{
    m_line.reserve(256);
}

void CHostLogBook::addSecret(const iastring& secret)
{
    if (!secret.empty())
        m_secrets.push_back(secret);
}

iastring CHostLogBook::renderMessage(const iastring& key, const CLogArguments& arguments)
{
    const wchar_t* text = catalogueText(key, arguments.size());
    if (!text)
        text = catalogueText(key);
    iastring rendered;
    std::size_t used = 0;
    for (const wchar_t* p = text; p && *p; ++p)
    {
        if (*p == L'%' && p[1] >= L'1' && p[1] <= L'9')
        {
            const std::size_t index = static_cast<std::size_t>(p[1] - L'1');
            rendered += index < arguments.size() ? arguments[index] : iastring();
            used = index + 1 > used ? index + 1 : used;
            ++p;
        }
        else
        {
            rendered += *p;
        }
    }
    // An unknown key, or more arguments than its text takes: nothing the library said is dropped.
    if (!text)
        rendered = key;
    for (std::size_t i = used; i < arguments.size(); ++i)
        rendered += (i == used ? L" [" : L" | ") + arguments[i];
    if (used < arguments.size())
        rendered += L"]";
    return rendered;
}

iastring CHostLogBook::mask(const iastring& text) const
{
    iastring masked = text;
    for (const iastring& secret : m_secrets)
        for (iastring::size_type at = masked.find(secret); at != iastring::npos; at = masked.find(secret, at + 8))
            masked.replace(at, secret.size(), L"********");
    return masked;
}

// Reading the wall clock is dear (a system call under wine), so the clock is read once a second
// and advanced in between by the tick count; the text is formatted again only when the tick changes.
const iastring& CHostLogBook::timestamp()
{
    const unsigned long long tick = ::GetTickCount64();
    if (tick == m_timestampTick && !m_timestamp.empty())
        return m_timestamp;
    if (m_timestamp.empty() || tick - m_clockTick >= 1000)
    {
        FILETIME now;
        ::GetSystemTimeAsFileTime(&now);
        m_clock = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        m_clockTick = tick;
    }
    m_timestampTick = tick;
    const unsigned long long current = m_clock + (tick - m_clockTick) * 10000ull;
    FILETIME utc;
    utc.dwLowDateTime = static_cast<DWORD>(current);
    utc.dwHighDateTime = static_cast<DWORD>(current >> 32);
    FILETIME local;
    SYSTEMTIME t;
    ::FileTimeToLocalFileTime(&utc, &local);
    ::FileTimeToSystemTime(&local, &t);
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond, t.wMilliseconds);
    m_timestamp = buffer;
    return m_timestamp;
}

void CHostLogBook::write(const CLine& line)
{
    if (line.kind != LINE_MESSAGE && !m_verbose)
        return;
    const wchar_t* level = L"TRC ";
    if (line.kind == LINE_LOG)
        level = L"LOG ";
    else if (line.kind == LINE_MESSAGE)
        level = line.type == CMessage::LOG_ERROR ? L"ERR " : line.type == CMessage::LOG_WARNING ? L"WRN " : L"INF ";

    iastring& out = m_line;
    out.clear();
    out += timestamp();
    out += L' ';
    out += level;
    out.append(static_cast<std::size_t>(line.depth) * 2, L' ');
    if (line.kind == LINE_MESSAGE)
    {
        const iastring rendered = renderMessage(line.text, line.arguments);
        if (line.type == CMessage::LOG_ERROR)
        {
            m_lastError = mask(rendered);
            m_lastErrorKey = line.text;
        }
        out += rendered;
        out += L" {";
        out += line.text;
        out += L'}';
    }
    else if (line.text.find(L'\n') == iastring::npos)
    {
        out += line.text;
        if (line.kind == LINE_TRACE && !line.functionName.empty() && isGuardLine(line.text))
        {
            out += L' ';
            out += line.functionName;
        }
    }
    else
    {
        // A dump: its lines are aligned under the first, its final line end dropped.
        const std::size_t margin = out.size();
        const iastring::size_type end = line.text.find_last_not_of(L"\r\n");
        for (iastring::size_type i = 0; end != iastring::npos && i <= end; ++i)
        {
            out += line.text[i];
            if (line.text[i] == L'\n')
                out.append(margin, L' ');
        }
    }
    out += L"  <";
    out += line.sourceFile;
    out += L':';
    appendNumber(out, line.line);
    out += L'>';
    if (!m_secrets.empty())
        out = mask(out);
    out += L'\n';
    m_sink.write(out.data(), static_cast<std::streamsize>(out.size()));
}
