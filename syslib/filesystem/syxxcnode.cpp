// Portable code only: names, sizes and times of nodes, the copy/move protocol and numbered versions.
#include "synodeimpl.h"
#include "sydirectoryimpl.h"
#include "synodeaside.h"
#include "syfileimpl.h"
#include "sysizeimpl.h"
#include "syspecialfileimpl.h"

#include "framework/iastrutil.h"
#include "syslib/common/syenumio.h"
#include "syslib/common/sytrace.h"
#include "syslib/timer/sytimeimpl.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/utime.h>

SY_SOURCE_FILE(L"syxxcnode")

namespace
{
const syslib::CSyEnumName nodeTypeNames[] = {
    {ISyNode::NODE, L"NODE"}, {ISyNode::DIRECTORY, L"DIRECTORY"}, {ISyNode::FILE, L"FILE"},
    {ISyNode::LINK, L"LINK"}, {ISyNode::CHARACTER, L"CHARACTER"}, {ISyNode::BLOCK, L"BLOCK"},
    {ISyNode::FIFO, L"FIFO"}, {ISyNode::SOCKET, L"SOCKET"}};

const syslib::CSyEnumName copyMoveModeNames[] = {
    {ISyNode::MISSING, L"MISSING"},
    {ISyNode::EXISTING, L"EXISTING"},
    {ISyNode::IF_NEWER, L"IF_NEWER"},
    {ISyNode::IF_HIGHER_VERSION, L"IF_HIGHER_VERSION"},
    {ISyNode::USE_SETUP_API, L"USE_SETUP_API"},
    {ISyNode::REPLACE_IN_USE, L"REPLACE_IN_USE"},
    {ISyNode::CREATE_PARENTS, L"CREATE_PARENTS"}};

const syslib::CSyEnumName inheritModeNames[] = {{ISyNode::ACL_KEEP_CHILDREN, L"ACL_KEEP_CHILDREN"},
                                                {ISyNode::ACL_PROPAGATE_TO_CHILDREN, L"ACL_PROPAGATE_TO_CHILDREN"}};

iastring typeName(int type)
{
    return syslib::toString(static_cast<ISyNode::eNodeType>(type));
}

iastring errnoText(int error)
{
    return toIastring(std::string(std::strerror(error)));
}

// The last component split into base name, version and extension.
struct CNameParts
{
    iastring base;
    int version = 0;
    iastring extension;
};

CNameParts nameParts(const CSyPath& path)
{
    CNameParts parts;
    CSyPath::splitFileName(path.hasFileComponent() ? path.back().getText() : iastring(), parts.base, parts.version,
                           parts.extension);
    return parts;
}

bool existsAt(int probe)
{
    return probe != CSyPath::NOT_EXISTING && probe != ISyNode::NODE;
}

const ISyNode::CopyMoveMode_t replaceAlways = ISyNode::MISSING | ISyNode::EXISTING;

// Undoes a node this operation made before it failed. The caller learns of the first failure; a failing
// removal is in the log.
void removeQuietly(const PSyNode& node)
{
    try
    {
        node->remove();
    }
    catch (const ESyException&)
    {
    }
}
} // namespace

std::wostream& operator<<(std::wostream& os, ISyNode::eNodeType value)
{
    return syslib::writeEnumName(os, value, nodeTypeNames);
}

std::wostream& operator<<(std::wostream& os, ISyNode::CopyMoveMode_t value)
{
    return syslib::writeFlagNames(os, value, copyMoveModeNames);
}

std::wostream& operator<<(std::wostream& os, ISyNode::eACLInheritMode value)
{
    return syslib::writeEnumName(os, value, inheritModeNames);
}

