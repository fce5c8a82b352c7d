// The iteration over the entries of one directory, straight from the operating system's search.
#pragma once

#include "sydirectory.h"
#include "sypath.h"
#include "syslib/common/sygeneric.h"

class CSyNodeIteratorImpl : public CSyGenericImpl
{
public:
    // skipReparsePoints: junctions and mounted folders are left out (a tree copy must not follow them).
    CSyNodeIteratorImpl(const CSyPath& directory, const iastring& pattern, bool skipReparsePoints);
    ~CSyNodeIteratorImpl() override;
    CSyNodeIteratorImpl(const CSyNodeIteratorImpl&) = delete;
    CSyNodeIteratorImpl& operator=(const CSyNodeIteratorImpl&) = delete;

    void first();
    void next();
    bool isDone() const { return m_current.empty(); }
    // Past the end: "syslib.filesystem.endOfDirectoryReached", ESyFileNotFound.
    PSyNode get() const;

private:
    // findData is the WIN32_FIND_DATAW of the search. settle makes the first wanted entry from the one
    // just found onwards the current one; findNext is false when the search has ended.
    void settle(void* findData);
    bool findNext(void* findData);
    void closeSearch();
    CSyPath childPath(const iastring& name) const;

    CSyPath m_directory;
    iastring m_pattern;
    bool m_skipReparsePoints;
    void* m_search; // the FindFirstFileW handle, or null
    iastring m_current;
    int m_currentType = 0;
};

class CSyNodeIterator : public CSyCountedHandle<ISyNodeIterator, CSyNodeIteratorImpl>
{
public:
    CSyNodeIterator(const CSyPath& directory, const iastring& pattern, bool skipReparsePoints)
        : CSyCountedHandle(directory, pattern, skipReparsePoints)
    {
    }

    void first() override { return SY_FORWARD(m_impl.first()); }
    void next() override { return SY_FORWARD(m_impl.next()); }
    bool isDone() const override { return SY_FORWARD(m_impl.isDone()); }
    PSyNode get() const override { return SY_FORWARD(m_impl.get()); }
};
