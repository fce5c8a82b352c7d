// The timer manager: lives from its first request until the library is unloaded.
#pragma once

#include "sytimermgt.h"

class CSyTimerMgtImpl : public CSyGenericImpl
{
public:
    IaPtr<ISyTimer> getTimer();
    PSyTime getTime(time_t time);
    PSyTimeDiff getTimeDiff(double seconds);
};

class CSyTimerMgt : public CSyManagerHandle<ISyTimerMgt, CSyTimerMgtImpl>
{
public:
    IaPtr<ISyTimer> getTimer() override { return SY_FORWARD(m_impl.getTimer()); }
    PSyTime getTime(time_t time) override { return SY_FORWARD(m_impl.getTime(time)); }
    PSyTimeDiff getTimeDiff(double seconds) override { return SY_FORWARD(m_impl.getTimeDiff(seconds)); }
};