namespace syslib
{
namespace filesystem
{
namespace
{
template <class Handle, class... Args>
PSyNode made(bool canonical, Args&&... args)
{
    Handle* const node = new Handle(static_cast<Args&&>(args)...);
    if (canonical)
        node->impl().setPathWasCanonical();
    return PSyNode(node);
}
} // namespace

PSyNode newNode(const CSyPath& path, ISyNode::eNodeType type, bool canonical)
{
    switch (type)
    {
    case ISyNode::FILE:
        return made<CSyFile>(canonical, path);
    case ISyNode::DIRECTORY:
        return made<CSyDirectory>(canonical, path);
    case ISyNode::CHARACTER:
    case ISyNode::BLOCK:
    case ISyNode::FIFO:
    case ISyNode::SOCKET:
        return made<CSySpecialFile>(canonical, path, type);
    default:
        return made<CSyNode>(canonical, path, type);
    }
}

PSyNode makeNode(const CSyPath& path)
{
    SY_TRACE_FUNCTION(L"syslib::filesystem::makeNode(const CSyPath&)");
    if (path.isEmpty())
        syslib::throwParameterEmpty(L"path", L"makeNode()", __LINE__);
    return nodeAt(path.getCanonicalPathImpl());
}

PSyNode nodeAt(const CSyPath& path, bool canonical)
{
    const int type = path.getOSNodeType(true);
    if (!existsAt(type))
    {
        syslib::reportError(L"syslib.filesystem.nodeDoesNotExist", {path.toString()}, __LINE__);
        throw ESyFileNotFound(path.toString());
    }
    if (syslib::isTracing())
        syslib::logBook().trace(L"Returning ISyNode(" + typeName(type) + L", " + path.toString() + L")",
                                __LINE__);
    return newNode(path, static_cast<ISyNode::eNodeType>(type), canonical);
}

CSyRemovalWait& removalWait()
{
    static CSyRemovalWait wait;
    return wait;
}

} // namespace filesystem
} // namespace syslib

namespace
{
// The status _stat would give of a node; a failure is logged as "syslib.filesystem.nodeAccessFailed" and
// thrown with the runtime library's errno.
syslib::filesystem::CSyNodeStatus statNode(const iastring& osPath, const iastring& fullName, int line)
{
    syslib::filesystem::CSyNodeStatus status;
    unsigned long osError = 0;
    if (!syslib::filesystem::readNodeStatus(osPath, status, osError))
    {
        const int error = syslib::filesystem::errnoOf(osError);
        syslib::reportError(L"syslib.filesystem.nodeAccessFailed", {fullName, errnoText(error)}, line);
        throw ESyFileNotFound(fullName, ESyException::C_ERRNO, error);
    }
    return status;
}

PSyTime timeResult(long long seconds)
{
    const time_t time = static_cast<time_t>(seconds);
    if (syslib::isTracing())
        syslib::logBook().trace(CSyTimeImpl::returnText(time), __LINE__);
    return syslib::newTime(time);
}
} // namespace

const syslib::filesystem::CSyNodeStatus& CSyNodeTimeStampImpl::status(int line) const
{
    if (!m_known)
    {
        m_status = statNode(m_osPath, m_fullName, line);
        m_known = m_once;
    }
    return m_status;
}

PSyTime CSyNodeTimeStampImpl::getCreationTime() const
{
    SY_TRACE_FUNCTION(L"CSyNodeTimeStampImpl::getCreationTime()");
    return timeResult(status(__LINE__).creation);
}

PSyTime CSyNodeTimeStampImpl::getModificationTime() const
{
    SY_TRACE_FUNCTION(L"CSyNodeTimeStampImpl::getModificationTime()");
    return timeResult(status(__LINE__).modification);
}

PSyTime CSyNodeTimeStampImpl::getAccessTime() const
{
    SY_TRACE_FUNCTION(L"CSyNodeTimeStampImpl::getAccessTime()");
    return timeResult(status(__LINE__).access);
}

ISyNode::eNodeType CSyNodeImpl::getNodeType() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getNodeType()");
    if (syslib::isTracing())
        SY_TRACE_RETURN(typeName(m_nodeType));
    return m_nodeType;
}

iastring CSyNodeImpl::getName() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getName()");
    return SY_RETURN_TRACED(nameParts(m_path).base);
}

iastring CSyNodeImpl::getFullName() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getFullName()");
    return SY_RETURN_TRACED(m_path.toString());
}

iastring CSyNodeImpl::getFullNameNoPath() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getFullNameNoPath()");
    return SY_RETURN_TRACED(m_path.back().getText());
}

iastring CSyNodeImpl::getPath() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getPath()");
    return SY_RETURN_TRACED(m_path.hasFileComponent() ? m_path.head(m_path.size() - 1).toString() : m_path.toString());
}

