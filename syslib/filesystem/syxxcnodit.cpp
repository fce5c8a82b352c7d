// Portable code only: what the node iterator hands out.
#include "synodeiteratorimpl.h"
#include "synodeimpl.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcnodit")

CSyPath CSyNodeIteratorImpl::childPath(const iastring& name) const
{
    CSyPath child = m_directory;
    child.appendComponent(name);
    return child;
}

PSyNode CSyNodeIteratorImpl::get() const
{
    SY_TRACE_FUNCTION(L"CSyNodeIteratorImpl::get()");
    if (isDone())
    {
        syslib::reportError(L"syslib.filesystem.endOfDirectoryReached", {}, __LINE__);
        throw ESyFileNotFound(m_directory.toString());
    }
    return syslib::filesystem::newNode(childPath(m_current), static_cast<ISyNode::eNodeType>(m_currentType));
}
