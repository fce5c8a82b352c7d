// The process manager's interface, as the factory hands it out.
#pragma once

#include "syargs.h"
#include "sytaskio.h"

class ISyProcessMgt : public ISyGeneric
{
public:
    // Unattached: the child application gives it its pipe when it starts.
    virtual PSyTaskIO createTaskIO() = 0;
    // The strings joined with a blank, each quoted as a child's runtime needs to split it back.
    virtual iastring getCommandLine(PSyStringIterator arguments) = 0;
};