iastring CSyNodeImpl::getExtension() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getExtension()");
    return SY_RETURN_TRACED(nameParts(m_path).extension);
}

int CSyNodeImpl::getVersion() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getVersion()");
    const int version = nameParts(m_path).version;
    SY_TRACE_RETURN(syslib::toString(version));
    return version;
}

PSySize CSyNodeImpl::getSize() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getSize()");
    const syslib::filesystem::CSyNodeStatus status = statNode(m_path.toOSString(), m_path.toString(), __LINE__);
    SY_TRACE_RETURN(syslib::toString(status.size));
    return syslib::newSize(static_cast<double>(status.size));
}

PSyDirectory CSyNodeImpl::getParentDirectory() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getParentDirectory()");
    const CSyPath canonical = m_path.getCanonicalPathImpl();
    // A root is its own parent.
    const CSyPath parent = canonical.hasFileComponent() ? canonical.head(canonical.size() - 1) : canonical;
    SY_TRACE_RETURN(parent.toString());
    return PSyDirectory(new CSyDirectory(parent));
}

PSyNodeTimeStamp CSyNodeImpl::getTimeStamp() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getTimeStamp()");
    return PSyNodeTimeStamp(new CSyNodeTimeStamp(m_path, m_nodeType));
}

PSyNodeTimeStamp CSyNodeImpl::getTimeStampOnce() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getTimeStamp()");
    return PSyNodeTimeStamp(new CSyNodeTimeStamp(m_path, m_nodeType, true));
}

void CSyNodeImpl::setTimeStamp(const PSyNodeTimeStamp& timeStamp)
{
    setTimeStampThrough(timeStamp, nullptr);
}

void CSyNodeImpl::setTimeStampThrough(const PSyNodeTimeStamp& timeStamp,
                                      syslib::filesystem::CSyNodeOpening* opening)
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::setTimeStamp(PSyNodeTimeStamp)");
    if (!timeStamp)
        syslib::throwParameterEmpty(L"sypTimeStamp", L"setTimeStamp()", __LINE__);
    struct __utimbuf64 times;
    times.actime = timeStamp->getAccessTime()->getTime();
    times.modtime = timeStamp->getModificationTime()->getTime();
    if (m_nodeType == ISyNode::DIRECTORY)
        return;
    if (opening != nullptr && opening->setNormalAttributesAndTimes(times))
        return;
    const iastring osPath = m_path.toOSString();
    unsigned long error = syslib::filesystem::setNormalAttributesAndTimes(osPath, times);
    if (error == 0)
        return;
    // A read-only file refuses the opening until its attributes are reset.
    syslib::filesystem::setNormalAttributes(osPath, false);
    error = syslib::filesystem::setNormalAttributesAndTimes(osPath, times);
    if (error != 0)
    {
        syslib::reportError(L"syslib.filesystem.errorSettingTimeStamp", {m_path.toString()}, __LINE__);
        throw ESyFileWrite(m_path.toString(), ESyException::C_ERRNO, syslib::filesystem::errnoOf(error));
    }
}

PSyFSPath CSyNodeImpl::getFSPath() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getFSPath()");
    return PSyFSPath(new CSyFSPath(m_path));
}

void CSyNodeImpl::throwNodeFunctionNotSupported(const iastring& signature, int line,
                                                ESyPrecondition::eSpecificCode code)
{
    syslib::reportError(L"syslib.filesystem.functionNotSupported", {signature}, line);
    throw ESyPrecondition(code);
}

bool CSyNodeImpl::copy(const CSyPath& target, ISyNode::CopyMoveMode_t mode, ISyProgressObserver*)
{
    const wchar_t* const signature = L"CSyNodeImpl::copy(const CSyPath&, ISyNode::CopyMoveMode_t, ISyProgressObserver*)";
    SY_TRACE_FUNCTION_TEXT(signature);
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(target.toString() + L", " + syslib::toString(mode));
    throwNodeFunctionNotSupported(signature, __LINE__, ESyPrecondition::FUNCTION_NOT_SUPPORTED);
}

