// The process manager's interface, as the factory hands it out.
#pragma once

#include "syprocessenv.h"
#include "syslib/common/sygeneric.h"

class ISyProcessMgt : public ISyGeneric
{
public:
    // The library process's own, live environment.
    virtual PSyCurrentProcessEnvironment getCurrentProcessEnvironment() = 0;
    // A new, empty description.
    virtual PSyProcessEnvironment createProcessEnvironment() = 0;
};
