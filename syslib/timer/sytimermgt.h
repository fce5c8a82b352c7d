// The timer manager's interface, as the factory hands it out.
#pragma once

#include "syslib/common/sygeneric.h"

class ISyTimerMgt : public ISyGeneric
{
};
