// Windows code of the tree copy: taking back a file that a worker copied after the file that failed.
#include "sytreecopy.h"
#include "syfileapi.h"

#include "syslib/common/syswin.h"

namespace syslib
{
namespace filesystem
{
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
