// Writing enumeration values by name; a value outside the table reads "unknown (N)".
#pragma once

#include <cstddef>
#include <ostream>

namespace syslib
{
struct CSyEnumName
{
    int value;
    const wchar_t* name;
};

template <std::size_t N>
std::wostream& writeEnumName(std::wostream& os, int value, const CSyEnumName (&names)[N])
{
    for (const CSyEnumName& entry : names)
        if (entry.value == value)
            return os << entry.name;
    return os << L"unknown (" << value << L")";
}
} // namespace syslib
