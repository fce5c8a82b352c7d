// A signed time difference in seconds; its magnitude never exceeds 2147483647.
#pragma once

#include "syslib/common/sygeneric.h"

class ISyTimeDiff;
typedef IaPtr<ISyTimeDiff> PSyTimeDiff;

class ISyTimeDiff : public ISyGeneric
{
public:
    virtual double get() const = 0;
    // A duration, not a date: %d %H %j %m %M %S %x %X become plain numbers of the broken-down
    // magnitude; the sign is dropped.
    virtual iastring getCalendarTime(const iastring& sFormat) const = 0;
    virtual void set(double seconds) = 0;
    // The arithmetic leaves this object alone and returns a new one.
    virtual PSyTimeDiff add(PSyTimeDiff sypSummand) const = 0;
    virtual PSyTimeDiff diff(PSyTimeDiff sypSubtrahend) const = 0;
    virtual PSyTimeDiff mul(double factor) const = 0;
    virtual PSyTimeDiff div(double dDividend) const = 0;
};
