// Lets GoogleTest print paths in failure messages.
#pragma once

#include "syslib/filesystem/sypath.h"

#include <ostream>

inline void PrintTo(const CSyPath& path, std::ostream* os)
{
    for (std::size_t i = 0; i < path.size(); ++i)
    {
        const iastring name = CSyPathComponent::typeName(path.typeAt(i));
        *os << std::string(name.begin(), name.end()) << "(";
        for (const wchar_t c : path.textAt(i))
            *os << (c >= 32 && c < 127 ? static_cast<char>(c) : '#');
        *os << ") ";
    }
}
