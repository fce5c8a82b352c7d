// Name patterns: "*" any run of characters, "?" one character, everything else itself. Portable code only.
#pragma once

#include "framework/iastring.h"

class CSyNamePattern
{
public:
    // An empty pattern matches every name.
    CSyNamePattern(const iastring& pattern, bool caseSensitive);

    // Whether the whole name matches.
    bool matches(const iastring& name) const;

private:
    iastring m_pattern;
    bool m_caseSensitive;
};
