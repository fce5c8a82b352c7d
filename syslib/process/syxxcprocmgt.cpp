// Portable code only: what the process manager hands out.
#include "syprocessmgtimpl.h"

#include "sytaskioimpl.h"
#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcprocmgt")

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
