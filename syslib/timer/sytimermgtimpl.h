// The timer manager: lives from its first request until the library is unloaded.
#pragma once

#include "sytimermgt.h"

class CSyTimerMgtImpl : public CSyGenericImpl
{
};

class CSyTimerMgt : public CSyManagerHandle<ISyTimerMgt, CSyTimerMgtImpl>
{
};
