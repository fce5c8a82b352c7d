// Mounts and the walk over all mounts of the machine.
#pragma once

#include "syfsmount.h"
#include "sypath.h"

#include <utility>
#include <vector>

// What a mount knows without asking the system: the path it was asked for, and how results are written.
class CSyFSMountImplBase : public CSyGenericImpl
{
public:
    explicit CSyFSMountImplBase(const CSyPath& path) : m_path(path) {}

    PSyNode getMountPoint() const;
    PSySize getUsedSpace() const;
    PSySize getFreeSpace() const;
    PSySize getQuota() const;
    bool isMounted() const;

    const CSyPath& getPath() const { return m_path; }
    // The volume root as the system writes it, with its trailing backslash.
    virtual const iastring& getMountPointText() const = 0;

protected:
    struct CSpace
    {
        unsigned long long total = 0;
        unsigned long long totalFree = 0;
        unsigned long long availableToCaller = 0;
    };
    virtual CSpace getSpaceFromOS() const = 0;
    virtual bool isMountedImpl() const = 0;

private:
    PSySize tracedSize(unsigned long long bytes) const;

    CSyPath m_path;
};

class CSyFSMountImpl : public CSyFSMountImplBase
{
public:
    // The mount point is the volume root of path; a path on no drive is logged and thrown.
    explicit CSyFSMountImpl(const CSyPath& path);
    // For a walk that already knows the root (a drive or a mounted directory).
    CSyFSMountImpl(const CSyPath& path, const iastring& mountPoint);

    iastring getFSName() const;
    ISyFSMount::eFileSystemType getFSType() const;
    ISyFSMount::eMountOptions getMountOptions() const;
    bool isInUse() const;

    const iastring& getMountPointText() const override { return m_mountPoint; }

protected:
    CSpace getSpaceFromOS() const override;
    bool isMountedImpl() const override;

private:
    unsigned int driveType() const;
    // The drive letter and colon of the mount point, upper case ("X:").
    iastring localName() const;
    bool isRememberedConnection() const;
    bool isReachable() const;

    iastring m_mountPoint;
};

class CSyFSMount : public CSyHandle<ISyFSMount, CSyFSMountImpl>
{
public:
    using CSyHandle::CSyHandle;

    PSyNode getMountPoint() override { return SY_FORWARD(m_impl.getMountPoint()); }
    iastring getFSName() override { return SY_FORWARD(m_impl.getFSName()); }
    eFileSystemType getFSType() override { return SY_FORWARD(m_impl.getFSType()); }
    PSySize getUsedSpace() override { return SY_FORWARD(m_impl.getUsedSpace()); }
    PSySize getFreeSpace() override { return SY_FORWARD(m_impl.getFreeSpace()); }
    PSySize getQuota() override { return SY_FORWARD(m_impl.getQuota()); }
    eMountOptions getMountOptions() override { return SY_FORWARD(m_impl.getMountOptions()); }
    bool isInUse() override { return SY_FORWARD(m_impl.isInUse()); }
    bool isMounted() override { return SY_FORWARD(m_impl.isMounted()); }
};

namespace syslib
{
// With critical-error boxes off: true when the volume at root answers; a failure is a warning.
bool tryToGetVolumeInformation(const iastring& root);
} // namespace syslib

// Every drive of the machine, each followed by the volumes mounted into its directories (depth first).
class CSyFSMountIteratorImpl : public CSyGenericImpl
{
public:
    // onlyKnownTypes: leave out drives that are not fixed, remote or CD-ROM, and mounts of type ANY.
    CSyFSMountIteratorImpl(bool onlyKnownTypes, int selection, ISyErrorHandler* errorHandler);

    void first();
    void next();
    bool isDone() const { return m_position >= m_mounts.size(); }
    // Past the end: "common.parameterNotValid", ESyPrecondition.
    PSyFSMount get() const;

private:
    void init();
    bool ignoreDrive(const iastring& root) const;
    bool ignoreMount(const PSyFSMount& mount) const;
    // Adds the volumes mounted below root; volumesOnPath are those the walk is inside of, each with the
    // path it was entered through.
    void walkMountPoints(const iastring& root, std::vector<std::pair<iastring, iastring>>& volumesOnPath);
    // A failure met during the walk: true to go on (the handler said so), else reported and thrown.
    bool goOnAfter(unsigned long error, const iastring& call, const iastring& path, int line) const;

    bool m_onlyKnownTypes;
    int m_selection;
    ISyErrorHandler* m_errorHandler;
    std::vector<PSyFSMount> m_mounts;
    std::size_t m_position = 0;
};

class CSyFSMountIterator : public CSyCountedHandle<ISyFSMountIterator, CSyFSMountIteratorImpl>
{
public:
    using CSyCountedHandle::CSyCountedHandle;

    void first() override { return SY_FORWARD(m_impl.first()); }
    void next() override { return SY_FORWARD(m_impl.next()); }
    bool isDone() const override { return SY_FORWARD(m_impl.isDone()); }
    PSyFSMount get() const override { return SY_FORWARD(m_impl.get()); }
};
