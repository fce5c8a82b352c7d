// A calendar time in whole seconds since 1970-01-01 00:00 UTC.
#pragma once

#include "sytimediff.h"
#include "syslib/common/syexport.h"

#include <ctime>
#include <ostream>

class ISyTime;
typedef IaPtr<ISyTime> PSyTime;

class ISyTime : public ISyGeneric
{
public:
    enum eTimeZone
    {
        GMT = 0,
        LOCAL = 1
    };

    virtual time_t getTime() const = 0;
    // sFormat is a strftime format; it must contain at least one '%'.
    virtual iastring getCalendarTime(eTimeZone eTimeZone, const iastring& sFormat) const = 0;
    virtual void setTime(time_t time) = 0;
    // The arithmetic leaves this object alone and returns a new one.
    virtual PSyTime add(PSyTimeDiff sypSummand) const = 0;
    virtual PSyTimeDiff diff(PSyTime sypSubtrahend) const = 0;
};

SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyTime::eTimeZone value);
