// Portable code only: the timer and the timer manager, which hand out the time value objects.
#include "sytimerimpl.h"
#include "sytimermgtimpl.h"
#include "sytimediffimpl.h"
#include "sytimeimpl.h"
#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxtimer")

PSyTime CSyTimerImpl::getTime()
{
    SY_TRACE_FUNCTION(L"CSyTimerImpl::getTime()");
    const time_t now = std::time(nullptr);
    PSyTime result = syslib::newTime(now);
    SY_TRACE_RETURN(CSyTimeImpl::returnText(now));
    return result;
}

IaPtr<ISyTimer> CSyTimerMgtImpl::getTimer()
{
    SY_TRACE_FUNCTION(L"CSyTimerMgtImpl::getTimer()");
    return IaPtr<ISyTimer>(new CSyTimer());
}

PSyTime CSyTimerMgtImpl::getTime(time_t time)
{
    SY_TRACE_FUNCTION(L"CSyTimerMgtImpl::getTime(time_t)");
    SY_TRACE_PARAMETERS(syslib::toStringChecked(time));
    PSyTime result = syslib::newTime(time);
    SY_TRACE_RETURN(CSyTimeImpl::returnText(time));
    return result;
}

PSyTimeDiff CSyTimerMgtImpl::getTimeDiff(double seconds)
{
    SY_TRACE_FUNCTION(L"CSyTimerMgtImpl::getTimeDiff(double)");
    SY_TRACE_PARAMETERS(syslib::toStringChecked(seconds));
    PSyTimeDiff result = syslib::newTimeDiff(seconds);
    SY_TRACE_RETURN(CSyTimeDiffImpl::returnText(seconds));
    return result;
}
