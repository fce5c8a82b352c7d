// The framework string functions. Case mapping and code-page conversion use Windows so that they
// agree with how the system itself compares names.
#include "iastrutil.h"

#include "syslib/common/syswin.h"

namespace
{
const iastring whiteSpace = L" \t\r\n\v\f";
}

iastring stringTrim(const iastring& text)
{
    return stringTrimLeft(stringTrimRight(text));
}

iastring stringTrimLeft(const iastring& text)
{
    const iastring::size_type first = text.find_first_not_of(whiteSpace);
    return first == iastring::npos ? iastring() : text.substr(first);
}

iastring stringTrimRight(const iastring& text)
{
    return stringTrimRight(text, whiteSpace);
}

iastring stringTrimRight(const iastring& text, const iastring& characters)
{
    const iastring::size_type last = text.find_last_not_of(characters);
    return last == iastring::npos ? iastring() : text.substr(0, last + 1);
}

iastring stringToUpper(const iastring& text)
{
    iastring result = text;
    if (!result.empty())
        ::CharUpperBuffW(&result[0], static_cast<DWORD>(result.size()));
    return result;
}

iastring stringToLower(const iastring& text)
{
    iastring result = text;
    if (!result.empty())
        ::CharLowerBuffW(&result[0], static_cast<DWORD>(result.size()));
    return result;
}

bool stringIsNumeral(const iastring& text)
{
    return !text.empty() && text.find_first_not_of(L"0123456789") == iastring::npos;
}

bool stringSplit(const iastring& text, unsigned short separator, iastring& left, iastring& right)
{
    const iastring::size_type at = text.find(static_cast<iachar>(separator));
    if (at == iastring::npos)
        return false;
    left = text.substr(0, at);
    right = text.substr(at + 1);
    return true;
}

unsigned int stringSplit(const iastring& text, unsigned short separator, std::vector<iastring>& parts)
{
    return stringSplit(text, iastring(1, static_cast<iachar>(separator)), parts);
}

unsigned int stringSplit(const iastring& text, const iastring& separators, std::vector<iastring>& parts)
{
    unsigned int count = 0;
    iastring::size_type start = 0;
    for (;;)
    {
        const iastring::size_type at = text.find_first_of(separators, start);
        parts.push_back(text.substr(start, at == iastring::npos ? iastring::npos : at - start));
        ++count;
        if (at == iastring::npos)
            return count;
        start = at + 1;
    }
}

iastring stringSubstituteAll(const iastring& text, const iastring& from, const iastring& to)
{
    if (from.empty())
        return text;
    iastring result;
    iastring::size_type start = 0;
    for (;;)
    {
        const iastring::size_type at = text.find(from, start);
        if (at == iastring::npos)
            break;
        result.append(text, start, at - start);
        result += to;
        start = at + from.size();
    }
    result.append(text, start, iastring::npos);
    return result;
}

namespace
{
std::string toCodePage(UINT codePage, const iastring& text)
{
    if (text.empty())
        return std::string();
    const int size = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string result(size > 0 ? size : 0, '\0');
    if (size > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr,
                              nullptr);
    return result;
}

iastring fromCodePage(UINT codePage, const std::string& text)
{
    if (text.empty())
        return iastring();
    const int size = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    iastring result(size > 0 ? size : 0, L'\0');
    if (size > 0)
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &result[0], size);
    return result;
}
} // namespace

std::string toMbstring(const iastring& text)
{
    return toCodePage(CP_ACP, text);
}

iastring toIastring(const std::string& text)
{
    return fromCodePage(CP_ACP, text);
}

std::string toUtf8(const iastring& text)
{
    return toCodePage(CP_UTF8, text);
}

iastring fromUtf8(const std::string& text)
{
    return fromCodePage(CP_UTF8, text);
}

iastring toIastring(const iastring& text)
{
    return text;
}
