// The process manager: lives from its first request until the library is unloaded.
#pragma once

#include "syprocessmgt.h"

class CSyProcessMgtImpl : public CSyGenericImpl
{
public:
    PSyCurrentProcessEnvironment getCurrentProcessEnvironment();
    PSyProcessEnvironment createProcessEnvironment();
};

class CSyProcessMgt : public CSyManagerHandle<ISyProcessMgt, CSyProcessMgtImpl>
{
public:
    PSyCurrentProcessEnvironment getCurrentProcessEnvironment() override
    {
        return SY_FORWARD(m_impl.getCurrentProcessEnvironment());
    }
    PSyProcessEnvironment createProcessEnvironment() override { return SY_FORWARD(m_impl.createProcessEnvironment()); }
};
