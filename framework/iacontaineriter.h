// The framework's iterators over a copied container: the caller may keep iterating after the
// object that handed the iterator out has changed or gone.
#pragma once

#include "iaiter.h"

#include <map>
#include <utility>
#include <vector>

template <class T, class Container>
class CIaCopiedContainerIter : public IIaPIterGeneric<T>
{
public:
    explicit CIaCopiedContainerIter(const Container& items) : m_items(items), m_position(m_items.begin()) {}

    int addRef() override { return ++m_refCount; }
    // Only the step from 1 to 0 destroys: a release at 0 (no owner yet) must not free it twice.
    int release() override
    {
        if (m_refCount == 1)
        {
            delete this;
            return 0;
        }
        return --m_refCount;
    }
    int getRefCount() override { return m_refCount; }

    void first() override { m_position = m_items.begin(); }
    void next() override
    {
        if (m_position != m_items.end())
            ++m_position;
    }
    bool isDone() const override { return m_position == m_items.end(); }
    // Only valid while !isDone().
    T get() const override { return *m_position; }

private:
    Container m_items;
    typename Container::const_iterator m_position;
    int m_refCount = 0;
};

// Over a vector.
template <class T>
using CIaContainerIter = CIaCopiedContainerIter<T, std::vector<T>>;

// Over the pairs of a map.
template <class K, class V>
using CIaPContainerIter = CIaCopiedContainerIter<std::pair<const K, V>, std::map<K, V>>;
