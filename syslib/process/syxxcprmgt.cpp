// Portable code only: the process manager hands out the process's objects.
#include "syprocessenvimpl.h"
#include "syprocessmgtimpl.h"
#include "sytaskioimpl.h"

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

PSyTaskIO CSyProcessMgtImpl::createTaskIO()
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::createTaskIO()");
    return PSyTaskIO(new CSyTaskIO());
}

// The result is not traced: a command line may carry a password.
iastring CSyProcessMgtImpl::getCommandLine(PSyStringIterator arguments)
{
    SY_TRACE_FUNCTION(L"CSyProcessMgtImpl::getCommandLine(PSyStringIterator)");
    CSyArguments list(syslib::getLogBook());
    list.set(arguments);
    return list.join(L' ');
}
