// Portable code only: sizes in bytes and their conversions.
#include "sysizeimpl.h"
#include "syslib/common/sytrace.h"

#include <cfloat>
#include <cmath>

SY_SOURCE_FILE(L"syxxcsize")

namespace
{
const double kiloByte = 1024.0;
const double megaByte = 1048576.0;

PSySize tracedResult(double bytes)
{
    PSySize result = syslib::newSize(bytes);
    SY_TRACE_RETURN(L"Return value: ISySize* (" + syslib::toStringChecked(result->getBytes()) + L")");
    return result;
}
} // namespace

namespace syslib
{
PSySize newSize(double bytes)
{
    PSySize result(new CSySize());
    result->setBytes(bytes);
    return result;
}
} // namespace syslib

double CSySizeImpl::getBytes() const
{
    return m_bytes;
}

double CSySizeImpl::getKBytes() const
{
    return m_bytes / kiloByte;
}

double CSySizeImpl::getMBytes() const
{
    return m_bytes / kiloByte / kiloByte;
}

void CSySizeImpl::setScaled(double value, double unit, const wchar_t* parameter, const wchar_t* operation,
                            int line)
{
    SY_TRACE_PARAMETERS(syslib::toStringChecked(value));
    // Written so that NaN fails as well; the limit keeps value * unit finite.
    if (!(value >= 0.0 && value <= DBL_MAX / unit))
    {
        syslib::reportError(L"common.parameterNotValid", {parameter, syslib::toStringChecked(value), operation},
                            line);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    m_bytes = std::floor(value * unit);
    SY_TRACE_RETURN(L"Return value: ISySize* (" + syslib::toStringChecked(m_bytes) + L")");
}

void CSySizeImpl::setBytes(double bytes)
{
    SY_TRACE_FUNCTION(L"CSySizeImpl::setBytes(double)");
    setScaled(bytes, 1.0, L"bytes", L"setBytes()", __LINE__);
}

void CSySizeImpl::setKBytes(double kBytes)
{
    SY_TRACE_FUNCTION(L"CSySizeImpl::setKBytes(double)");
    setScaled(kBytes, kiloByte, L"kBytes", L"setKBytes()", __LINE__);
}

void CSySizeImpl::setMBytes(double mBytes)
{
    SY_TRACE_FUNCTION(L"CSySizeImpl::setMBytes(double)");
    setScaled(mBytes, megaByte, L"MBytes", L"setMBytes()", __LINE__);
}

PSySize CSySizeImpl::add(PSySize summand) const
{
    SY_TRACE_FUNCTION(L"CSySizeImpl::add(PSySize)");
    if (!summand)
        syslib::throwParameterEmpty(L"pSummand", L"add()", __LINE__);
    const double bytes = summand->getBytes();
    SY_TRACE_PARAMETERS(syslib::toStringChecked(bytes));
    return tracedResult(m_bytes + bytes);
}

PSySize CSySizeImpl::diff(PSySize subtrahend) const
{
    SY_TRACE_FUNCTION(L"CSySizeImpl::diff(PSySize)");
    // The parameter name is spelt as the engine's message texts expect it.
    if (!subtrahend)
        syslib::throwParameterEmpty(L"pSutrahend", L"diff()", __LINE__);
    const double bytes = subtrahend->getBytes();
    SY_TRACE_PARAMETERS(syslib::toStringChecked(bytes));
    return tracedResult(m_bytes - bytes);
}

PSySize CSySizeImpl::mul(double factor) const
{
    SY_TRACE_FUNCTION(L"CSySizeImpl::mul(double)");
    SY_TRACE_PARAMETERS(syslib::toStringChecked(factor));
    return tracedResult(std::floor(m_bytes * factor));
}

PSySize CSySizeImpl::div(double divisor) const
{
    SY_TRACE_FUNCTION(L"CSySizeImpl::div(double)");
    SY_TRACE_PARAMETERS(syslib::toStringChecked(divisor));
    if (divisor == 0.0)
        syslib::throwParameterNotValid(L"dividend", L"div()", __LINE__);
    return tracedResult(std::floor(m_bytes / divisor));
}
