#pragma once

#include "sysize.h"

class CSySizeImpl : public CSyGenericImpl
{
public:
    double getBytes() const;
    double getKBytes() const;
    double getMBytes() const;
    void setBytes(double bytes);
    void setKBytes(double kBytes);
    void setMBytes(double mBytes);
    PSySize add(PSySize summand) const;
    PSySize diff(PSySize subtrahend) const;
    PSySize mul(double factor) const;
    PSySize div(double divisor) const;

private:
    // Stores floor(value * unit) after the range check; the names go into the rejection message.
    void setScaled(double value, double unit, const wchar_t* parameter, const wchar_t* operation, int line);

    double m_bytes = 0;
};

class CSySize : public CSyHandle<ISySize, CSySizeImpl>
{
public:
    double getBytes() const override { return SY_FORWARD(m_impl.getBytes()); }
    double getKBytes() const override { return SY_FORWARD(m_impl.getKBytes()); }
    double getMBytes() const override { return SY_FORWARD(m_impl.getMBytes()); }
    void setBytes(double bytes) override { return SY_FORWARD(m_impl.setBytes(bytes)); }
    void setKBytes(double kBytes) override { return SY_FORWARD(m_impl.setKBytes(kBytes)); }
    void setMBytes(double mBytes) override { return SY_FORWARD(m_impl.setMBytes(mBytes)); }
    PSySize add(PSySize summand) const override { return SY_FORWARD(m_impl.add(summand)); }
    PSySize diff(PSySize subtrahend) const override { return SY_FORWARD(m_impl.diff(subtrahend)); }
    PSySize mul(double factor) const override { return SY_FORWARD(m_impl.mul(factor)); }
    PSySize div(double divisor) const override { return SY_FORWARD(m_impl.div(divisor)); }
};

namespace syslib
{
// A new size of floor(bytes); a negative or non-finite value throws as setBytes does.
PSySize newSize(double bytes);
} // namespace syslib
