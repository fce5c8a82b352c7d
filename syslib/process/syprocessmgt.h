// The process manager's interface, as the factory hands it out.
#pragma once

#include "syargs.h"
#include "sysimpleprocess.h"
#include "sytasklist.h"

class ISyProcessMgt : public ISyGeneric
{
public:
    // The library process's own, live environment.
    virtual PSyCurrentProcessEnvironment getCurrentProcessEnvironment() = 0;
    // A new, empty description.
    virtual PSyProcessEnvironment createProcessEnvironment() = 0;
    // Type 0, no tasks: set a type before starting it.
    virtual PSyTaskList createTaskList() = 0;
    virtual PSyTaskHandler createTaskHandler() = 0;
    // Fresh tasks in TST_INITIAL; the identifier is the caller's own.
    virtual PSyChildApplication createChildApplication(int taskId) = 0;
    virtual PSyChildFunction createChildFunction(int taskId) = 0;
    // Unattached: the child application gives it its pipe when it starts.
    virtual PSyTaskIO createTaskIO() = 0;
    virtual PSySimpleProcessInterface createSimpleProcessInterface() = 0;
    // The strings joined with a blank, each quoted as a child's runtime needs to split it back.
    virtual iastring getCommandLine(PSyStringIterator arguments) = 0;
};
