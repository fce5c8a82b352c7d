// The node implementation base, the handle template every node kind uses, node time stamps and the
// internal ways to obtain a node for a path.
#pragma once

#include "sydirectory.h"
#include "syfspathimpl.h"
#include "synode.h"
#include "synodeopening.h"
#include "sypath.h"
#include "syslib/common/syexcept.h"
#include "syslib/common/sytrace.h"

#include <sys/utime.h>

// What a tree copy knows about one child before it copies it, so that the copy asks nothing twice: the
// target was probed (its kind, or NOT_EXISTING with the probe's OS error), its parent is canonical and its
// own long form, and the walk has shown already that source and target are different nodes.
namespace syslib
{
namespace filesystem
{
// What the runtime library's _stat tells of a node, in seconds since the epoch.
struct CSyNodeStatus
{
    long long size;
    long long creation;
    long long modification;
    long long access;
};
// Read through the wide calls, so that any name at any length is answered. False with the OS error.
bool readNodeStatus(const iastring& osPath, CSyNodeStatus& status, unsigned long& error);
// The errno the runtime library sets for an OS error.
int errnoOf(unsigned long osError);
} // namespace filesystem
} // namespace syslib

struct CSyCopyFacts
{
    int targetType;
    unsigned long targetError;
};

// What a tree removal counts on its way down: the nodes left for deletion at the next restart (files in
// use, and the folders that hold them).
struct CSyTreeRemoval
{
    int pending = 0;
};

class CSyNodeImpl : public CSyGenericImpl
{
public:
    // The result of preparing a copy or move. m_realNodeType is what is at m_path now (8: nothing);
    // m_nodeTypeForCombiCheck is what the source meets there (an existing directory as target counts
    // as DIRECTORY even when the final path is inside it).
    struct CopyMoveDestinationInfo
    {
        CSyPath m_path;
        int m_realNodeType;
        int m_nodeTypeForCombiCheck;
    };

    CSyNodeImpl(const CSyPath& path, ISyNode::eNodeType type) : m_path(path), m_nodeType(type) {}
    virtual ~CSyNodeImpl() {}

    virtual ISyNode::eNodeType getNodeType() const;
    virtual iastring getName() const;
    virtual iastring getFullName() const;
    virtual iastring getFullNameNoPath() const;
    virtual iastring getPath() const;
    virtual iastring getExtension() const;
    virtual int getVersion() const;
    virtual PSySize getSize() const;
    virtual PSyDirectory getParentDirectory() const;
    virtual PSyACL getACL() const;
    virtual PSyNodeTimeStamp getTimeStamp() const;
    virtual void setACL(const PSyACL& acl, ISyNode::eACLInheritMode inheritMode, ISyErrorHandler* errorHandler,
                        ISyProgressObserver* observer);
    virtual void setNativeACL(const void* nativeDescriptor);
    virtual void setTimeStamp(const PSyNodeTimeStamp& timeStamp);
    virtual bool copy(const CSyPath& target, ISyNode::CopyMoveMode_t mode, ISyProgressObserver* observer);
    virtual bool move(const CSyPath& target, ISyNode::CopyMoveMode_t mode);
    virtual int saveVersion(bool withACL);
    virtual int moveToVersion();
    virtual int getHighestVersion() const;
    virtual void revertVersion();
    virtual void revertToVersion(int version);
    virtual void remove();
    virtual bool isExecable(const PSyAccount& account) const;
    virtual bool fileSystemSupportsSecurity() const;
    virtual PSyFSPath getFSPath() const;
    // decision: whether decideIfMoveCopyNode allows the move.
    virtual CopyMoveDestinationInfo prepareMove(const CSyPath& target, ISyNode::CopyMoveMode_t mode,
                                                bool& decision);
    virtual CopyMoveDestinationInfo prepareCopy(const CSyPath& target, ISyNode::CopyMoveMode_t mode,
                                                const CSyCopyFacts* facts = nullptr);
    // The opening every copy shares: refuse an empty target, prepare the canonical target, decide. keep
    // (may be null) receives the lookup's opening of an existing target file, for the copy to go on with.
    bool prepareAndDecideCopy(const CSyPath& target, ISyNode::CopyMoveMode_t mode,
                              CopyMoveDestinationInfo& destination, bool& existingTarget,
                              const CSyCopyFacts* facts = nullptr, syslib::filesystem::CSyNodeOpening* keep = nullptr);
    // existingTarget: whether a node is at the final target now.
    virtual bool decideIfMoveCopyNode(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode,
                                      bool& existingTarget);
    virtual void setNodeType(ISyNode::eNodeType type) { m_nodeType = type; }
    virtual void setFullName(const CSyPath& path)
    {
        m_path = path;
        m_pathWasCanonical = false;
    }

