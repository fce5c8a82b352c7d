// Portable code only: the process manager hands out the process's objects.
#include "syprocessenvimpl.h"
#include "syprocessmgtimpl.h"

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
