// Windows code of directories: removing a tree depth first.
#include "sydirectoryimpl.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

SY_SOURCE_FILE(L"synxcdir")

void CSyDirectoryImpl::remove()
{
    SY_TRACE_FUNCTION(L"CSyDirectoryImpl::remove()");
    checkRemovable();
    const iastring fullName = m_path.toString();
    const iastring osPath = m_path.toOSString();
    const DWORD attributes = ::GetFileAttributesW(osPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        syslib::printOSError(::GetLastError(), L"GetFileAttributes", __LINE__, osPath, CMessage::LOG_WARNING,
                             syThisSourceFile);
        syslib::filesystem::reportMessage(L"syslib.filesystem.nodeRemoveNoRecursion", {fullName},
                                          CMessage::LOG_WARNING, __LINE__);
    }
    // A junction or mounted folder goes alone: what it points to belongs to someone else.
    else if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    {
        for (const PSyNodeIterator children = getChildNodes(L"*", false); !children->isDone(); children->next())
            children->get()->remove();
    }
    syslib::filesystem::reportMessage(L"syslib.filesystem.removingDirectory", {fullName}, CMessage::LOG_INFO,
                                      __LINE__);
    ::SetFileAttributesW(osPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::RemoveDirectoryW(osPath.c_str()))
    {
        const DWORD error = ::GetLastError();
        syslib::reportError(L"syslib.filesystem.nodeRemoveFailed",
                            {fullName, L"directory", syslib::getOSErrorText(error)}, __LINE__);
        throw ESyFileDelete(fullName, ESyException::WIN32_ERROR, static_cast<int>(error));
    }
}
