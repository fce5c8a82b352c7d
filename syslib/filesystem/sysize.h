// An amount of disk space: a whole, non-negative number of bytes; 1 KB = 1024 bytes.
#pragma once

#include "syslib/common/sygeneric.h"

class ISySize;
typedef IaPtr<ISySize> PSySize;

class ISySize : public ISyGeneric
{
public:
    virtual double getBytes() const = 0;
    virtual double getKBytes() const = 0;
    virtual double getMBytes() const = 0;
    // The setters round down to whole bytes and refuse negative values.
    virtual void setBytes(double bytes) = 0;
    virtual void setKBytes(double kBytes) = 0;
    virtual void setMBytes(double mBytes) = 0;
    // The arithmetic leaves this object alone and returns a new size.
    virtual PSySize add(PSySize summand) const = 0;
    virtual PSySize diff(PSySize subtrahend) const = 0;
    virtual PSySize mul(double factor) const = 0;
    virtual PSySize div(double divisor) const = 0;
};
