// Windows code of the shared node opening.
#include "synodeopening.h"

#include "syslib/common/syswin.h"

#include <io.h>
#include <sys/utime.h>

namespace syslib
{
namespace filesystem
{
namespace
{
struct CSyCrtFileTraits
{
    typedef int type;
    static int invalid() { return -1; }
    static bool isValid(int descriptor) { return descriptor >= 0; }
    static void free(int descriptor) { ::_close(descriptor); }
};
} // namespace

bool CSyNodeOpening::openAttributes(const iastring& osPath)
{
    close();
    syslib::CSyKernelHandle file(::CreateFileW(osPath.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!file || !::GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof(tag)) ||
        (tag.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;
    m_handle = file.detach();
    return true;
}

bool CSyNodeOpening::openAsUtime(const iastring& osPath)
{
    close();
    syslib::CSyKernelHandle file(::CreateFileW(osPath.c_str(), GENERIC_READ | GENERIC_WRITE,
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

bool CSyNodeOpening::setNormalAttributes()
{
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL; // zero times: left as they are
    if (isOpen() && ::SetFileInformationByHandle(m_handle, FileBasicInfo, &basic, sizeof(basic)))
        return true;
    close();
    return false;
}

bool CSyNodeOpening::setNormalAttributesAndTimes(const __utimbuf64& times)
{
    if (!setNormalAttributes())
        return false;
    syslib::CSyWinResource<CSyCrtFileTraits> descriptor(::_open_osfhandle(reinterpret_cast<intptr_t>(m_handle), 0));
    if (!descriptor)
    {
        close();
        return false;
    }
    m_handle = nullptr; // the descriptor closes it
    __utimbuf64 copy = times;
    return ::_futime64(descriptor.get(), &copy) == 0;
}

void CSyNodeOpening::close()
{
    const syslib::CSyKernelHandle closing(m_handle);
    m_handle = nullptr;
}
} // namespace filesystem
} // namespace syslib