void CSyNodeImpl::checkRemovable() const
{
    if (m_nodeType != ISyNode::FILE && m_nodeType != ISyNode::DIRECTORY)
    {
        syslib::reportError(L"syslib.filesystem.nodeTypeRemoveNotSupported", {typeName(m_nodeType), L"node"},
                            __LINE__);
        throw ESyPrecondition(ESyPrecondition::FUNCTION_NOT_SUPPORTED);
    }
}

// Kinds that can be removed override this; whatever reaches it cannot.
void CSyNodeImpl::remove()
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::remove()");
    syslib::reportError(L"syslib.filesystem.nodeTypeRemoveNotSupported", {typeName(m_nodeType), L"node"}, __LINE__);
    throw ESyPrecondition(ESyPrecondition::FUNCTION_NOT_SUPPORTED);
}

CSyNodeImpl::CopyMoveDestinationInfo CSyNodeImpl::resolveDestination(const CSyPath& target,
                                                                      const CSyCopyFacts* facts) const
{
    CopyMoveDestinationInfo info{target, facts != nullptr ? facts->targetType : target.getOSNodeType(true),
                                 ISyNode::NODE};
    if (info.m_realNodeType == ISyNode::DIRECTORY && m_nodeType != ISyNode::DIRECTORY && m_path.hasFileComponent())
    {
        // Into the directory, under the node's own name.
        info.m_path.push_back(m_path.back());
        info.m_realNodeType = info.m_path.getOSNodeType(true);
        info.m_nodeTypeForCombiCheck = ISyNode::DIRECTORY;
    }
    else
        info.m_nodeTypeForCombiCheck =
            info.m_realNodeType == CSyPath::NOT_EXISTING ? m_nodeType : info.m_realNodeType;
    return info;
}

CSyNodeImpl::CopyMoveDestinationInfo CSyNodeImpl::prepare(const CSyPath& target, const wchar_t* operation,
                                                          const wchar_t* typesKey, bool isMove,
                                                          const CSyCopyFacts* facts)
{
    if (target.isEmpty())
        syslib::throwParameterEmpty(L"destination", iastring(operation) + L"()", __LINE__);
    CopyMoveDestinationInfo info = resolveDestination(target, facts);
    // The target is canonical already; the node's own path may have been given in another spelling (a short
    // name, below level 642). Only a node that is there can be the source itself.
    if (info.m_realNodeType != CSyPath::NOT_EXISTING && facts == nullptr &&
        (m_pathWasCanonical ? m_path.recheckCanonicalPath() : m_path.getCanonicalPathImpl())
            .isSameCanonicalPath(info.m_path))
    {
        syslib::reportError(L"syslib.filesystem.srcNodeEqDest", {m_path.toString()}, __LINE__);
        throw ESyPrecondition();
    }
    static const int copyPairs[][2] = {{ISyNode::FILE, ISyNode::DIRECTORY},
                                       {ISyNode::FILE, ISyNode::FILE},
                                       {ISyNode::DIRECTORY, ISyNode::DIRECTORY}};
    static const int movePairs[][2] = {{ISyNode::FILE, ISyNode::DIRECTORY},
                                       {ISyNode::FILE, ISyNode::FILE},
                                       {ISyNode::DIRECTORY, ISyNode::DIRECTORY},
                                       {ISyNode::LINK, ISyNode::DIRECTORY},
                                       {ISyNode::LINK, ISyNode::LINK}};
    bool allowed = false;
    const int(*pairs)[2] = isMove ? movePairs : copyPairs;
    const std::size_t count = isMove ? sizeof(movePairs) / sizeof(movePairs[0]) : sizeof(copyPairs) / sizeof(copyPairs[0]);
    for (std::size_t i = 0; i < count && !allowed; ++i)
        allowed = pairs[i][0] == m_nodeType && pairs[i][1] == info.m_nodeTypeForCombiCheck;
    if (!allowed)
    {
        syslib::reportError(typesKey, {typeName(m_nodeType), typeName(info.m_nodeTypeForCombiCheck)}, __LINE__);
        throw ESyPrecondition();
    }
    return info;
}

