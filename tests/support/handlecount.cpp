#include "handlecount.h"

#include "syslib/common/syswin.h"

#include <algorithm>
#include <set>

namespace
{
std::set<std::uintptr_t>& excusedHandles()
{
    static std::set<std::uintptr_t> handles;
    return handles;
}
} // namespace

std::vector<std::uintptr_t> openHandles()
{
    // Handles are handed out lowest first: once 256 values in a row are no handle, none above is.
    std::vector<std::uintptr_t> handles;
    const std::uintptr_t step = 4;
    for (std::uintptr_t value = step, unused = 0; unused < 256; value += step)
    {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
        {
            if (!excusedHandles().count(value))
                handles.push_back(value);
            unused = 0;
        }
        else
            ++unused;
    }
    return handles;
}

void excuseHandlesOpenedSince(const std::vector<std::uintptr_t>& before)
{
    for (const std::uintptr_t handle : openHandles())
        if (!std::binary_search(before.begin(), before.end(), handle))
            excusedHandles().insert(handle);
}
