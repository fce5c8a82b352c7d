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

const wchar_t* catalogueText(const iastring& key)
{
    for (const CCatalogueEntry& entry : entries)
        if (key == entry.key)
            return entry.text;
    return nullptr;
}
