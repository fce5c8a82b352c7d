// Windows code of the shared node opening.
#include "synodeopening.h"
#include "syfileapi.h"

#include "syslib/common/syswin.h"

#include <sys/utime.h>

namespace syslib
{
namespace filesystem
{
namespace
{
LARGE_INTEGER fileTimeOf(__time64_t seconds)
{
    LARGE_INTEGER ticks;
    ticks.QuadPart = (seconds + 11644473600LL) * 10000000LL;
    return ticks;
}
} // namespace

bool CSyNodeOpening::openAttributes(const iastring& osPath)
{
    close();
    syslib::CSyKernelHandle file(fileApi().CreateFileW(osPath.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                                       nullptr));
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!file || !::GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof(tag)) ||
        (tag.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;
    m_handle = file.detach();
    m_attributes = tag.FileAttributes;
    return true;
}

bool CSyNodeOpening::openAsUtime(const iastring& osPath)
{
    close();
    syslib::CSyKernelHandle file(fileApi().CreateFileW(osPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    m_handle = file.detach();
    return true;
}

void CSyNodeOpening::adopt(void* handle)
{
    close();
    m_handle = handle;
}

bool CSyNodeOpening::readAttributes(unsigned long& attributes)
{
    if (m_attributes == 0)
    {
        FILE_ATTRIBUTE_TAG_INFO tag = {};
        if (!isOpen() || !::GetFileInformationByHandleEx(m_handle, FileAttributeTagInfo, &tag, sizeof(tag)))
            return false;
        m_attributes = tag.FileAttributes;
    }
    attributes = m_attributes;
    return true;
}

bool CSyNodeOpening::setNormalAttributes()
{
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL; // zero times: left as they are
    if (isOpen() && fileApi().SetFileInformationByHandle(m_handle, FileBasicInfo, &basic, sizeof(basic)))
        return true;
    close();
    return false;
}

bool CSyNodeOpening::setNormalAttributesAndTimes(const __utimbuf64& times)
{
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    basic.LastAccessTime = fileTimeOf(times.actime);
    basic.LastWriteTime = fileTimeOf(times.modtime);
    const bool set = isOpen() && fileApi().SetFileInformationByHandle(m_handle, FileBasicInfo, &basic, sizeof(basic));
    const syslib::CSyLastErrorKeeper error;
    close();
    return set;
}

void CSyNodeOpening::close()
{
    const syslib::CSyKernelHandle closing(m_handle);
    m_handle = nullptr;
    m_attributes = 0;
}
} // namespace filesystem
} // namespace syslib
