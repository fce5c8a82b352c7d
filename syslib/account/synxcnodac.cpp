// The access-control list as Windows would store it.
#include "syaclimpl.h"
#include "sysecuritydescwin.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"synxcnodac")

iastring CSyACLImpl::dumpNative() const
{
    SY_TRACE_FUNCTION(L"iastring CSyACLImpl::dumpNative()");
    return SY_RETURN_TRACED(SySecurityImpl::CSyNativeSecurityConverter::dumpNative(m_descriptor, m_objectType));
}
