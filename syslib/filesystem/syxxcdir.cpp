// Portable code only: directories as nodes.
#include "sydirectoryimpl.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcdir")

bool CSyDirectoryImpl::decideIfMoveCopyNode(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode,
                                            bool& existingTarget)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyDirectoryImpl::decideIfMoveCopyNode(" + info.m_path.toString() + L", " +
                                     syslib::toString(info.m_realNodeType) + L", " + syslib::toString(mode) + L")"
                               : iastring());
    const iastring source = m_path.toString();
    const iastring target = info.m_path.toString();
    ILogBook& book = syslib::logBook();
    existingTarget = info.m_realNodeType == ISyNode::DIRECTORY;
    if (existingTarget)
    {
        book.trace(L"Destination directory " + target + L" exists. I will move the contents of " + source + L".",
                   __LINE__);
        return true;
    }
    book.trace(L"Destination directory " + target + L" does not exist or is not a directory.", __LINE__);
    if (mode & ISyNode::MISSING)
    {
        book.trace(L"mode & ISyNode::MISSING ==> I will move/copy directory.", __LINE__);
        return true;
    }
    book.trace(L"I will not not copy/move directory " + source + L" to: " + target +
                   L" (target directory not found and mode & ISyNode::MISSING == 0)",
               __LINE__);
    return false;
}

PSyNodeIterator CSyDirectory::getChildNodes(const iastring&, bool)
{
    syslib::throwFunctionNotSupported(L"CSyDirectoryImpl::getChildNodes(iastring,bool)", __LINE__);
}

PSyNode CSyDirectory::getChildNode(const iastring&, bool)
{
    syslib::throwFunctionNotSupported(L"CSyDirectoryImpl::getChildNode(iastring,bool)", __LINE__);
}

bool CSyDirectory::isEmpty()
{
    syslib::throwFunctionNotSupported(L"CSyDirectoryImpl::isEmpty()", __LINE__);
}

PSySize CSyDirectory::getTotalSize()
{
    syslib::throwFunctionNotSupported(L"CSyDirectoryImpl::getTotalSize()", __LINE__);
}
