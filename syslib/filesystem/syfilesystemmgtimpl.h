// The file-system manager: lives from its first request until the library is unloaded.
#pragma once

#include "syfilesystemmgt.h"

class CSyFileSystemMgtImpl : public CSyGenericImpl
{
public:
    PSyFSPath getFSPath(const iastring& text) const;
    PSyNode getNode(const PSyFSPath& path) const;
    bool isValidPath(const iastring& text) const;
    iastring convertToOSPath(const iastring& pathName) const;
    PSySize getSize(double bytes);
};

class CSyFileSystemMgt : public CSyManagerHandle<ISyFileSystemMgt, CSyFileSystemMgtImpl>
{
public:
    PSyFSPath getFSPath(const iastring& text) override { return m_impl.getFSPath(text); }
    PSyNode getNode(const PSyFSPath& path) override { return m_impl.getNode(path); }
    bool isValidPath(iastring text) override { return m_impl.isValidPath(text); }
    iastring convertToOSPath(iastring const& pathName) const override { return m_impl.convertToOSPath(pathName); }
    PSySize getSize(double bytes) override { return m_impl.getSize(bytes); }
};
