// Portable code only: the process manager hands out the process's objects.
#include "syprocessenvimpl.h"
#include "syprocessmgtimpl.h"
#include "sysimpleprocessimpl.h"
#include "sytaskimpl.h"
#include "sytaskioimpl.h"
#include "sytasklistimpl.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcprmgt")

PSyCurrentProcessEnvironment CSyProcessMgtImpl::getCurrentProcessEnvironment()
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::getCurrentProcessEnvironment()");
    return PSyCurrentProcessEnvironment(new CSyCurrentProcessEnvironment());
}

PSyProcessEnvironment CSyProcessMgtImpl::createProcessEnvironment()
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::createProcessEnvironment()");
    return PSyProcessEnvironment(new CSyProcessEnvironment());
}

PSyTaskList CSyProcessMgtImpl::createTaskList()
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::createTaskList()");
    return PSyTaskList(new CSyTaskList());
}

PSyTaskHandler CSyProcessMgtImpl::createTaskHandler()
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::createTaskHandler()");
    return PSyTaskHandler(new CSyTaskHandler());
}

PSyChildApplication CSyProcessMgtImpl::createChildApplication(int taskId)
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::createChildApplication(int)");
    return PSyChildApplication(new CSyChildApplication(taskId));
}

PSyChildFunction CSyProcessMgtImpl::createChildFunction(int taskId)
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::createChildFunction(int)");
    return PSyChildFunction(new CSyChildFunction(taskId));
}

PSyTaskIO CSyProcessMgtImpl::createTaskIO()
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::createTaskIO()");
    return PSyTaskIO(new CSyTaskIO());
}

PSySimpleProcessInterface CSyProcessMgtImpl::createSimpleProcessInterface()
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::createSimpleProcessInterface()");
    return PSySimpleProcessInterface(new CSySimpleProcessInterface());
}

// The result is not traced: a command line may carry a password.
iastring CSyProcessMgtImpl::getCommandLine(PSyStringIterator arguments)
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::getCommandLine(PSyStringIterator)");
    CSyArguments list(syslib::getLogBook());
    list.set(arguments);
    return list.join(L' ');
}
