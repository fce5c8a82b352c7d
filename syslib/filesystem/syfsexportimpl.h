// The share implementations and their handles.
#pragma once

#include "syfsexport.h"
#include "sypath.h"
#include "syslib/common/syswin.h"

class CSyFSExportImpl : public CSyGenericImpl
{
public:
    CSyFSExportImpl(const CSyPath& path, const iastring& name, const iastring& description,
                    ISyFSExport::eExportOptions options);

    virtual PSyFSPath getPath() const;
    virtual iastring getName() const { return m_name; }
    virtual iastring getDescription() const { return m_description; }
    virtual ISyFSExport::eExportOptions getExportOptions() const { return m_options; }
    virtual void setExportOptions(ISyFSExport::eExportOptions options);
    virtual PSyACL getACL() const;
    virtual void setACL(const PSyACL& acl);
    virtual void share();
    virtual void unshare();
    virtual bool isInUse() const;
    virtual bool isShared() const;

private:
    // NetShareGetInfo at level 2; false for an unknown share, a failure logged and thrown.
    bool readInfo(syslib::CSyNetApiBuffer& buffer) const;
    // What an unshared export gives to Everyone from its options; empty when none.
    PSyACL aclFromOptions() const;

    CSyPath m_path;
    iastring m_name;
    iastring m_description;
    ISyFSExport::eExportOptions m_options;
    PSyACL m_pendingACL;
};

class CSyFSExport : public CSyHandle<ISyFSExport, CSyFSExportImpl>
{
public:
    CSyFSExport(const CSyPath& path, const iastring& name, const iastring& description,
                ISyFSExport::eExportOptions options)
        : CSyHandle(path, name, description, options)
    {
    }
    PSyFSPath getPath() override { return SY_FORWARD(m_impl.getPath()); }
    iastring getName() override { return SY_FORWARD(m_impl.getName()); }
    iastring getDescription() override { return SY_FORWARD(m_impl.getDescription()); }
    eExportOptions getExportOptions() override { return SY_FORWARD(m_impl.getExportOptions()); }
    void setExportOptions(eExportOptions options) override { return SY_FORWARD(m_impl.setExportOptions(options)); }
    PSyACL getACL() override { return SY_FORWARD(m_impl.getACL()); }
    void setACL(const PSyACL& acl) override { return SY_FORWARD(m_impl.setACL(acl)); }
    void share() override { return SY_FORWARD(m_impl.share()); }
    void unshare() override { return SY_FORWARD(m_impl.unshare()); }
    bool isInUse() override { return SY_FORWARD(m_impl.isInUse()); }
    bool isShared() override { return SY_FORWARD(m_impl.isShared()); }
};

class CSyFSExportIteratorImpl : public CSyGenericImpl
{
public:
    virtual void first();
    virtual void next();
    virtual bool isDone() const { return m_done; }
    virtual PSyFSExport get() const;

private:
    void fetch();
    // Moves to the next disk share at or after the current entry, fetching pages as needed.
    void skipToDiskShare();

    syslib::CSyNetApiBuffer m_buffer;
    DWORD m_entriesRead = 0;
    DWORD m_index = 0;
    bool m_moreData = false;
    bool m_done = true;
    DWORD m_resumeHandle = 0;
};

class CSyFSExportIterator : public CSyHandle<ISyFSExportIterator, CSyFSExportIteratorImpl>
{
public:
    void first() override { return SY_FORWARD(m_impl.first()); }
    void next() override { return SY_FORWARD(m_impl.next()); }
    bool isDone() override { return SY_FORWARD(m_impl.isDone()); }
    PSyFSExport get() override { return SY_FORWARD(m_impl.get()); }
};
