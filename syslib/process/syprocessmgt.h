// The process manager's interface, as the factory hands it out.
#pragma once

#include "syprocessenv.h"
#include "syargs.h"
#include "sytaskio.h"

class ISyProcessMgt : public ISyGeneric
{
public:
    // The library process's own, live environment.
    virtual PSyCurrentProcessEnvironment getCurrentProcessEnvironment() = 0;
    // A new, empty description.
    virtual PSyProcessEnvironment createProcessEnvironment() = 0;
    // Unattached: the child application gives it its pipe when it starts.
    virtual PSyTaskIO createTaskIO() = 0;
    // The strings joined with a blank, each quoted as a child's runtime needs to split it back.
    virtual iastring getCommandLine(PSyStringIterator arguments) = 0;
};
