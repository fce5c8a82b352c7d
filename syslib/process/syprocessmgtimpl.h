// The process manager: lives from its first request until the library is unloaded.
#pragma once

#include "syprocessmgt.h"

class CSyProcessMgtImpl : public CSyGenericImpl
{
public:
    PSyTaskIO createTaskIO();
    iastring getCommandLine(PSyStringIterator arguments);
};

class CSyProcessMgt : public CSyManagerHandle<ISyProcessMgt, CSyProcessMgtImpl>
{
public:
    PSyTaskIO createTaskIO() override { return SY_FORWARD(m_impl.createTaskIO()); }
    iastring getCommandLine(PSyStringIterator arguments) override
    {
        return SY_FORWARD(m_impl.getCommandLine(arguments));
    }
};
