// Windows code of the tree copy: the default worker count, and taking back a file that a worker copied
// after the file that failed.
#include "sytreecopy.h"
#include "syfileapi.h"

#include "syslib/common/syswin.h"

namespace syslib
{
namespace filesystem
{
int defaultTreeCopyWorkers()
{
    // The processors of the process's affinity, which a job or a start with /affinity may have narrowed.
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    int processors = 0;
    if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system))
        for (; process != 0; process &= process - 1)
            ++processors;
    return processors < 2 ? 2 : (processors > 8 ? 8 : processors);
}

bool CSyTreeCopy::takeBack(const iastring& osPath)
{
    // Nothing was there before the copy: whatever is there now is the copy's own, read-only or not.
    if (::GetFileAttributesW(osPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    fileApi().SetFileAttributesW(osPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    return fileApi().DeleteFileW(osPath.c_str()) != FALSE;
}
} // namespace filesystem
} // namespace syslib
