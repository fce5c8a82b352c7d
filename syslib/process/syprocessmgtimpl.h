// The process manager: lives from its first request until the library is unloaded.
#pragma once

#include "syprocessmgt.h"

class CSyProcessMgtImpl : public CSyGenericImpl
{
public:
    PSyCurrentProcessEnvironment getCurrentProcessEnvironment();
    PSyProcessEnvironment createProcessEnvironment();
    PSyTaskIO createTaskIO();
    iastring getCommandLine(PSyStringIterator arguments);
};

class CSyProcessMgt : public CSyManagerHandle<ISyProcessMgt, CSyProcessMgtImpl>
{
public:
    PSyCurrentProcessEnvironment getCurrentProcessEnvironment() override
    {
        return SY_FORWARD(m_impl.getCurrentProcessEnvironment());
    }
    PSyProcessEnvironment createProcessEnvironment() override { return SY_FORWARD(m_impl.createProcessEnvironment()); }
    PSyTaskIO createTaskIO() override { return SY_FORWARD(m_impl.createTaskIO()); }
    iastring getCommandLine(PSyStringIterator arguments) override
    {
        return SY_FORWARD(m_impl.getCommandLine(arguments));
    }
};
