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

// Writing a bit set: the names of the set bits joined by "|"; bits without a name follow as one number,
// and no bit at all reads "0".
template <std::size_t N>
std::wostream& writeFlagNames(std::wostream& os, int value, const CSyEnumName (&names)[N])
{
    const char* separator = "";
    int rest = value;
    for (const CSyEnumName& entry : names)
        if ((value & entry.value) == entry.value && entry.value != 0)
        {
            os << separator << entry.name;
            separator = "|";
            rest &= ~entry.value;
        }
    if (rest != 0 || value == 0)
        os << separator << rest;
    return os;
}
} // namespace syslib
