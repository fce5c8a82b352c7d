// A timer tells the current time.
#pragma once

#include "sytime.h"

class ISyTimer : public ISyGeneric
{
public:
    virtual PSyTime getTime() = 0;
};
typedef IaPtr<ISyTimer> PSyTimer;
