// The framework's object-model roots and its intrusive reference-counting pointer.
#pragma once

#include <cstddef>

class IIaUnknown
{
public:
    virtual ~IIaUnknown() {}
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual int getRefCount() = 0;
};

class IIaGeneric : public IIaUnknown
{
};

template <class T>
class IaPtr
{
public:
    IaPtr() : m_p(nullptr) {}
    IaPtr(T* p) : m_p(p)
    {
        if (m_p)
            m_p->addRef();
    }
    IaPtr(const IaPtr& other) : m_p(other.m_p)
    {
        if (m_p)
            m_p->addRef();
    }
    template <class U>
    IaPtr(const IaPtr<U>& other) : m_p(other.get())
    {
        if (m_p)
            m_p->addRef();
    }
    ~IaPtr()
    {
        if (m_p)
            m_p->release();
    }
    IaPtr& operator=(const IaPtr& other)
    {
        // addRef first: assigning a pointer to itself must not destroy the object.
        T* old = m_p;
        m_p = other.m_p;
        if (m_p)
            m_p->addRef();
        if (old)
            old->release();
        return *this;
    }

    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    T* get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    bool operator==(const IaPtr& other) const { return m_p == other.m_p; }
    bool operator!=(const IaPtr& other) const { return m_p != other.m_p; }

private:
    T* m_p;
};
