// Portable code only: time points, their arithmetic and strftime formatting.
#include "sytimeimpl.h"
#include "sytimediffimpl.h"
#include "framework/iastrutil.h"
#include "syslib/common/syenumio.h"
#include "syslib/common/sytrace.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

SY_SOURCE_FILE(L"syxxtime")

namespace
{
const double maxTime = 2147483647.0;
// Room strftime gets beyond the length of the format itself.
const std::size_t formatReserve = 104;
} // namespace

std::wostream& operator<<(std::wostream& os, ISyTime::eTimeZone value)
{
    static const syslib::CSyEnumName names[] = {{ISyTime::GMT, L"GMT"}, {ISyTime::LOCAL, L"LOCAL"}};
    return syslib::writeEnumName(os, value, names);
}

namespace syslib
{
PSyTime newTime(time_t time)
{
    PSyTime result(new CSyTime());
    result->setTime(time);
    return result;
}

void checkTimeFormat(const iastring& sFormat, const iastring& signature, int line)
{
    if (sFormat.empty())
        throwParameterEmpty(L"sFormat", signature, line);
    if (sFormat.find(L'%') == iastring::npos)
    {
        reportError(L"common.parameterNotValid", {L"sFormat", sFormat, signature}, line);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
}

void throwTimeCallFailed(const iastring& call, int line)
{
    const int number = errno;
    reportError(L"common.fatalSystemError", {toIastring(std::string(std::strerror(number))), call}, line);
    throw ESyTimer();
}
} // namespace syslib

iastring CSyTimeImpl::returnText(time_t time)
{
    return L"Return value: ISyTime* (" + syslib::toStringChecked(time) + L")";
}

time_t CSyTimeImpl::getTime() const
{
    SY_TRACE_FUNCTION(L"CSyTimeImpl::getTime()");
    SY_TRACE_RETURN(syslib::toStringChecked(m_time));
    return m_time;
}

void CSyTimeImpl::setTime(time_t time)
{
    SY_TRACE_FUNCTION(L"CSyTimeImpl::setTime(time_t)");
    SY_TRACE_PARAMETERS(syslib::toStringChecked(time));
    m_time = time;
}

PSyTime CSyTimeImpl::add(PSyTimeDiff sypSummand) const
{
    static const wchar_t signature[] = L"CSyTimeImpl::add(PSyTimeDiff sypSummand)";
    SY_TRACE_FUNCTION(signature);
    if (!sypSummand)
    {
        SY_TRACE_PARAMETERS(L"(ISyTimeDiff *) NULL");
        syslib::throwParameterEmpty(L"sypSummand", signature, __LINE__);
    }
    const double seconds = sypSummand->get();
    SY_TRACE_PARAMETERS(syslib::toStringChecked(seconds));

    const double sum = static_cast<double>(m_time) + seconds;
    if (sum < 0.0)
    {
        syslib::reportError(L"syslib.timer.negative", {syslib::toStringChecked(seconds)}, __LINE__);
        throw ESyTimer();
    }
    if (sum > maxTime)
    {
        syslib::reportError(L"syslib.timer.overflow", {syslib::toStringChecked(seconds)}, __LINE__);
        throw ESyTimer();
    }
    // Fractions are dropped towards the past.
    const time_t time = static_cast<time_t>(std::floor(sum));
    PSyTime result = syslib::newTime(time);
    SY_TRACE_RETURN(returnText(time));
    return result;
}

PSyTimeDiff CSyTimeImpl::diff(PSyTime sypSubtrahend) const
{
    static const wchar_t signature[] = L"CSyTimeImpl::diff(PSyTime sypSubtrahend)";
    SY_TRACE_FUNCTION(signature);
    if (!sypSubtrahend)
    {
        SY_TRACE_PARAMETERS(L"(ISyTime*) NULL");
        syslib::throwParameterEmpty(L"sypSubtrahend", signature, __LINE__);
    }
    const time_t subtrahend = sypSubtrahend->getTime();
    SY_TRACE_PARAMETERS(syslib::toStringChecked(subtrahend));
    // In double, not through difftime: the runtime's 32-bit difftime subtracts in time_t and wraps when the
    // times lie more than 2^31 seconds apart. Both values are exact in a double.
    const double seconds = static_cast<double>(m_time) - static_cast<double>(subtrahend);
    PSyTimeDiff result = syslib::newTimeDiff(seconds);
    SY_TRACE_RETURN(CSyTimeDiffImpl::returnText(seconds));
    return result;
}

iastring CSyTimeImpl::getCalendarTime(ISyTime::eTimeZone eTimeZone, const iastring& sFormat) const
{
    static const wchar_t signature[] = L"CSyTimeImpl::getCalendarTime(ISyTime::eTimeZone eTimeZone, iastring sFormat)";
    SY_TRACE_FUNCTION(signature);
    std::wostringstream zone;
    zone << eTimeZone;
    SY_TRACE_PARAMETERS(zone.str() + L", \"" + sFormat + L"\"");
    syslib::checkTimeFormat(sFormat, signature, __LINE__);

    const std::tm* fields = nullptr;
    switch (eTimeZone)
    {
    case ISyTime::GMT:
        fields = std::gmtime(&m_time);
        break;
    case ISyTime::LOCAL:
        fields = std::localtime(&m_time);
        break;
    default:
        syslib::reportError(L"common.parameterNotValid", {L"eTimeZone", zone.str(), signature}, __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    // The runtime refuses times before the epoch and far in the future.
    if (!fields)
        syslib::throwTimeCallFailed(eTimeZone == ISyTime::GMT ? L"gmtime()" : L"localtime()", __LINE__);

    const std::string format = toMbstring(sFormat);
    std::vector<char> buffer(sFormat.size() + formatReserve);
    errno = 0;
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), format.c_str(), fields);
    if (length == 0)
        syslib::throwTimeCallFailed(L"strftimeS()", __LINE__);
    const iastring text = toIastring(std::string(buffer.data(), length));
    SY_TRACE_RETURN(L"Return value: \"" + text + L"\"");
    return text;
}
