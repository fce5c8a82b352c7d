// Portable code only: what a mount answers by formatting what the system told it.
#include "syfsmountimpl.h"
#include "synodeimpl.h"
#include "sysizeimpl.h"

#include "syslib/common/syenumio.h"
#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcfsmnt")

namespace
{
const syslib::CSyEnumName fileSystemTypeNames[] = {
    {ISyFSMount::ANY, L"ANY"},
    {ISyFSMount::LOCAL, L"LOCAL"},
    {ISyFSMount::CDROM, L"CDROM"},
    {ISyFSMount::NETWORK, L"NETWORK"},
};
} // namespace

std::wostream& operator<<(std::wostream& os, ISyFSMount::eFileSystemType value)
{
    for (const syslib::CSyEnumName& entry : fileSystemTypeNames)
        if (entry.value == value)
            return os << entry.name;
    return os;
}

std::wostream& operator<<(std::wostream& os, ISyFSMount::eMountOptions value)
{
    const wchar_t* separator = L"";
    os << L"(";
    auto name = [&](const wchar_t* text) {
        os << separator << text;
        separator = L"|";
    };
    if ((value & ISyFSMount::FULL) == ISyFSMount::FULL)
        name(L"FULL");
    else
    {
        if (value & ISyFSMount::READ)
            name(L"READ");
        if (value & ISyFSMount::WRITE)
            name(L"WRITE");
        if (value & ISyFSMount::EXECUTE)
            name(L"EXECUTE");
    }
    if (value & ISyFSMount::NOSUID)
        name(L"NOSUID");
    if (value & ISyFSMount::PERMANENT)
        name(L"PERMANENT");
    return os << L")";
}

PSyNode CSyFSMountImplBase::getMountPoint() const
{
    SY_TRACE_FUNCTION(L"CSyFSMountImplBase::getMountPoint()");
    PSyNode node = syslib::filesystem::makeNode(CSyPath(getMountPointText()));
    SY_TRACE_RETURN(L"ISyNode* (" + getMountPointText() + L")");
    return node;
}

PSySize CSyFSMountImplBase::tracedSize(unsigned long long bytes) const
{
    PSySize size = syslib::newSize(static_cast<double>(bytes));
    SY_TRACE_RETURN(L"ISySize* (" + syslib::toString(bytes) + L")");
    return size;
}

PSySize CSyFSMountImplBase::getUsedSpace() const
{
    SY_TRACE_FUNCTION(L"CSyFSMountImplBase::getUsedSpace()");
    const CSpace space = getSpaceFromOS();
    // Quotas can make the available bytes exceed what is in use by others; never a negative size.
    return tracedSize(space.total > space.availableToCaller ? space.total - space.availableToCaller : 0);
}

PSySize CSyFSMountImplBase::getFreeSpace() const
{
    SY_TRACE_FUNCTION(L"CSyFSMountImplBase::getFreeSpace()");
    return tracedSize(getSpaceFromOS().totalFree);
}

PSySize CSyFSMountImplBase::getQuota() const
{
    SY_TRACE_FUNCTION(L"CSyFSMountImplBase::getQuota()");
    return tracedSize(getSpaceFromOS().availableToCaller);
}

bool CSyFSMountImplBase::isMounted() const
{
    SY_TRACE_FUNCTION(L"CSyFSMountImplBase::isMounted()");
    const bool mounted = isMountedImpl();
    SY_TRACE_RETURN(mounted ? L"true" : L"false");
    return mounted;
}
