#include "handlecount.h"

#include "syslib/common/syswin.h"

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
            handles.push_back(value);
            unused = 0;
        }
        else
            ++unused;
    }
    return handles;
}
