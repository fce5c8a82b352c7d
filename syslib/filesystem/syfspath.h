// A file-system path as callers see it. Every file-system operation of the library takes and returns these.
#pragma once

#include "framework/iaiter.h"
#include "syslib/common/sygeneric.h"

#include <vector>

// One component of a path as a support tool shows it.
struct CSyFSPathComponentInfo
{
    iastring typeName; // DRIVE, UNC_PREFIX, NAME, ...
    iastring text;
};

class ISyFSPath : public ISyGeneric
{
public:
    // Both compare the canonical forms, ignoring case, and therefore consult the file system.
    virtual bool isEqual(const IaPtr<ISyFSPath>& path) const = 0;
    virtual bool isPrefixOf(const IaPtr<ISyFSPath>& path) const = 0;
    virtual iastring toString() const = 0;
    virtual iastring toOSString() const = 0;
    virtual iastring getPrefix() const = 0;
    // Appends what follows path's prefix (for UNC paths: its server and share are dropped too).
    virtual void append(const IaPtr<ISyFSPath>& path) = 0;
    virtual void appendComponent(const iastring& component) = 0;
    virtual bool hasFileComponent() const = 0;
    virtual void splitIntoParentAndFile(IaPtr<ISyFSPath>& parent, iastring& file) const = 0;
    virtual IaPtr<ISyFSPath> getCanonicalPath() const = 0;
    // base.version.extension; version 0 when the name carries none.
    virtual void splitFileName(iastring& base, int& version, iastring& extension) const = 0;
    virtual IaPtr<ISyFSPath> getVersionedPath(int version) const = 0;
    virtual bool canResolveHomeIndicator() const = 0;
    // Both give the canonical path.
    virtual IaPtr<ISyFSPath> getRealPath() const = 0;
    virtual IaPtr<ISyFSPath> getFullPath() const = 0;
    virtual bool isAbsolute() const = 0;
    // Same as canResolveHomeIndicator().
    virtual bool isHomeIndicatorResolvable() const = 0;
    virtual IaPtr<ISyFSPath> getAbsolutePath() const = 0;
    virtual bool isRoot() const = 0;
    virtual int getMaxPathLength() const = 0;
    virtual unsigned int getMaxComponentNameLength() const = 0;
    virtual iachar getSeparator() const = 0;
    virtual iachar getOSSeparator() const = 0;
    virtual IaPtr<ISyFSPath> clone() const = 0;
    virtual bool isEmpty() const = 0;
    // A new path: this one with path appended; this one stays as it is.
    virtual IaPtr<ISyFSPath> concat(const IaPtr<ISyFSPath>& path) const = 0;
    // The parsed components, prefix first, for support tools.
    virtual std::vector<CSyFSPathComponentInfo> getComponents() const = 0;
};

typedef IaPtr<ISyFSPath> PSyFSPath;
typedef IIaPIterGeneric<PSyFSPath> ISyFSPathIterator;
typedef IaPtr<ISyFSPathIterator> PSyFSPathIterator;
