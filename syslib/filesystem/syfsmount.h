// A mounted file system: the volume that holds a path, as a drive or as a directory of another volume.
#pragma once

#include "synode.h"
#include "sysize.h"
#include "framework/iaiter.h"
#include "syslib/common/syerrorhandler.h"
#include "syslib/common/syexport.h"
#include "syslib/common/sygeneric.h"

#include <ostream>

class ISyFSMount : public ISyGeneric
{
public:
    enum eFileSystemType
    {
        ANY = 0x10000,
        LOCAL = 0x20000,
        CDROM = 0x40000,
        NETWORK = 0x80000
    };
    // A bit set.
    enum eMountOptions
    {
        READ = 1,
        WRITE = 2,
        EXECUTE = 4,
        FULL = 7,
        NOSUID = 16,
        PERMANENT = 32
    };
    // Which mounts a walk offers: every drive, or only those mounted right now.
    enum eMountSelection
    {
        SELECT_MOUNTED = 0x100,
        SELECT_ALL = 0x300
    };

    virtual PSyNode getMountPoint() = 0;
    // The volume name, or for a network drive the remote name of its connection.
    virtual iastring getFSName() = 0;
    virtual eFileSystemType getFSType() = 0;
    // Total bytes less those available to the caller.
    virtual PSySize getUsedSpace() = 0;
    virtual PSySize getFreeSpace() = 0;
    // What the caller may still write.
    virtual PSySize getQuota() = 0;
    virtual eMountOptions getMountOptions() = 0;
    virtual bool isInUse() = 0;
    virtual bool isMounted() = 0;
};

typedef IaPtr<ISyFSMount> PSyFSMount;
typedef IIaPIterGeneric<PSyFSMount> ISyFSMountIterator;
typedef IaPtr<ISyFSMountIterator> PSyFSMountIterator;

// The name; a value outside the enumeration writes nothing.
SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyFSMount::eFileSystemType value);
// "(READ|WRITE|PERMANENT)", "(FULL)", "()" for none.
SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyFSMount::eMountOptions value);
