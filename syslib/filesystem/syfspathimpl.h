// The path object handed to callers, its implementation and the ancestor iterator.
#pragma once

#include "syfspath.h"
#include "sypath.h"

#include <utility>

class CSyFSPathImpl : public CSyGenericImpl
{
public:
    CSyFSPathImpl() {}
    explicit CSyFSPathImpl(const CSyPath& path) : m_path(path) {}
    explicit CSyFSPathImpl(CSyPath&& path) : m_path(std::move(path)) {}

    const CSyPath& path() const { return m_path; }

    bool isEqual(const PSyFSPath& path) const;
    bool isPrefixOf(const PSyFSPath& path) const;
    iastring toString() const;
    iastring toOSString() const;
    iastring getPrefix() const;
    void append(const PSyFSPath& path);
    void appendComponent(const iastring& component);
    bool hasFileComponent() const;
    void splitIntoParentAndFile(PSyFSPath& parent, iastring& file) const;
    PSyFSPath getCanonicalPath() const;
    void splitFileName(iastring& base, int& version, iastring& extension) const;
    PSyFSPath getVersionedPath(int version) const;
    bool canResolveHomeIndicator() const;
    bool isAbsolute() const;
    PSyFSPath getAbsolutePath() const;
    bool isRoot() const;
    int getMaxPathLength() const;
    unsigned int getMaxComponentNameLength() const;
    bool isEmpty() const;
    std::vector<CSyFSPathComponentInfo> getComponents() const;

    // The CSyPath behind any ISyFSPath; a null pointer is a bad argument of the operation named.
    static CSyPath pathOf(const PSyFSPath& path, const wchar_t* signature);

private:
    // The canonical path split into its parent and its name-like last component.
    void splitCanonical(CSyPath& parent, iastring& file) const;

    CSyPath m_path;
};

class CSyFSPath : public CSyHandle<ISyFSPath, CSyFSPathImpl>
{
public:
    explicit CSyFSPath(const CSyPath& path) : CSyHandle(path) {}
    explicit CSyFSPath(CSyPath&& path) : CSyHandle(std::move(path)) {}

    bool isEqual(const PSyFSPath& path) const override { return SY_FORWARD(m_impl.isEqual(path)); }
    bool isPrefixOf(const PSyFSPath& path) const override { return SY_FORWARD(m_impl.isPrefixOf(path)); }
    iastring toString() const override { return SY_FORWARD(m_impl.toString()); }
    iastring toOSString() const override { return SY_FORWARD(m_impl.toOSString()); }
    iastring getPrefix() const override { return SY_FORWARD(m_impl.getPrefix()); }
    void append(const PSyFSPath& path) override { return SY_FORWARD(m_impl.append(path)); }
    void appendComponent(const iastring& component) override { return SY_FORWARD(m_impl.appendComponent(component)); }
    bool hasFileComponent() const override { return SY_FORWARD(m_impl.hasFileComponent()); }
    void splitIntoParentAndFile(PSyFSPath& parent, iastring& file) const override
    {
        return SY_FORWARD(m_impl.splitIntoParentAndFile(parent, file));
    }
    PSyFSPath getCanonicalPath() const override { return SY_FORWARD(m_impl.getCanonicalPath()); }
    void splitFileName(iastring& base, int& version, iastring& extension) const override
    {
        return SY_FORWARD(m_impl.splitFileName(base, version, extension));
    }
    PSyFSPath getVersionedPath(int version) const override { return SY_FORWARD(m_impl.getVersionedPath(version)); }
    bool canResolveHomeIndicator() const override { return SY_FORWARD(m_impl.canResolveHomeIndicator()); }
    PSyFSPath getRealPath() const override { return SY_FORWARD(m_impl.getCanonicalPath()); }
    PSyFSPath getFullPath() const override { return SY_FORWARD(m_impl.getCanonicalPath()); }
    bool isAbsolute() const override { return SY_FORWARD(m_impl.isAbsolute()); }
    bool isHomeIndicatorResolvable() const override { return SY_FORWARD(m_impl.canResolveHomeIndicator()); }
    PSyFSPath getAbsolutePath() const override { return SY_FORWARD(m_impl.getAbsolutePath()); }
    bool isRoot() const override { return SY_FORWARD(m_impl.isRoot()); }
    int getMaxPathLength() const override { return SY_FORWARD(m_impl.getMaxPathLength()); }
    unsigned int getMaxComponentNameLength() const override { return SY_FORWARD(m_impl.getMaxComponentNameLength()); }
    iachar getSeparator() const override { return L'/'; }
    iachar getOSSeparator() const override { return L'\\'; }
    PSyFSPath clone() const override;
    bool isEmpty() const override { return SY_FORWARD(m_impl.isEmpty()); }
    PSyFSPath concat(const PSyFSPath& path) const override;
    std::vector<CSyFSPathComponentInfo> getComponents() const override { return SY_FORWARD(m_impl.getComponents()); }
};

// Walks the ancestors of a path from its top (drive, root or share) down to the path itself.
class CSyFSPathAncestorIteratorImpl : public CSyGenericImpl
{
public:
    explicit CSyFSPathAncestorIteratorImpl(const CSyPath& path);

    void first();
    void next();
    bool isDone() const { return m_position >= m_end; }
    PSyFSPath get() const;

private:
    CSyPath m_path;
    std::size_t m_position;
    std::size_t m_end;
    CSyPath m_current;
};

class CSyFSPathAncestorIterator : public CSyCountedHandle<ISyFSPathIterator, CSyFSPathAncestorIteratorImpl>
{
public:
    explicit CSyFSPathAncestorIterator(const CSyPath& path) : CSyCountedHandle(path) {}

    void first() override { return SY_FORWARD(m_impl.first()); }
    void next() override { return SY_FORWARD(m_impl.next()); }
    bool isDone() const override { return SY_FORWARD(m_impl.isDone()); }
    PSyFSPath get() const override { return SY_FORWARD(m_impl.get()); }
};
