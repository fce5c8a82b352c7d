// Portable code only: the file-system manager.
#include "syfilesystemmgtimpl.h"
#include "sysizeimpl.h"
#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcfsmgt")

PSySize CSyFileSystemMgtImpl::getSize(double bytes)
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getSize(double)");
    SY_TRACE_PARAMETERS(syslib::toStringChecked(bytes));
    PSySize result = syslib::newSize(bytes);
    SY_TRACE_RETURN(L"Return value: ISySize* (" + syslib::toStringChecked(result->getBytes()) + L")");
    return result;
}