CSyNodeImpl::CopyMoveDestinationInfo CSyNodeImpl::prepareCopy(const CSyPath& target, ISyNode::CopyMoveMode_t,
                                                              const CSyCopyFacts* facts)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyNodeImpl::prepareCopy(const CSyPath & " + target.toString() +
                                                     L", ISyNode::CopyMoveMode_t )"
                                               : iastring());
    return prepare(target, L"prepareCopy", L"syslib.filesystem.copyTypesNotValid", false, facts);
}

bool CSyNodeImpl::prepareAndDecideCopy(const CSyPath& target, ISyNode::CopyMoveMode_t mode,
                                       CopyMoveDestinationInfo& destination, bool& existingTarget,
                                       const CSyCopyFacts* facts, syslib::filesystem::CSyNodeOpening* keep)
{
    if (target.isEmpty())
        syslib::throwParameterEmpty(L"destination", L"prepareCopy()", __LINE__);
    // What the walk probed counts only where nothing was there or a node of a known kind; the
    // canonical form of an existing target is asked for (its spelling on disk may differ).
    if (facts != nullptr && facts->targetType == CSyPath::NOT_EXISTING)
    {
        const CSyPath canonical = target.getCanonicalPathImpl(CSyMissingChild{facts->targetError});
        destination = prepareCopy(canonical, mode, canonical == target ? facts : nullptr);
    }
    else
    {
        const CSyPath canonical = keep != nullptr ? target.getCanonicalPathImpl(*keep) : target.getCanonicalPathImpl();
        destination = prepareCopy(canonical, mode, facts != nullptr && facts->targetType != 0 && canonical == target
                                                       ? facts
                                                       : nullptr);
        // The lookup's opening serves only a file that is the final target itself.
        if (keep != nullptr && (destination.m_realNodeType != ISyNode::FILE || !(destination.m_path == canonical)))
            keep->close();
    }
    return decideIfMoveCopyNode(destination, mode, existingTarget);
}

CSyNodeImpl::CopyMoveDestinationInfo CSyNodeImpl::prepareMove(const CSyPath& target, ISyNode::CopyMoveMode_t mode,
                                                              bool& decision)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyNodeImpl::prepareMove(" + target.toString() +
                                                     L", ISyNode::CopyMoveMode_t " + syslib::toString(mode) +
                                                     L", bool&)"
                                               : iastring());
    CopyMoveDestinationInfo info =
        prepare(target, L"prepareMove", L"syslib.filesystem.moveTypesNotValid", true, nullptr);
    // Into a directory, a node meets what has its name there: a directory is no file to replace.
    if (m_nodeType != ISyNode::DIRECTORY && info.m_realNodeType == ISyNode::DIRECTORY)
    {
        syslib::reportError(L"syslib.filesystem.moveTargetKindConflict",
                            {m_path.toString(), info.m_path.toString(), typeName(m_nodeType),
                             typeName(info.m_realNodeType)},
                            __LINE__);
        throw ESyPrecondition();
    }
    bool existingTarget = false;
    decision = decideIfMoveCopyNode(info, mode, existingTarget);
    return info;
}

// The base knows no kind-specific rule: only a missing target with MISSING is taken.
bool CSyNodeImpl::decideIfMoveCopyNode(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode,
                                       bool& existingTarget)
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::decideIfMoveCopyNode(CopyMoveDestinationInfo&, ISyNode::CopyMoveMode_t, bool&)");
    existingTarget = existsAt(info.m_realNodeType);
    return existingTarget ? (mode & ISyNode::EXISTING) != 0 : (mode & ISyNode::MISSING) != 0;
}

bool CSyNodeImpl::move(const CSyPath& target, ISyNode::CopyMoveMode_t mode)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyNodeImpl::move(const CSyPath & " + target.toString() +
                                                     L", ISyNode::CopyMoveMode_t " + syslib::toString(mode) + L")"
                                               : iastring());
    if (target.isEmpty())
        syslib::throwParameterEmpty(L"destination", L"prepareMove()", __LINE__);
    bool decision = false;
    const CopyMoveDestinationInfo info = prepareMove(target.getCanonicalPathImpl(), mode, decision);
    if (!decision)
        return false;
    if (mode & ISyNode::CREATE_PARENTS)
        syslib::filesystem::createMissingParentDirectories(info.m_path);
    moveDecided(info, mode);
    return true;
}

