// Object-model roots of the library: every public interface derives from ISyGeneric, every
// implementation from CSyGenericImpl, every handle from CSyHandle (which embeds its implementation).
#pragma once

#include "framework/iaptr.h"
#include "framework/logbook.h"

#include <atomic>
#include <new>

namespace syslib
{
// "syslib.outOfMemory", then ESyException("Out of memory").
[[noreturn]] void throwOutOfMemory(int line);

// Runs an operation of an implementation on behalf of a caller outside the library: an allocation that
// fails inside it leaves as the library's own failure, logged, never as std::bad_alloc. Every handle
// reaches its implementation through this (SY_FORWARD), so nothing else needs to.
template <class Operation>
decltype(auto) callForCaller(Operation&& operation)
{
    try
    {
        return operation();
    }
    catch (const std::bad_alloc&)
    {
        throwOutOfMemory(__LINE__);
    }
}
} // namespace syslib

// The body of a handle's operation: return SY_FORWARD(m_impl.op(arguments));
#define SY_FORWARD(call) syslib::callForCaller([&]() -> decltype(auto) { return call; })

class ISyGeneric : public IIaGeneric
{
public:
    // Makes the given log book the library-wide one and returns the previous one.
    virtual ILogBook* setLogBook(ILogBook* logBook) = 0;
};

class ISyGenericNoRefCount
{
public:
    virtual ~ISyGenericNoRefCount() {}
};

class CIaGenericImpl
{
public:
    virtual ~CIaGenericImpl() {}
};

class CSyGenericImpl : public CIaGenericImpl
{
public:
    CSyGenericImpl() : m_refCount(0) {}
    CSyGenericImpl(const CSyGenericImpl&) : m_refCount(0) {}
    CSyGenericImpl& operator=(const CSyGenericImpl&) { return *this; }

    virtual ILogBook* setLogBook(ILogBook* logBook);
    virtual ILogBook* getLogBook() const;

    int incrementRefCount() { return ++m_refCount; }
    // The count before the step: only the caller that saw 1 may destroy.
    int decrementRefCountFrom() { return m_refCount.fetch_sub(1); }
    int refCount() const { return m_refCount; }

private:
    // Atomic: a task list is shared with the worker thread that starts its tasks in the background.
    std::atomic<int> m_refCount;
};

// A reference-counted handle: implements interface I by forwarding to the embedded implementation, its
// only member. Counting lives in the implementation; the handle deletes itself with its last reference.
template <class I, class Impl>
class CSyCountedHandle : public I
{
public:
    template <class... Args>
    explicit CSyCountedHandle(Args&&... args) : m_impl(static_cast<Args&&>(args)...)
    {
    }

    int addRef() override { return m_impl.incrementRefCount(); }
    // Destroys only on the step from 1 to 0: a count that is 0 already was never handed to an owner.
    int release() override
    {
        const int before = m_impl.decrementRefCountFrom();
        if (before == 1)
        {
            delete this;
            return 0;
        }
        return before - 1;
    }
    int getRefCount() override { return m_impl.refCount(); }

    Impl& impl() { return m_impl; }
    const Impl& impl() const { return m_impl; }

protected:
    Impl m_impl;
};

// The handle of an ISyGeneric interface.
template <class I, class Impl>
class CSyHandle : public CSyCountedHandle<I, Impl>
{
public:
    using CSyCountedHandle<I, Impl>::CSyCountedHandle;

    ILogBook* setLogBook(ILogBook* logBook) override { return this->m_impl.setLogBook(logBook); }
};

// Base of the manager handles: they live until the library is unloaded, so counting does nothing.
template <class I>
class CEmptyRefCounted : public I
{
public:
    int addRef() override { return 0; }
    int release() override { return 0; }
    int getRefCount() override { return 0; }
};

// A manager handle: a CEmptyRefCounted interface that embeds its implementation.
template <class I, class Impl>
class CSyManagerHandle : public CEmptyRefCounted<I>
{
public:
    ILogBook* setLogBook(ILogBook* logBook) override { return m_impl.setLogBook(logBook); }

    Impl& impl() { return m_impl; }

protected:
    Impl m_impl;
};
