// The framework's string type: UTF-16 code units, so Win32 W functions take c_str() directly.
#pragma once

#include <string>

static_assert(sizeof(wchar_t) == 2, "iastring needs wchar_t to be one UTF-16 code unit");

typedef std::wstring iastring;
typedef wchar_t iachar;

namespace charconst
{
    const iachar tab = L'\t';
    const iachar eol = L'\n';
    const iachar spc = L' ';
}
