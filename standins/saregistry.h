// Reading and writing the values the stand-ins keep their state in. Failures read as empty values: a
// stand-in whose state is missing answers as a machine that has nothing of that kind.
#pragma once

#include "syslib/common/syswin.h"

#include <string>
#include <vector>

namespace standins
{
// The key below HKEY_LOCAL_MACHINE; create makes it (and its parents) when missing. Invalid on failure.
syslib::CSyRegKey openStateKey(const std::wstring& path, bool create);

std::vector<BYTE> readBytes(HKEY key, const wchar_t* name);
bool readDword(HKEY key, const wchar_t* name, DWORD& value);
void writeDword(HKEY key, const wchar_t* name, DWORD value);
std::wstring readText(HKEY key, const wchar_t* name);
void writeText(HKEY key, const wchar_t* name, const std::wstring& value);
// REG_MULTI_SZ.
std::vector<std::wstring> readList(HKEY key, const wchar_t* name);
void writeList(HKEY key, const wchar_t* name, const std::vector<std::wstring>& list);
} // namespace standins
