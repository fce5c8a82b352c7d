// The file-system manager: lives from its first request until the library is unloaded.
#pragma once

#include "syfilesystemmgt.h"
#include "syfspathimpl.h"
#include "sypath.h"

class CSyFileSystemMgtImpl : public CSyGenericImpl
{
public:
    PSyFSPath getFSPath(const iastring& text) const;
    PSyNode getNode(const CSyPath& path) const;
    PSyDirectory getDirectory(const CSyPath& path) const;
    PSyFile getFile(const CSyPath& path) const;
    PSyNode getLink(const CSyPath& path) const;
    PSyDirectory createDirectory(const CSyPath& rawPath) const;
    PSyFile createFile(const CSyPath& rawPath) const;
    PSyNode createLink(const CSyPath& rawPath, const PSyNode& target) const;
    PSyFSMount getFSMount(const CSyPath& path) const;
    PSyFSMountIterator getFSMounts(bool onlyKnownTypes, int selection, ISyErrorHandler* errorHandler) const;
    PSyFSExport getFSExport(const iastring& shareName) const;
    PSyFSExportIterator getFSExports() const;
    PSyFSExport createFSExport(const CSyPath& path, const iastring& shareName, const iastring& description,
                               ISyFSExport::eExportOptions options) const;
    PSySize getSize(double bytes);
    bool isExisting(const CSyPath& path, ISyNode::eNodeType type) const;
    bool isValidPath(const iastring& text) const;
    iastring convertToOSPath(const iastring& pathName) const;
    void setTreeCopyWorkers(int workers);
    int getTreeCopyWorkers() const;

private:
    // The canonical path of a node to create; empty path and existing node are logged and thrown.
    CSyPath pathToCreate(const CSyPath& rawPath, const wchar_t* signature) const;
};

class CSyFileSystemMgt : public CSyManagerHandle<ISyFileSystemMgt, CSyFileSystemMgtImpl>
{
public:
    PSyFSPath getFSPath(const iastring& text) override { return SY_FORWARD(m_impl.getFSPath(text)); }
    PSyNode getNode(const PSyFSPath& path) override { return SY_FORWARD(m_impl.getNode(pathOf(path))); }
    PSyDirectory getDirectory(const PSyFSPath& path) override { return SY_FORWARD(m_impl.getDirectory(pathOf(path))); }
    PSyFile getFile(const PSyFSPath& path) override { return SY_FORWARD(m_impl.getFile(pathOf(path))); }
    PSyNode getLink(const PSyFSPath& path) override { return SY_FORWARD(m_impl.getLink(pathOf(path))); }
    PSyDirectory createDirectory(const PSyFSPath& path) override
    {
        return SY_FORWARD(m_impl.createDirectory(pathOf(path)));
    }
    PSyFile createFile(const PSyFSPath& path) override { return SY_FORWARD(m_impl.createFile(pathOf(path))); }
    PSyNode createLink(const PSyFSPath& path, const PSyNode& target) override
    {
        return SY_FORWARD(m_impl.createLink(pathOf(path), target));
    }
    PSyFSMount getFSMount(const PSyFSPath& path) override { return SY_FORWARD(m_impl.getFSMount(pathOf(path))); }
    PSyFSMountIterator getFSMounts() override
    {
        return SY_FORWARD(m_impl.getFSMounts(false, ISyFSMount::SELECT_ALL, nullptr));
    }
    PSyFSMountIterator getFSMounts(bool onlyKnownTypes, ISyErrorHandler* errorHandler) override
    {
        return SY_FORWARD(m_impl.getFSMounts(onlyKnownTypes, ISyFSMount::SELECT_ALL, errorHandler));
    }
    PSyFSMountIterator getFSMounts(bool onlyKnownTypes, int selection, ISyErrorHandler* errorHandler) override
    {
        return SY_FORWARD(m_impl.getFSMounts(onlyKnownTypes, selection, errorHandler));
    }
    PSyFSExport getFSExport(iastring shareName) override { return SY_FORWARD(m_impl.getFSExport(shareName)); }
    PSyFSExportIterator getFSExports() override { return SY_FORWARD(m_impl.getFSExports()); }
    PSyFSExport createFSExport(const PSyFSPath& path, iastring shareName, iastring description,
                               ISyFSExport::eExportOption option) override
    {
        return SY_FORWARD(m_impl.createFSExport(path ? pathOf(path) : CSyPath(), shareName, description, option));
    }
    PSySize getSize(double bytes) override { return SY_FORWARD(m_impl.getSize(bytes)); }
    bool isExisting(const PSyFSPath& path, ISyNode::eNodeType type) override
    {
        return SY_FORWARD(m_impl.isExisting(pathOf(path), type));
    }
    bool isValidPath(iastring text) override { return SY_FORWARD(m_impl.isValidPath(text)); }
    iastring convertToOSPath(iastring const& pathName) const override
    {
        return SY_FORWARD(m_impl.convertToOSPath(pathName));
    }
    void setTreeCopyWorkers(int workers) override { return SY_FORWARD(m_impl.setTreeCopyWorkers(workers)); }
    int getTreeCopyWorkers() const override { return SY_FORWARD(m_impl.getTreeCopyWorkers()); }

private:
    static CSyPath pathOf(const PSyFSPath& path) { return CSyFSPathImpl::pathOf(path, L"ISyFileSystemMgt"); }
};
