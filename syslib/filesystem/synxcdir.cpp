// Windows code of directories: removing a tree depth first.
#include "sydirectoryimpl.h"
#include "syfileapi.h"
#include "syfileimpl.h"
#include "synodeaside.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

SY_SOURCE_FILE(L"synxcdir")

void CSyDirectoryImpl::remove()
{
    CSyTreeRemoval removal;
    removeTree(removal);
    if (removal.pending != 0)
        syslib::filesystem::reportMessage(L"syslib.filesystem.removalCompletesAtRestart",
                                          {m_path.toString(), syslib::toString(removal.pending)},
                                          CMessage::LOG_WARNING, __LINE__);
}

void CSyDirectoryImpl::removeTree(CSyTreeRemoval& removal)
{
    SY_TRACE_FUNCTION(L"CSyDirectoryImpl::remove()");
    checkRemovable();
    const iastring fullName = m_path.toString();
    const iastring osPath = m_path.toOSString();
    const DWORD attributes = ::GetFileAttributesW(osPath.c_str());
    const int pendingBefore = removal.pending;
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
        {
            const PSyNode child = children->get();
            if (child->getNodeType() == ISyNode::DIRECTORY)
                static_cast<CSyDirectory*>(child.get())->impl().removeTree(removal);
            else // the walk yields files and directories only
                static_cast<CSyFile*>(child.get())->impl().removeFile(&removal);
        }
    }
    syslib::filesystem::reportMessage(L"syslib.filesystem.removingDirectory", {fullName}, CMessage::LOG_INFO,
                                      __LINE__);
    syslib::filesystem::CSyKeptAttributes kept;
    if (attributes != INVALID_FILE_ATTRIBUTES)
        kept.keep(osPath, attributes);
    syslib::fileApi().SetFileAttributesW(osPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (syslib::fileApi().RemoveDirectoryW(osPath.c_str()))
    {
        kept.release();
        return;
    }
    DWORD error = ::GetLastError();
    // Emptied but for what goes at the restart: the folder follows it then, after it.
    if (error == ERROR_DIR_NOT_EMPTY && removal.pending > pendingBefore)
    {
        error = syslib::filesystem::registerForDeletion(osPath);
        if (error == 0)
        {
            ++removal.pending;
            kept.release();
            return;
        }
    }
    kept.restore();
    syslib::reportError(L"syslib.filesystem.nodeRemoveFailed", {fullName, L"directory", syslib::getOSErrorText(error)},
                        __LINE__);
    throw ESyFileDelete(fullName, ESyException::WIN32_ERROR, static_cast<int>(error));
}