// A file that is there already is kept aside until the node has taken its place, and comes back when the
// move fails; the node itself is left as it was by every failure but the last step's.
void CSyNodeImpl::moveDecided(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t)
{
    const iastring source = m_path.toOSString();
    const iastring destination = info.m_path.toOSString();
    syslib::filesystem::CSyAsideFile old(info.m_path);
    if (info.m_realNodeType == ISyNode::FILE)
    {
        if (const unsigned long error = old.moveAside())
            throw ESyFileWrite(info.m_path.toString(), ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    const unsigned long renameError = syslib::filesystem::renameNode(source, destination);
    if (renameError == 0)
    {
        if (!old.isAside())
            return;
        const unsigned long error = old.discard();
        if (error == 0)
            return;
        // The old file cannot go: both go back.
        if (syslib::filesystem::moveNode(destination, source) != 0)
            syslib::reportError(L"syslib.filesystem.restoreFailed", {source, destination}, __LINE__);
        throw ESyFileWrite(info.m_path.toString(), ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    SY_TRACE_OS_ERROR(static_cast<syslib::SyOSError>(renameError), L"rename", source + L", " + destination);
    // Another volume, or a node that cannot be renamed: copy and remove. A rename keeps the node's rights;
    // so does this, where both volumes keep rights at all.
    const PSyACL acl = fileSystemSupportsSecurity() ? getACL() : PSyACL();
    const PSyNode moved = syslib::filesystem::newNode(info.m_path, m_nodeType);
    try
    {
        copy(info.m_path, replaceAlways, nullptr);
        if (acl && moved->fileSystemSupportsSecurity())
            moved->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
        if (old.isAside())
        {
            if (const unsigned long error = old.discard())
                throw ESyFileWrite(info.m_path.toString(), ESyException::WIN32_ERROR, static_cast<int>(error));
        }
    }
    catch (...)
    {
        // What the copy made is this move's own.
        if (existsAt(info.m_path.getOSNodeType(false)))
            removeQuietly(moved);
        throw;
    }
    // A source that cannot be removed stays as it was, beside its complete copy.
    remove();
}

int CSyNodeImpl::getHighestVersion() const
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::getHighestVersion()");
    const CNameParts own = nameParts(m_path);
    const iastring& base = own.base;
    const iastring& extension = own.extension;
    const iastring pattern = base + L".*" + (extension.empty() ? iastring() : L"." + extension);
    int highest = 0;
    const CSyPath parent = m_path.hasFileComponent() ? m_path.head(m_path.size() - 1) : m_path;
    for (const iastring& name : syslib::filesystem::listDirectory(parent, pattern))
    {
        iastring entryBase, entryExtension;
        int version = 0;
        CSyPath::splitFileName(name, entryBase, version, entryExtension);
        // "a.*" also matches the versions of "a.txt": only the same base and extension count.
        if (version > highest && stringToUpper(entryBase) == stringToUpper(base) &&
            stringToUpper(entryExtension) == stringToUpper(extension))
            highest = version;
    }
    SY_TRACE_RETURN(syslib::toString(highest));
    return highest;
}

int CSyNodeImpl::toNextVersion(bool moveNode, const iastring& signature)
{
    if (getVersion() != 0)
    {
        syslib::reportError(L"syslib.filesystem.nodeHasVersionAlready", {m_path.toString()}, __LINE__);
        throw ESyPrecondition();
    }
    const int version = getHighestVersion() + 1;
    const CSyPath versioned =
        CSyFSPathImpl::pathOf(CSyFSPathImpl(m_path).getVersionedPath(version), signature.c_str());
    if (moveNode)
        move(versioned, replaceAlways);
    else
        copy(versioned, replaceAlways, nullptr);
    if (syslib::isTracing())
        syslib::logBook().trace(L"new version: " + syslib::toString(version), __LINE__);
    return version;
}

int CSyNodeImpl::saveVersion(bool withACL)
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::saveVersion()");
    SY_TRACE_PARAMETERS(withACL ? L"true" : L"false");
    // Read before anything is made: a failure must not leave a copy behind.
    const PSyACL acl = withACL ? getACL() : PSyACL();
    const int version = toNextVersion(false, L"CSyNodeImpl::saveVersion()");
    if (acl)
    {
        const PSyNode copy = syslib::filesystem::newNode(
            CSyFSPathImpl::pathOf(CSyFSPathImpl(m_path).getVersionedPath(version), L"CSyNodeImpl::saveVersion()"),
            m_nodeType);
        try
        {
            copy->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
        }
        catch (...)
        {
            removeQuietly(copy);
            throw;
        }
    }
    SY_TRACE_RETURN(syslib::toString(version));
    return version;
}

int CSyNodeImpl::moveToVersion()
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::moveToVersion()");
    const int version = toNextVersion(true, L"CSyNodeImpl::moveToVersion()");
    SY_TRACE_RETURN(syslib::toString(version));
    return version;
}

void CSyNodeImpl::revertTo(int version)
{
    const CSyPath versioned =
        CSyFSPathImpl::pathOf(CSyFSPathImpl(m_path).getVersionedPath(version), L"CSyNodeImpl::revertToVersion(int)");
    if (versioned.getOSNodeType(true) == CSyPath::NOT_EXISTING)
    {
        syslib::reportError(L"syslib.filesystem.nodeDoesNotExist", {versioned.toString()}, __LINE__);
        throw ESyFileNotFound(versioned.toString());
    }
    // The current node is kept under the first free backup name.
    CSyPath backup;
    if (existsAt(m_path.getOSNodeType(true)))
    {
        for (int i = 1;; ++i)
        {
            backup = m_path.head(m_path.size() - 1);
            backup.appendComponent(m_path.back().getText() + L"." + syslib::toString(i) + L".bak");
            if (backup.getOSNodeType(false) == CSyPath::NOT_EXISTING)
                break;
        }
        move(backup, replaceAlways);
    }
    try
    {
        syslib::filesystem::newNode(versioned, m_nodeType)->move(PSyFSPath(new CSyFSPath(m_path)), replaceAlways);
    }
    catch (const ESyException&)
    {
        // The version stays a version; the current node comes back. What the move left in its place is a
        // copy of the version, which is still there.
        if (!backup.isEmpty())
        {
            if (existsAt(versioned.getOSNodeType(false)) && existsAt(m_path.getOSNodeType(false)))
                removeQuietly(syslib::filesystem::newNode(m_path, m_nodeType));
            putBack(backup);
        }
        throw;
    }
}

void CSyNodeImpl::putBack(const CSyPath& backup)
{
    try
    {
        if (syslib::filesystem::newNode(backup, m_nodeType)->move(PSyFSPath(new CSyFSPath(m_path)), ISyNode::MISSING))
            return;
    }
    catch (const ESyException&)
    {
    }
    syslib::reportError(L"syslib.filesystem.restoreFailed", {m_path.toOSString(), backup.toOSString()}, __LINE__);
}

void CSyNodeImpl::revertVersion()
{
    SY_TRACE_FUNCTION(L"CSyNodeImpl::revertVersion()");
    const int ownVersion = getVersion();
    if (ownVersion != 0)
    {
        syslib::reportError(L"syslib.filesystem.nodeIsVersionAlready",
                            {m_path.toString(), syslib::toString(ownVersion)}, __LINE__);
        throw ESyPrecondition();
    }
    const int highest = getHighestVersion();
    if (highest == 0)
    {
        syslib::reportError(L"syslib.filesystem.nodeHasNoVersion2", {m_path.toString()}, __LINE__);
        throw ESyFileNotFound(m_path.toString());
    }
    revertTo(highest);
}

void CSyNodeImpl::revertToVersion(int version)
{
    const wchar_t* const signature = L"CSyNodeImpl::revertToVersion(int)";
    SY_TRACE_FUNCTION_TEXT(signature);
    SY_TRACE_PARAMETERS(syslib::toString(version));
    const int ownVersion = getVersion();
    if (ownVersion != 0)
    {
        syslib::reportError(L"syslib.filesystem.nodeIsVersionAlready",
                            {m_path.toString(), syslib::toString(ownVersion)}, __LINE__);
        throw ESyPrecondition();
    }
    if (version <= 0)
        syslib::throwParameterNotValid(L"version", signature, __LINE__);
    revertTo(version);
}