    const CSyPath& path() const { return m_path; }
    // The node was made for the canonical form of its path (see CSyPath::recheckCanonicalPath).
    void setPathWasCanonical() { m_pathWasCanonical = true; }

protected:
    // "syslib.filesystem.ACLsNotSupported" and ESyFileSystem when the volume keeps no access rights.
    void requireSecurity() const;
    // setTimeStamp for a file whose attributes the caller holds open already (opening may be null).
    void setTimeStampThrough(const PSyNodeTimeStamp& timeStamp, syslib::filesystem::CSyNodeOpening* opening);
    // getTimeStamp for a copy: the times are read from one status of the node, not one each.
    PSyNodeTimeStamp getTimeStampOnce() const;
    // The move once prepared and decided: renamed, or copied and removed where a rename cannot do it.
    virtual void moveDecided(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode);
    // Rejects kinds that cannot be removed: "syslib.filesystem.nodeTypeRemoveNotSupported", ESyPrecondition.
    void checkRemovable() const;
    // Logs "syslib.filesystem.functionNotSupported" with the signature, throws ESyPrecondition(code).
    [[noreturn]] static void throwNodeFunctionNotSupported(const iastring& signature, int line,
                                                           ESyPrecondition::eSpecificCode code);

    CSyPath m_path;
    ISyNode::eNodeType m_nodeType;
    bool m_pathWasCanonical = false;

private:
    CopyMoveDestinationInfo resolveDestination(const CSyPath& target, const CSyCopyFacts* facts) const;
    CopyMoveDestinationInfo prepare(const CSyPath& target, const wchar_t* operation, const wchar_t* typesKey,
                                    bool isMove, const CSyCopyFacts* facts);
    // Common part of saveVersion and moveToVersion.
    int toNextVersion(bool moveNode, const iastring& signature);
    void revertTo(int version);
    // Moves the node at backup back to this node's name after a failed revert; a failure is logged.
    void putBack(const CSyPath& backup);
};

// The handle of every node kind: forwards the ISyNode operations to an implementation derived from
// CSyNodeImpl. The kinds add their own operations on top.
template <class I, class Impl>
class CSyNodeHandle : public CSyHandle<I, Impl>
{
public:
    using CSyHandle<I, Impl>::CSyHandle;

    ISyNode::eNodeType getNodeType() const override { return SY_FORWARD(this->m_impl.getNodeType()); }
    iastring getName() const override { return SY_FORWARD(this->m_impl.getName()); }
    iastring getFullName() const override { return SY_FORWARD(this->m_impl.getFullName()); }
    iastring getFullNameNoPath() const override { return SY_FORWARD(this->m_impl.getFullNameNoPath()); }
    iastring getPath() const override { return SY_FORWARD(this->m_impl.getPath()); }
    iastring getExtension() const override { return SY_FORWARD(this->m_impl.getExtension()); }
    int getVersion() const override { return SY_FORWARD(this->m_impl.getVersion()); }
    PSySize getSize() const override { return SY_FORWARD(this->m_impl.getSize()); }
    PSyDirectory getParentDirectory() const override { return SY_FORWARD(this->m_impl.getParentDirectory()); }
    PSyACL getACL() const override { return SY_FORWARD(this->m_impl.getACL()); }
    PSyNodeTimeStamp getTimeStamp() const override { return SY_FORWARD(this->m_impl.getTimeStamp()); }
    void setACL(const PSyACL& acl, ISyNode::eACLInheritMode inheritMode, ISyErrorHandler* errorHandler,
                ISyProgressObserver* observer) override
    {
        return SY_FORWARD(this->m_impl.setACL(acl, inheritMode, errorHandler, observer));
    }
    void setNativeACL(const void* nativeDescriptor) override
    {
        return SY_FORWARD(this->m_impl.setNativeACL(nativeDescriptor));
    }
    void setTimeStamp(const PSyNodeTimeStamp& timeStamp) override
    {
        return SY_FORWARD(this->m_impl.setTimeStamp(timeStamp));
    }
    bool copy(const PSyFSPath& target, ISyNode::CopyMoveMode_t mode, ISyProgressObserver* observer) override
    {
        return SY_FORWARD(this->m_impl.copy(
            CSyFSPathImpl::pathOf(target, L"ISyNode::copy(const IaPtr<ISyFSPath>&)"), mode, observer));
    }
    bool copy(const iastring& target, ISyNode::CopyMoveMode_t mode) override
    {
        return SY_FORWARD(this->m_impl.copy(CSyPath(target), mode, nullptr));
    }
    bool move(const PSyFSPath& target, ISyNode::CopyMoveMode_t mode) override
    {
        return SY_FORWARD(
            this->m_impl.move(CSyFSPathImpl::pathOf(target, L"ISyNode::move(const IaPtr<ISyFSPath>&)"), mode));
    }
    bool move(const iastring& target) override
    {
        return SY_FORWARD(this->m_impl.move(CSyPath(target), ISyNode::MISSING | ISyNode::EXISTING));
    }
    int saveVersion(bool withACL) override { return SY_FORWARD(this->m_impl.saveVersion(withACL)); }
    int moveToVersion() override { return SY_FORWARD(this->m_impl.moveToVersion()); }
    int getHighestVersion() const override { return SY_FORWARD(this->m_impl.getHighestVersion()); }
    void revertVersion() override { return SY_FORWARD(this->m_impl.revertVersion()); }
    void revertToVersion(int version) override { return SY_FORWARD(this->m_impl.revertToVersion(version)); }
    void remove() override { return SY_FORWARD(this->m_impl.remove()); }
    bool isExecable(const PSyAccount& account) const override { return SY_FORWARD(this->m_impl.isExecable(account)); }
    bool fileSystemSupportsSecurity() const override { return SY_FORWARD(this->m_impl.fileSystemSupportsSecurity()); }
    PSyFSPath getFSPath() const override { return SY_FORWARD(this->m_impl.getFSPath()); }
};

