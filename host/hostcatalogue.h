// Host side: the English message catalogue. Texts name their arguments %1, %2, … in order.
#pragma once

#include "framework/iastring.h"

struct CCatalogueEntry
{
    const wchar_t* key;
    const wchar_t* text;
};

// The text for key, or null when the catalogue does not know it.
const wchar_t* catalogueText(const iastring& key);
