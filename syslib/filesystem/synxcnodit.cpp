// Windows code of the node iterator: one FindFirstFileW search, read entry by entry.
#include "synodeiteratorimpl.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

SY_SOURCE_FILE(L"synxcnodit")

CSyNodeIteratorImpl::CSyNodeIteratorImpl(const CSyPath& directory, const iastring& pattern, bool skipReparsePoints)
    : m_directory(directory), m_pattern(pattern), m_skipReparsePoints(skipReparsePoints), m_search(nullptr)
{
}

CSyNodeIteratorImpl::~CSyNodeIteratorImpl()
{
    closeSearch();
}

void CSyNodeIteratorImpl::closeSearch()
{
    if (m_search != nullptr)
        ::FindClose(m_search);
    m_search = nullptr;
}

void CSyNodeIteratorImpl::first()
{
    SY_TRACE_FUNCTION(L"CSyNodeIteratorImpl::first()");
    closeSearch();
    m_current.clear();
    iastring search = m_directory.toOSString();
    if (search.empty() || search.back() != L'\\')
        search += L'\\';
    search += m_pattern;
    WIN32_FIND_DATAW data;
    const HANDLE handle = ::FindFirstFileW(search.c_str(), &data);
    // A directory that is missing or unreadable simply has no entries to offer.
    if (handle == INVALID_HANDLE_VALUE)
        return;
    m_search = handle;
    settle(&data);
}

void CSyNodeIteratorImpl::next()
{
    SY_TRACE_FUNCTION(L"CSyNodeIteratorImpl::next()");
    if (isDone())
        return;
    WIN32_FIND_DATAW data;
    if (findNext(&data))
        settle(&data);
}

bool CSyNodeIteratorImpl::findNext(void* findData)
{
    if (::FindNextFileW(m_search, static_cast<WIN32_FIND_DATAW*>(findData)))
        return true;
    const DWORD error = ::GetLastError();
    closeSearch();
    m_current.clear();
    if (error == ERROR_NO_MORE_FILES)
        return false;
    SY_PRINT_OS_ERROR(error, L"FindNextFile", m_directory.toOSString());
    syslib::reportError(L"syslib.filesystem.nodeAccessFailed",
                        {m_directory.toString(), syslib::getOSErrorText(error)}, __LINE__);
    throw ESyFileNotFound(m_directory.toString(), ESyException::WIN32_ERROR, static_cast<int>(error));
}

void CSyNodeIteratorImpl::settle(void* findData)
{
    WIN32_FIND_DATAW& data = *static_cast<WIN32_FIND_DATAW*>(findData);
    do
    {
        const iastring name(data.cFileName);
        if (name == L"." || name == L"..")
            continue;
        if (m_skipReparsePoints && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        {
            if (syslib::isTracing())
                syslib::logBook().trace(L"Not following the reparse point " + name, __LINE__);
            continue;
        }
        // The search may have read the entry before someone removed it.
        const int type = childPath(name).getOSNodeType(false);
        if (type == CSyPath::NOT_EXISTING)
            continue;
        m_current = name;
        m_currentType = type != ISyNode::NODE ? type
                        : (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ISyNode::DIRECTORY
                                                                             : ISyNode::FILE;
        return;
    } while (findNext(findData));
}
