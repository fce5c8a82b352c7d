// The framework string functions the library relies on. They never throw on ordinary input.
#pragma once

#include "iastring.h"

#include <string>
#include <vector>

iastring stringTrim(const iastring& text);
iastring stringTrimLeft(const iastring& text);
iastring stringTrimRight(const iastring& text);
iastring stringTrimRight(const iastring& text, const iastring& characters);

iastring stringToUpper(const iastring& text);
iastring stringToLower(const iastring& text);

bool stringIsNumeral(const iastring& text);

// Splits at the first separator; false (left and right untouched) when there is none.
bool stringSplit(const iastring& text, unsigned short separator, iastring& left, iastring& right);
// Appends every piece between separators, empty pieces included, and returns how many were appended.
unsigned int stringSplit(const iastring& text, unsigned short separator, std::vector<iastring>& parts);
unsigned int stringSplit(const iastring& text, const iastring& separators, std::vector<iastring>& parts);

// Replaced text is not scanned again.
iastring stringSubstituteAll(const iastring& text, const iastring& from, const iastring& to);

// 8-bit text in the process's ANSI code page, as 8-bit Win32 calls and files expect it.
std::string toMbstring(const iastring& text);
iastring toIastring(const std::string& text);
// UTF-8, as files that carry its byte-order mark hold text; a sequence that is no UTF-8 becomes U+FFFD.
std::string toUtf8(const iastring& text);
iastring fromUtf8(const std::string& text);
iastring toIastring(const iastring& text);
