// The framework's iterator interface: the library hands out iterators as reference-counted objects.
#pragma once

#include "iaptr.h"

// Usage: for (it->first(); !it->isDone(); it->next()) use(it->get());
template <class T>
class IIaPIterGeneric : public IIaGeneric
{
public:
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool isDone() const = 0;
    virtual T get() const = 0;
};
