// A node: one object of the file system named by a path (a file, a directory or another kind).
#pragma once

#include "syfspath.h"
#include "sysize.h"
#include "framework/progressobserver.h"
#include "syslib/account/syacl.h"
#include "syslib/common/syexport.h"
#include "syslib/timer/sytime.h"

#include <ostream>

class ISyDirectory;
typedef IaPtr<ISyDirectory> PSyDirectory;

// The three times of a node, read from the file system at each call.
class ISyNodeTimeStamp : public ISyGeneric
{
public:
    virtual PSyTime getCreationTime() const = 0;
    virtual PSyTime getModificationTime() const = 0;
    virtual PSyTime getAccessTime() const = 0;
};
typedef IaPtr<ISyNodeTimeStamp> PSyNodeTimeStamp;

class ISyNode : public ISyGeneric
{
public:
    // The numbering is fixed; a probe of the file system answers 8 for "nothing there", never stored here.
    enum eNodeType
    {
        NODE = 0,
        DIRECTORY = 1,
        FILE = 2,
        LINK = 3,
        CHARACTER = 4,
        BLOCK = 5,
        FIFO = 6,
        SOCKET = 7
    };

    // A bit set: which targets a copy or move may replace, and how.
    enum CopyMoveMode_t
    {
        MISSING = 0x001,
        EXISTING = 0x002,
        IF_NEWER = 0x010,
        IF_HIGHER_VERSION = 0x020,
        USE_SETUP_API = 0x100,
        REPLACE_IN_USE = 0x200,
        CREATE_PARENTS = 0x400
    };

    enum eACLInheritMode
    {
        ACL_KEEP_CHILDREN = 0,
        ACL_PROPAGATE_TO_CHILDREN = 1
    };

    virtual eNodeType getNodeType() const = 0;
    // Base name of the last component (without version and extension).
    virtual iastring getName() const = 0;
    // The whole path in neutral form.
    virtual iastring getFullName() const = 0;
    // The last component.
    virtual iastring getFullNameNoPath() const = 0;
    // The parent directory's path.
    virtual iastring getPath() const = 0;
    virtual iastring getExtension() const = 0;
    // 0 when the name carries no version number.
    virtual int getVersion() const = 0;
    virtual PSySize getSize() const = 0;
    virtual PSyDirectory getParentDirectory() const = 0;
    virtual PSyACL getACL() const = 0;
    virtual PSyNodeTimeStamp getTimeStamp() const = 0;
    virtual void setACL(const PSyACL& acl, eACLInheritMode inheritMode, ISyErrorHandler* errorHandler,
                        ISyProgressObserver* observer) = 0;
    // Writes a descriptor in the platform's own form (on Windows a SECURITY_DESCRIPTOR): its owner when it
    // has one, and its DACL.
    virtual void setNativeACL(const void* nativeDescriptor) = 0;
    // Gives the node the access time and modification time of timeStamp; directories are left alone.
    virtual void setTimeStamp(const PSyNodeTimeStamp& timeStamp) = 0;
    // False when the mode decided against copying.
    virtual bool copy(const PSyFSPath& target, CopyMoveMode_t mode, ISyProgressObserver* observer) = 0;
    virtual bool copy(const iastring& target, CopyMoveMode_t mode) = 0;
    virtual bool move(const PSyFSPath& target, CopyMoveMode_t mode) = 0;
    virtual bool move(const iastring& target) = 0;
    // Copies the node to the next free numbered version (base.N.ext) and returns N.
    virtual int saveVersion(bool withACL) = 0;
    // Like saveVersion, but moves the node.
    virtual int moveToVersion() = 0;
    virtual int getHighestVersion() const = 0;
    // Brings the highest (or the given) version back to the node's name; the node itself is kept as path.N.bak.
    virtual void revertVersion() = 0;
    virtual void revertToVersion(int version) = 0;
    virtual void remove() = 0;
    virtual bool isExecable(const PSyAccount& account) const = 0;
    virtual bool fileSystemSupportsSecurity() const = 0;
    virtual PSyFSPath getFSPath() const = 0;
};
typedef IaPtr<ISyNode> PSyNode;

inline ISyNode::CopyMoveMode_t operator|(ISyNode::CopyMoveMode_t a, ISyNode::CopyMoveMode_t b)
{
    return static_cast<ISyNode::CopyMoveMode_t>(static_cast<int>(a) | static_cast<int>(b));
}

SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyNode::eNodeType value);
// The names of the set bits joined by "|".
SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyNode::CopyMoveMode_t value);
SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyNode::eACLInheritMode value);
