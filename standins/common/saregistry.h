// Registry values as the stand-ins keep their state: every process of the wine prefix sees the same.
#pragma once

#include "syslib/common/syswin.h"

#include <string>
#include <vector>

namespace standins
{
// False when the value is missing or not a REG_DWORD.
bool readDword(HKEY key, const wchar_t* name, DWORD& value);
void writeDword(HKEY key, const wchar_t* name, DWORD value);
// Empty when the value is missing.
std::vector<BYTE> readBytes(HKEY key, const wchar_t* name);
void writeBytes(HKEY key, const wchar_t* name, const std::vector<BYTE>& bytes);
std::wstring readText(HKEY key, const wchar_t* name);
void writeText(HKEY key, const wchar_t* name, const std::wstring& value);
std::vector<std::wstring> readList(HKEY key, const wchar_t* name);
void writeList(HKEY key, const wchar_t* name, const std::vector<std::wstring>& list);
// HKEY_LOCAL_MACHINE\path, created when create is set; invalid when it cannot be opened. Always the 64-bit
// view: accounts, shares and descriptors are machine-wide, and 32-bit and 64-bit programs see the same.
syslib::CSyRegKey openMachineKey(const std::wstring& path, bool create);
// Removes HKEY_LOCAL_MACHINE\path (64-bit view) with everything below it; false when it was not there.
bool deleteMachineKey(const std::wstring& path);
} // namespace standins
