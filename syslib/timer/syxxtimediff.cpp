// Portable code only: time differences and their formatting as durations.
#include "sytimediffimpl.h"
#include "sytimeimpl.h"
#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"

#include <cmath>
#include <ctime>

SY_SOURCE_FILE(L"syxxtimediff")

namespace
{
const double maxSeconds = 2147483647.0;

iastring parameterText(const PSyTimeDiff& value)
{
    return value ? syslib::toStringChecked(value->get()) : iastring(L"(ISyTimeDiff *) NULL");
}

PSyTimeDiff tracedResult(double seconds)
{
    PSyTimeDiff result = syslib::newTimeDiff(seconds);
    SY_TRACE_RETURN(CSyTimeDiffImpl::returnText(seconds));
    return result;
}
} // namespace

namespace syslib
{
PSyTimeDiff newTimeDiff(double seconds)
{
    PSyTimeDiff result(new CSyTimeDiff());
    result->set(seconds);
    return result;
}
} // namespace syslib

iastring CSyTimeDiffImpl::returnText(double seconds)
{
    return L"Return value: ISyTimeDiff* (" + syslib::toStringChecked(seconds) + L")";
}

double CSyTimeDiffImpl::get() const
{
    SY_TRACE_FUNCTION(L"CSyTimeDiffImpl::get()");
    SY_TRACE_RETURN(syslib::toStringChecked(m_seconds));
    return m_seconds;
}

void CSyTimeDiffImpl::set(double seconds)
{
    SY_TRACE_FUNCTION(L"CSyTimeDiffImpl::set(double)");
    SY_TRACE_PARAMETERS(syslib::toStringChecked(seconds));
    // Written this way round so that NaN is refused as well.
    if (!(std::fabs(seconds) <= maxSeconds))
    {
        syslib::reportError(L"syslib.timer.overflow", {syslib::toStringChecked(seconds)}, __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    m_seconds = seconds;
}

PSyTimeDiff CSyTimeDiffImpl::add(PSyTimeDiff sypSummand) const
{
    static const wchar_t signature[] = L"CSyTimeDiffImpl::add(PSyTimeDiff sypSummand)";
    SY_TRACE_FUNCTION(signature);
    SY_TRACE_PARAMETERS(parameterText(sypSummand));
    if (!sypSummand)
        syslib::throwParameterEmpty(L"sypSummand", signature, __LINE__);
    return tracedResult(m_seconds + sypSummand->get());
}

PSyTimeDiff CSyTimeDiffImpl::diff(PSyTimeDiff sypSubtrahend) const
{
    static const wchar_t signature[] = L"CSyTimeDiffImpl::diff(PSyTimeDiff sypSubtrahend)";
    SY_TRACE_FUNCTION(signature);
    SY_TRACE_PARAMETERS(parameterText(sypSubtrahend));
    if (!sypSubtrahend)
        syslib::throwParameterEmpty(L"sypSubtrahend", signature, __LINE__);
    return tracedResult(m_seconds - sypSubtrahend->get());
}

PSyTimeDiff CSyTimeDiffImpl::mul(double factor) const
{
    SY_TRACE_FUNCTION(L"CSyTimeDiffImpl::mul(double)");
    SY_TRACE_PARAMETERS(syslib::toStringChecked(factor));
    return tracedResult(m_seconds * factor);
}

PSyTimeDiff CSyTimeDiffImpl::div(double dDividend) const
{
    static const wchar_t signature[] = L"CSyTimeDiffImpl::div(double dDividend)";
    SY_TRACE_FUNCTION(signature);
    SY_TRACE_PARAMETERS(syslib::toStringChecked(dDividend));
    if (dDividend == 0.0)
        syslib::throwParameterEmpty(L"dDividend", signature, __LINE__);
    return tracedResult(m_seconds / dDividend);
}

iastring CSyTimeDiffImpl::getCalendarTime(const iastring& sFormat) const
{
    static const wchar_t signature[] = L"CSyTimeDiffImpl::getCalendarTime(iastring sFormat)";
    SY_TRACE_FUNCTION(signature);
    SY_TRACE_PARAMETERS(L"\"" + sFormat + L"\"");
    syslib::checkTimeFormat(sFormat, signature, __LINE__);

    // Broken down from the epoch, so the fields read as "so many days, hours, …" once the epoch's own
    // day and year are taken off.
    const time_t magnitude = static_cast<time_t>(std::trunc(std::fabs(m_seconds)));
    const std::tm* fields = std::gmtime(&magnitude);
    if (!fields)
        syslib::throwTimeCallFailed(L"gmtime()", __LINE__);
    const std::tm parts = *fields;

    auto number = [](int value) { return syslib::toStringChecked(value); };
    const iastring days = number(parts.tm_mday - 1);
    const iastring hours = number(parts.tm_hour);
    const iastring minutes = number(parts.tm_min);
    const iastring seconds = number(parts.tm_sec);
    const iastring month = number(parts.tm_mon);

    iastring text = sFormat;
    text = stringSubstituteAll(text, L"%d", days);
    text = stringSubstituteAll(text, L"%H", hours);
    text = stringSubstituteAll(text, L"%j", number(parts.tm_yday));
    text = stringSubstituteAll(text, L"%m", month);
    text = stringSubstituteAll(text, L"%M", minutes);
    text = stringSubstituteAll(text, L"%S", seconds);
    text = stringSubstituteAll(text, L"%x", month + L"/" + days + L"/" + number(parts.tm_year - 70));
    text = stringSubstituteAll(text, L"%X", hours + L":" + minutes + L":" + seconds);
    SY_TRACE_RETURN(L"Return value: \"" + text + L"\"");
    return text;
}
