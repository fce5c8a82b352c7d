#include "hostcatalogue.h"

#include <iterator>

namespace
{
// One file a subsystem, so that work on different subsystems never touches the same lines.
const CCatalogueEntry entries[] = {
#include "messages/common.inc"
#include "messages/timer.inc"
#include "messages/process.inc"
#include "messages/account.inc"
#include "messages/filesystem.inc"
#include "messages/system.inc"
#include "messages/network.inc"
};
} // namespace

std::size_t catalogueArgumentCount(const wchar_t* text)
{
    std::size_t count = 0;
    for (const wchar_t* p = text; *p; ++p)
        if (p[0] == L'%' && p[1] >= L'1' && p[1] <= L'9' && static_cast<std::size_t>(p[1] - L'0') > count)
            count = static_cast<std::size_t>(p[1] - L'0');
    return count;
}

const wchar_t* catalogueText(const iastring& key, std::size_t argumentCount)
{
    for (const CCatalogueEntry& entry : entries)
        if (key == entry.key && catalogueArgumentCount(entry.text) == argumentCount)
            return entry.text;
    return nullptr;
}

const wchar_t* catalogueText(const iastring& key)
{
    for (const CCatalogueEntry& entry : entries)
        if (key == entry.key)
            return entry.text;
    return nullptr;
}
