// Shares: directories offered to the network as Windows file shares of the local machine.
#pragma once

#include "syfspath.h"
#include "syslib/account/syacl.h"
#include "syslib/common/syexport.h"

#include <ostream>

class ISyFSExport : public ISyGeneric
{
public:
    // A bit set.
    enum eExportOptions
    {
        READ = 0x01,
        WRITE = 0x02,
        EXECUTE = 0x04,
        FULL = 0x07,
        ROOT = 0x10
    };
    typedef eExportOptions eExportOption;

    virtual PSyFSPath getPath() = 0;
    virtual iastring getName() = 0;
    // The share's remark.
    virtual iastring getDescription() = 0;
    virtual eExportOptions getExportOptions() = 0;
    // Read, write and execute become Everyone's rights when the directory is shared without an access list.
    virtual void setExportOptions(eExportOptions options) = 0;
    // The share's rights; before sharing, those it will get.
    virtual PSyACL getACL() = 0;
    // Applied at once to a shared directory, else when it is shared.
    virtual void setACL(const PSyACL& acl) = 0;
    virtual void share() = 0;
    virtual void unshare() = 0;
    // Whether anybody is connected.
    virtual bool isInUse() = 0;
    virtual bool isShared() = 0;
};
typedef IaPtr<ISyFSExport> PSyFSExport;

// The disk shares of the local machine, administrative ones included.
class ISyFSExportIterator : public ISyGeneric
{
public:
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool isDone() = 0;
    // Past the end: "syslib.filesystem.noMoreShares", ESyFileSystem.
    virtual PSyFSExport get() = 0;
};
typedef IaPtr<ISyFSExportIterator> PSyFSExportIterator;

// "(READ|WRITE)", "(FULL|ROOT)".
SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyFSExport::eExportOptions value);
