// Portable code only: the file-system manager.
#include "syfilesystemmgtimpl.h"
#include "syfspathimpl.h"
#include "synodeimpl.h"
#include "sysizeimpl.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcfsmgt")

PSyFSPath CSyFileSystemMgtImpl::getFSPath(const iastring& text) const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getFSPath(const iastring&)");
    return PSyFSPath(new CSyFSPath(CSyPath(text)));
}

PSyNode CSyFileSystemMgtImpl::getNode(const PSyFSPath& path) const
{
    const CSyPath nodePath = CSyFSPathImpl::pathOf(path, L"CSyFileSystemMgtImpl::getNode(const CSyPath & path) const");
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyFileSystemMgtImpl::getNode(const CSyPath &" + nodePath.toString() + L") const"
                               : iastring());
    return syslib::filesystem::makeNode(nodePath);
}

bool CSyFileSystemMgtImpl::isValidPath(const iastring& text) const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::isValidPath(iastring)");
    SY_TRACE_PARAMETERS(text);
    CSyPath path;
    const bool valid = !text.empty() && CSyPath::canCreatePath(text, &path) && path.canResolveHomeIndicator();
    syslib::logBook().trace(L"Return value: " + iastring(valid ? L"true" : L"false"), __LINE__);
    return valid;
}

iastring CSyFileSystemMgtImpl::convertToOSPath(const iastring& pathName) const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::convertToOSPath(iastring const& pathName) const");
    SY_TRACE_PARAMETERS(pathName);
    return SY_RETURN_TRACED(CSyPath(pathName).getCanonicalPathImpl().toOSString());
}

PSySize CSyFileSystemMgtImpl::getSize(double bytes)
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getSize(double)");
    SY_TRACE_PARAMETERS(syslib::toStringChecked(bytes));
    PSySize result = syslib::newSize(bytes);
    SY_TRACE_RETURN(L"Return value: ISySize* (" + syslib::toStringChecked(result->getBytes()) + L")");
    return result;
}