// A node of a kind the library has no special object for.
class CSyNode : public CSyNodeHandle<ISyNode, CSyNodeImpl>
{
public:
    CSyNode(const CSyPath& path, ISyNode::eNodeType type) : CSyNodeHandle(path, type) {}
};

class CSyNodeTimeStampImpl : public CSyGenericImpl
{
public:
    // once: the first status read serves every later time (for a copy, which reads them all at once);
    // otherwise each time is read when asked for.
    CSyNodeTimeStampImpl(const CSyPath& path, ISyNode::eNodeType type, bool once)
        : m_fullName(path.toString()), m_osPath(path.toOSString()), m_nodeType(type), m_once(once)
    {
    }
    PSyTime getCreationTime() const;
    PSyTime getModificationTime() const;
    PSyTime getAccessTime() const;

private:
    const syslib::filesystem::CSyNodeStatus& status(int line) const;

    iastring m_fullName;
    iastring m_osPath;
    ISyNode::eNodeType m_nodeType;
    bool m_once;
    mutable bool m_known = false;
    mutable syslib::filesystem::CSyNodeStatus m_status = {};
};

class CSyNodeTimeStamp : public CSyHandle<ISyNodeTimeStamp, CSyNodeTimeStampImpl>
{
public:
    CSyNodeTimeStamp(const CSyPath& path, ISyNode::eNodeType type, bool once = false) : CSyHandle(path, type, once)
    {
    }
    PSyTime getCreationTime() const override { return SY_FORWARD(m_impl.getCreationTime()); }
    PSyTime getModificationTime() const override { return SY_FORWARD(m_impl.getModificationTime()); }
    PSyTime getAccessTime() const override { return SY_FORWARD(m_impl.getAccessTime()); }
};

namespace syslib
{
namespace filesystem
{
// The node object for path, whose kind the caller knows (no probe). canonical: path is the canonical form.
PSyNode newNode(const CSyPath& path, ISyNode::eNodeType type, bool canonical = false);
// The node object for an existing path: canonicalises, probes the kind and builds the matching object.
// Nothing there: "syslib.filesystem.nodeDoesNotExist", ESyFileNotFound.
PSyNode makeNode(const CSyPath& path);
// The same for a path already made canonical (or only absolute, canonical false) by the caller.
PSyNode nodeAt(const CSyPath& path, bool canonical = true);

// How long a removed file may stay visible before the removal says so and returns.
struct CSyRemovalWait
{
    int probes = 100;
    unsigned long intervalMilliseconds = 100;
};
CSyRemovalWait& removalWait();

// MoveFileExW(from, to, 0): a rename within a volume, no copy; the OS error (0: renamed), not reported.
unsigned long renameNode(const iastring& from, const iastring& to);
// Creates the missing ancestors of path, top down (not path itself); a failure is logged and thrown
// as ESyFileCreate.
void createMissingParentDirectories(const CSyPath& path);
// The names of the entries of directory that match pattern ('*', '?'), "." and ".." left out.
std::vector<iastring> listDirectory(const CSyPath& directory, const iastring& pattern);
// SetFileAttributesW(osPath, FILE_ATTRIBUTE_NORMAL); a failure is reported as a warning when report is
// set, else traced. Returns the OS error (0: done).
unsigned long setNormalAttributes(const iastring& osPath, bool report);
// What setNormalAttributes and _utime64 do to a file, through one opening of it (as _utime64 opens it).
// Returns the OS error (0: done).
unsigned long setNormalAttributesAndTimes(const iastring& osPath, const __utimbuf64& times);
using syslib::reportMessage;
} // namespace filesystem
} // namespace syslib
