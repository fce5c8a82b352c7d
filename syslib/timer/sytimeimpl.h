#pragma once

#include "sytime.h"

class CSyTimeImpl : public CSyGenericImpl
{
public:
    time_t getTime() const;
    iastring getCalendarTime(ISyTime::eTimeZone eTimeZone, const iastring& sFormat) const;
    void setTime(time_t time);
    PSyTime add(PSyTimeDiff sypSummand) const;
    PSyTimeDiff diff(PSyTime sypSubtrahend) const;

    // "Return value: ISyTime* (N)", the result text of everything that hands out a time point.
    static iastring returnText(time_t time);

private:
    time_t m_time = 0;
};

class CSyTime : public CSyHandle<ISyTime, CSyTimeImpl>
{
public:
    time_t getTime() const override { return SY_FORWARD(m_impl.getTime()); }
    iastring getCalendarTime(eTimeZone eTimeZone, const iastring& sFormat) const override
    {
        return SY_FORWARD(m_impl.getCalendarTime(eTimeZone, sFormat));
    }
    void setTime(time_t time) override { return SY_FORWARD(m_impl.setTime(time)); }
    PSyTime add(PSyTimeDiff sypSummand) const override { return SY_FORWARD(m_impl.add(sypSummand)); }
    PSyTimeDiff diff(PSyTime sypSubtrahend) const override { return SY_FORWARD(m_impl.diff(sypSubtrahend)); }
};

namespace syslib
{
PSyTime newTime(time_t time);
} // namespace syslib

namespace syslib
{
// Rejects an empty format ("common.parameterEmpty") and one without '%' ("common.parameterNotValid").
void checkTimeFormat(const iastring& sFormat, const iastring& signature, int line);
// "common.fatalSystemError" with the errno text and the call, then ESyTimer.
[[noreturn]] void throwTimeCallFailed(const iastring& call, int line);
} // namespace syslib
