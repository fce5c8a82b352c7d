#pragma once

#include "sytimediff.h"

class CSyTimeDiffImpl : public CSyGenericImpl
{
public:
    double get() const;
    iastring getCalendarTime(const iastring& sFormat) const;
    void set(double seconds);
    PSyTimeDiff add(PSyTimeDiff sypSummand) const;
    PSyTimeDiff diff(PSyTimeDiff sypSubtrahend) const;
    PSyTimeDiff mul(double factor) const;
    PSyTimeDiff div(double dDividend) const;

    // "Return value: ISyTimeDiff* (N)", the result text of everything that hands out a difference.
    static iastring returnText(double seconds);

private:
    double m_seconds = 0;
};

class CSyTimeDiff : public CSyHandle<ISyTimeDiff, CSyTimeDiffImpl>
{
public:
    double get() const override { return SY_FORWARD(m_impl.get()); }
    iastring getCalendarTime(const iastring& sFormat) const override
    {
        return SY_FORWARD(m_impl.getCalendarTime(sFormat));
    }
    void set(double seconds) override { return SY_FORWARD(m_impl.set(seconds)); }
    PSyTimeDiff add(PSyTimeDiff sypSummand) const override { return SY_FORWARD(m_impl.add(sypSummand)); }
    PSyTimeDiff diff(PSyTimeDiff sypSubtrahend) const override { return SY_FORWARD(m_impl.diff(sypSubtrahend)); }
    PSyTimeDiff mul(double factor) const override { return SY_FORWARD(m_impl.mul(factor)); }
    PSyTimeDiff div(double dDividend) const override { return SY_FORWARD(m_impl.div(dDividend)); }
};

namespace syslib
{
// A new difference holding seconds; out of range throws as CSyTimeDiffImpl::set does.
PSyTimeDiff newTimeDiff(double seconds);
} // namespace syslib
