// The timer manager's interface, as the factory hands it out.
#pragma once

#include "sytimer.h"

class ISyTimerMgt : public ISyGeneric
{
public:
    virtual IaPtr<ISyTimer> getTimer() = 0;
    virtual PSyTime getTime(time_t time) = 0;
    // Throws ESyPrecondition for a magnitude above 2147483647 seconds.
    virtual PSyTimeDiff getTimeDiff(double seconds) = 0;
};
