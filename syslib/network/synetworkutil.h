// Small helpers every network source shares.
#pragma once

#include "framework/iastrutil.h"
#include "framework/logbook.h"
#include "syslib/common/sytrace.h"

#include <vector>

namespace syslib
{
namespace network
{
using syslib::reportMessage;

// "common.attributeEmpty" / "common.attributeNotValid" with (first, second), then ESyPrecondition.
[[noreturn]] inline void throwAttributeEmpty(const iastring& attribute, const iastring& function, int line)
{
    syslib::reportError(L"common.attributeEmpty", {attribute, function}, line);
    throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
}
[[noreturn]] inline void throwAttributeNotValid(const iastring& value, const iastring& attribute, int line)
{
    syslib::reportError(L"common.attributeNotValid", {value, attribute}, line);
    throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
}

// Splits at the first separator; without one the whole text is the head.
inline void splitHeadTail(const iastring& text, wchar_t separator, iastring& head, iastring& tail)
{
    head = text;
    tail.clear();
    stringSplit(text, separator, head, tail);
}

inline iastring joined(const std::vector<iastring>& parts, const iastring& separator)
{
    iastring text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i ? separator : iastring()) + parts[i];
    return text;
}

// The socket calls take 16 bits: a larger number would be cut to another port, not refused.
inline bool isPortNumber(unsigned int port)
{
    return port >= 1 && port <= 65535;
}

inline bool isComment(const iastring& name)
{
    return !name.empty() && name[0] == L'#';
}
} // namespace network
} // namespace syslib
