// Portable code only: the file-system manager.
#include "syfilesystemmgtimpl.h"
#include "sydirectoryimpl.h"
#include "syfileimpl.h"
#include "syfsmountimpl.h"
#include "syfspathimpl.h"
#include "synodeimpl.h"
#include "sysizeimpl.h"
#include "sytreecopy.h"

#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcfsmgt")

PSyFSPath CSyFileSystemMgtImpl::getFSPath(const iastring& text) const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getFSPath(const iastring&)");
    return PSyFSPath(new CSyFSPath(CSyPath(text)));
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

void CSyFileSystemMgtImpl::setTreeCopyWorkers(int workers)
{
    const wchar_t* const signature = L"CSyFileSystemMgtImpl::setTreeCopyWorkers(int)";
    SY_TRACE_FUNCTION_TEXT(signature);
    SY_TRACE_PARAMETERS(syslib::toString(workers));
    if (workers < 0)
        syslib::throwParameterNotValid(L"workers", signature, __LINE__);
    syslib::filesystem::treeCopyWorkersSetting() = workers;
}

int CSyFileSystemMgtImpl::getTreeCopyWorkers() const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getTreeCopyWorkers()");
    const int workers = syslib::filesystem::treeCopyWorkers(0);
    SY_TRACE_RETURN(syslib::toString(workers));
    return workers;
}

PSySize CSyFileSystemMgtImpl::getSize(double bytes)
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getSize(double)");
    SY_TRACE_PARAMETERS(syslib::toStringChecked(bytes));
    PSySize result = syslib::newSize(bytes);
    SY_TRACE_RETURN(L"Return value: ISySize* (" + syslib::toStringChecked(result->getBytes()) + L")");
    return result;
}

namespace
{
bool existsAt(int probe)
{
    return probe != CSyPath::NOT_EXISTING && probe != ISyNode::NODE;
}

// The node at path, which must be of the kind T stands for.
template <class T>
IaPtr<T> nodeOfKind(const CSyFileSystemMgtImpl& manager, const CSyPath& path, const wchar_t* signature)
{
    const PSyNode node = manager.getNode(path);
    T* const wanted = dynamic_cast<T*>(node.get());
    if (wanted == nullptr)
        syslib::throwParameterNotValid(L"path", signature, __LINE__);
    return IaPtr<T>(wanted);
}
} // namespace

PSyNode CSyFileSystemMgtImpl::getNode(const CSyPath& path) const
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyFileSystemMgtImpl::getNode(const CSyPath &" + path.toString() + L") const"
                               : iastring());
    if (path.isEmpty())
        syslib::throwParameterEmpty(L"path", L"getNode()", __LINE__);
    if (CSyslibFactory::getPrivilegedInstance()->getCompatibility() < CSyslibFactory::CURRENT_BEHAVIOUR_LEVEL)
    {
        CSyPath absolute = path.getAbsolutePath();
        absolute.normalize();
        return syslib::filesystem::nodeAt(absolute, false);
    }
    return syslib::filesystem::nodeAt(path.getCanonicalPathImpl());
}

PSyDirectory CSyFileSystemMgtImpl::getDirectory(const CSyPath& path) const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getDirectory(const CSyPath &) const");
    return nodeOfKind<ISyDirectory>(*this, path, L"CSyFileSystemMgtImpl::getDirectory(const CSyPath &) const");
}

PSyFile CSyFileSystemMgtImpl::getFile(const CSyPath& path) const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getFile(const CSyPath &) const");
    return nodeOfKind<ISyFile>(*this, path, L"CSyFileSystemMgtImpl::getFile(const CSyPath &) const");
}

PSyNode CSyFileSystemMgtImpl::getLink(const CSyPath&) const
{
    const wchar_t* const signature = L"CSyFileSystemMgtImpl::getLink(const CSyPath & path) const";
    SY_TRACE_FUNCTION_TEXT(signature);
    syslib::throwFunctionNotSupported(signature, __LINE__);
}

PSyNode CSyFileSystemMgtImpl::createLink(const CSyPath&, const PSyNode&) const
{
    const wchar_t* const signature =
        L"CSyFileSystemMgtImpl::createLink(const CSyPath & rawPath, const PSyNode & sypTarget) const";
    SY_TRACE_FUNCTION_TEXT(signature);
    syslib::throwFunctionNotSupported(signature, __LINE__);
}

CSyPath CSyFileSystemMgtImpl::pathToCreate(const CSyPath& rawPath, const wchar_t* signature) const
{
    if (rawPath.isEmpty())
        syslib::throwParameterEmpty(L"rawPath", signature, __LINE__);
    const CSyPath path = rawPath.getCanonicalPathImpl();
    if (existsAt(path.getOSNodeType(true)))
    {
        syslib::reportError(L"syslib.filesystem.nodeAlreadyExists", {path.toString()}, __LINE__);
        throw ESyFileCreate(path.toString());
    }
    return path;
}

PSyDirectory CSyFileSystemMgtImpl::createDirectory(const CSyPath& rawPath) const
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyFileSystemMgtImpl::createDirectory(" + rawPath.toString() + L")"
                               : iastring());
    const CSyPath path = pathToCreate(rawPath, L"CSyFileSystemMgtImpl::createDirectory");
    syslib::filesystem::createMissingParentDirectories(path);
    path.createDirectory();
    return PSyDirectory(new CSyDirectory(path));
}

PSyFile CSyFileSystemMgtImpl::createFile(const CSyPath& rawPath) const
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyFileSystemMgtImpl::createFile(" + rawPath.toString() + L")"
                                               : iastring());
    const CSyPath path = pathToCreate(rawPath, L"CSyFileSystemMgtImpl::createFile");
    path.createFile();
    return PSyFile(new CSyFile(path));
}

bool CSyFileSystemMgtImpl::isExisting(const CSyPath& path, ISyNode::eNodeType type) const
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyFileSystemMgtImpl::isExisting(const CSyPath & " +
                                                     path.toString() + L", ISyNode::eNodeType " +
                                                     syslib::toString(type) + L") const"
                                               : iastring());
    if (type == ISyNode::LINK)
        syslib::throwFunctionNotSupported(L"ISyFileSystemMgt::isExisting(const CSyPath & path, ISyNode::LINK) const",
                                          __LINE__);
    bool existing = false;
    if (!path.isEmpty())
    {
        const int probe = path.getCanonicalPathImpl().getOSNodeType(true);
        existing = type == ISyNode::NODE ? existsAt(probe) : (probe >= 1 && probe <= 7 ? probe : 0) == type;
    }
    syslib::logBook().trace(existing ? L"true." : L"false.", __LINE__);
    return existing;
}

PSyFSMount CSyFileSystemMgtImpl::getFSMount(const CSyPath& path) const
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyFileSystemMgtImpl::getFSMount(const CSyPath & " +
                                                     path.toString() + L") const"
                                               : iastring());
    if (path.isEmpty())
        syslib::throwParameterEmpty(L"path", L"getFSMount()", __LINE__);
    return PSyFSMount(new CSyFSMount(path));
}

PSyFSMountIterator CSyFileSystemMgtImpl::getFSMounts(bool onlyKnownTypes, int selection,
                                                     ISyErrorHandler* errorHandler) const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getFSMounts(bool, int, ISyErrorHandler*) const");
    SY_TRACE_PARAMETERS(iastring(onlyKnownTypes ? L"true" : L"false") + L", " + syslib::toString(selection));
    return PSyFSMountIterator(new CSyFSMountIterator(onlyKnownTypes, selection, errorHandler));
}
