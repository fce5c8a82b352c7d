// Portable code only: the system manager hands out system information objects.
#include "sysystemmgtimpl.h"
#include "sysysteminfoimpl.h"

#include "syslib/common/syenumio.h"
#include "syslib/filesystem/syfspathimpl.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcsysmgt")

PSySystemInfo CSySystemMgtImpl::getSystemInfo()
{
    SY_TRACE_FUNCTION(L"CSySystemMgtImpl::getSystemInfo()");
    PSySystemInfo info(new CSySystemInfo());
    SY_TRACE_RETURN(L"ISySystemInfo *");
    return info;
}

PSyPrivilegedSystemInfo CSySystemMgtImpl::getPrivilegedSystemInfo()
{
    SY_TRACE_FUNCTION(L"CSySystemMgtImpl::getPrivilegedSystemInfo()");
    PSyPrivilegedSystemInfo info(new CSySystemInfo());
    SY_TRACE_RETURN(L"ISyPrivilegedSystemInfo *");
    return info;
}

namespace
{
const syslib::CSyEnumName osDirNames[] = {
    {ISySystemMgt::WINDOWS, L"WINDOWS"},
    {ISySystemMgt::SYSTEM, L"SYSTEM"},
};
} // namespace

std::wostream& operator<<(std::wostream& os, ISySystemMgt::osDir value)
{
    return syslib::writeEnumName(os, value, osDirNames);
}

PSyFSPath CSySystemMgt::getSpecialPath(osDir osDir)
{
    return SY_FORWARD(PSyFSPath(new CSyFSPath(m_impl.getSpecialPath(osDir))));
}
