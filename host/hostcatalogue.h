// Host side: the English message catalogue. Texts name their arguments %1, %2, ... in order.
#pragma once

#include "framework/iastring.h"

#include <cstddef>

struct CCatalogueEntry
{
    const wchar_t* key;
    const wchar_t* text;
};

// The number of arguments a text takes: its highest %N.
std::size_t catalogueArgumentCount(const wchar_t* text);
// The text for key written with this many arguments. A key that callers use with different numbers of
// arguments has one text for each; null when there is none for that number.
const wchar_t* catalogueText(const iastring& key, std::size_t argumentCount);
// Any text for key (the first), or null when the catalogue does not know the key.
const wchar_t* catalogueText(const iastring& key);
