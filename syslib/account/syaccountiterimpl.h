// Account iterators: a directory collection (group members, a user's groups) walked lazily, with a filter
// deciding which elements are handed out.
#pragma once

#include "syaccountmgt.h"
#include "syslib/common/sypattern.h"
#include "syslib/common/syswin.h"

#include <iads.h>

#include <memory>

// Accepts every element.
class CSyFilter
{
public:
    virtual ~CSyFilter() {}
    virtual bool accept(IUnknown* element) const;
};

// Accepts accounts of one kind (USER or GROUP; any other value: both) whose name matches a pattern.
class CSyPatternFilter : public CSyFilter
{
public:
    CSyPatternFilter(ISyAccountMgt::eAccountType kind, const iastring& pattern, bool caseSensitive);
    bool accept(IUnknown* element) const override;

private:
    ISyAccountMgt::eAccountType m_kind;
    CSyNamePattern m_pattern;
};

class CSyComAccountIteratorImpl : public CSyGenericImpl
{
public:
    // Takes the collection's enumerator and the filter.
    CSyComAccountIteratorImpl(syslib::CSyComPtr<IEnumVARIANT> enumerator, std::unique_ptr<CSyFilter> filter);

    void first();
    void next();
    bool isDone() const { return m_done; }
    // A user or group handle for the current element.
    PSyAccount get() const;

private:
    syslib::CSyComPtr<IEnumVARIANT> m_enumerator;
    std::unique_ptr<CSyFilter> m_filter;
    syslib::CSyVariant m_current;
    bool m_done = true;
};

class CSyComAccountIterator : public CSyCountedHandle<ISyAccountIterator, CSyComAccountIteratorImpl>
{
public:
    using CSyCountedHandle<ISyAccountIterator, CSyComAccountIteratorImpl>::CSyCountedHandle;

    // An iterator over a collection, positioned on its first accepted element; takes the filter. A collection
    // without an enumerator gives an iterator that is done.
    static PSyAccountIterator over(IADsMembers* collection, CSyFilter* filter);
    // The users and groups of this computer's directory container, narrowed to kind's class first.
    static PSyAccountIterator overComputer(ISyAccountMgt::eAccountType kind, CSyFilter* filter);

    void first() override { SY_FORWARD(m_impl.first()); }
    void next() override { SY_FORWARD(m_impl.next()); }
    bool isDone() const override { return m_impl.isDone(); }
    PSyAccount get() const override { return SY_FORWARD(m_impl.get()); }
};
