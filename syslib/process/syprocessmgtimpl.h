// The process manager: lives from its first request until the library is unloaded.
#pragma once

#include "syprocessmgt.h"

class CSyProcessMgtImpl : public CSyGenericImpl
{
};

class CSyProcessMgt : public CSyManagerHandle<ISyProcessMgt, CSyProcessMgtImpl>
{
};
