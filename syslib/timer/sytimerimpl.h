#pragma once

#include "sytimer.h"

class CSyTimerImpl : public CSyGenericImpl
{
public:
    PSyTime getTime();
};

class CSyTimer : public CSyHandle<ISyTimer, CSyTimerImpl>
{
public:
    PSyTime getTime() override { return SY_FORWARD(m_impl.getTime()); }
};
