// Portable code only: the path object of the interface and the ancestor iterator.
#include "syfspathimpl.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcfspath")

namespace
{
iastring boolText(bool value)
{
    return value ? L"true" : L"false";
}

PSyFSPath newPath(const CSyPath& path)
{
    return PSyFSPath(new CSyFSPath(path));
}

PSyFSPath newPath(CSyPath&& path)
{
    return PSyFSPath(new CSyFSPath(std::move(path)));
}
} // namespace

CSyPath CSyFSPathImpl::pathOf(const PSyFSPath& path, const wchar_t* signature)
{
    if (!path)
        syslib::throwParameterNotValid(L"path", signature, __LINE__);
    if (const CSyFSPath* ours = dynamic_cast<const CSyFSPath*>(path.get()))
        return ours->impl().path();
    return CSyPath(path->toString());
}

bool CSyFSPathImpl::isEqual(const PSyFSPath& path) const
{
    const wchar_t* const signature = L"CSyFSPathImpl::isEqual(const IaPtr<ISyFSPath>&) const";
    SY_TRACE_FUNCTION_TEXT(signature);
    const CSyPath other = pathOf(path, signature);
    SY_TRACE_PARAMETERS(other.toString());
    const bool equal = m_path.isEqual(other);
    SY_TRACE_RETURN(boolText(equal));
    return equal;
}

bool CSyFSPathImpl::isPrefixOf(const PSyFSPath& path) const
{
    const wchar_t* const signature = L"CSyFSPathImpl::isPrefixOf(const IaPtr<ISyFSPath>&) const";
    SY_TRACE_FUNCTION_TEXT(signature);
    const CSyPath other = pathOf(path, signature);
    SY_TRACE_PARAMETERS(other.toString());
    const bool prefix = m_path.isPrefixOf(other);
    SY_TRACE_RETURN(boolText(prefix));
    return prefix;
}

iastring CSyFSPathImpl::toString() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::toString() const");
    return SY_RETURN_TRACED(m_path.toString());
}

iastring CSyFSPathImpl::toOSString() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::toOSString() const");
    return SY_RETURN_TRACED(m_path.toOSString());
}

iastring CSyFSPathImpl::getPrefix() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::getPrefix() const");
    return SY_RETURN_TRACED(m_path.getPrefix());
}

void CSyFSPathImpl::append(const PSyFSPath& path)
{
    const wchar_t* const signature = L"CSyFSPathImpl::append(const IaPtr<ISyFSPath>&)";
    SY_TRACE_FUNCTION_TEXT(signature);
    const CSyPath other = pathOf(path, signature);
    SY_TRACE_PARAMETERS(other.toString());
    m_path.append(other);
}

void CSyFSPathImpl::appendComponent(const iastring& component)
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::appendComponent(const iastring&)");
    SY_TRACE_PARAMETERS(component);
    m_path.appendComponent(component);
}

bool CSyFSPathImpl::hasFileComponent() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::hasFileComponent() const");
    const bool file = m_path.getCanonicalPathImpl().hasFileComponent();
    SY_TRACE_RETURN(boolText(file));
    return file;
}

void CSyFSPathImpl::splitCanonical(CSyPath& parent, iastring& file) const
{
    const CSyPath canonical = m_path.getCanonicalPathImpl();
    if (!canonical.hasFileComponent())
    {
        const iastring text = m_path.toString();
        syslib::reportError(L"syslib.filesystem.pathHasNoFileComponent", {text}, __LINE__);
        throw ESyNotEnoughPathComponentsToGoToParent(text);
    }
    parent = canonical.head(canonical.size() - 1);
    file = canonical.back().getText();
}

void CSyFSPathImpl::splitIntoParentAndFile(PSyFSPath& parent, iastring& file) const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::splitIntoParentAndFile(IaPtr<ISyFSPath>&, iastring&) const");
    CSyPath parentPath;
    splitCanonical(parentPath, file);
    parent = newPath(parentPath);
    SY_TRACE_RETURN(parentPath.toString() + L", " + file);
}

PSyFSPath CSyFSPathImpl::getCanonicalPath() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::getCanonicalPath() const");
    return newPath(m_path.getCanonicalPathImpl());
}

void CSyFSPathImpl::splitFileName(iastring& base, int& version, iastring& extension) const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::splitFileName(iastring&, int&, iastring&) const");
    CSyPath parent;
    iastring file;
    splitCanonical(parent, file);
    CSyPath::splitFileName(file, base, version, extension);
    SY_TRACE_RETURN(base + L", " + syslib::toString(version) + L", " + extension);
}

PSyFSPath CSyFSPathImpl::getVersionedPath(int version) const
{
    const wchar_t* const signature = L"CSyFSPathImpl::getVersionedPath(int) const";
    SY_TRACE_FUNCTION_TEXT(signature);
    SY_TRACE_PARAMETERS(syslib::toString(version));
    if (version <= 0)
        syslib::throwParameterNotValid(L"version", signature, __LINE__);
    CSyPath path;
    iastring file;
    splitCanonical(path, file);
    iastring base;
    int oldVersion = 0;
    iastring extension;
    CSyPath::splitFileName(file, base, oldVersion, extension);
    path.appendComponent(base + L"." + syslib::toString(version) + (extension.empty() ? L"" : L"." + extension));
    SY_TRACE_RETURN(path.toString());
    return newPath(path);
}

bool CSyFSPathImpl::canResolveHomeIndicator() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::canResolveHomeIndicator() const");
    const bool resolvable = m_path.canResolveHomeIndicator();
    SY_TRACE_RETURN(boolText(resolvable));
    return resolvable;
}

bool CSyFSPathImpl::isAbsolute() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::isAbsolute() const");
    const bool absolute = m_path.isAbsolute();
    SY_TRACE_RETURN(boolText(absolute));
    return absolute;
}

PSyFSPath CSyFSPathImpl::getAbsolutePath() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::getAbsolutePath() const");
    return newPath(m_path.getAbsolutePath());
}

bool CSyFSPathImpl::isRoot() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::isRoot() const");
    const bool root = m_path.isRoot();
    SY_TRACE_RETURN(boolText(root));
    return root;
}

int CSyFSPathImpl::getMaxPathLength() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::getMaxPathLength() const");
    const int length = m_path.getMaxPathLength();
    SY_TRACE_RETURN(syslib::toString(length));
    return length;
}

unsigned int CSyFSPathImpl::getMaxComponentNameLength() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::getMaxComponentNameLength() const");
    return m_path.getMaxComponentNameLength();
}

bool CSyFSPathImpl::isEmpty() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::isEmpty() const");
    const bool empty = m_path.isEmpty();
    SY_TRACE_RETURN(boolText(empty));
    return empty;
}

std::vector<CSyFSPathComponentInfo> CSyFSPathImpl::getComponents() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathImpl::getComponents() const");
    std::vector<CSyFSPathComponentInfo> components;
    for (std::size_t i = 0; i < m_path.size(); ++i)
        components.push_back({CSyPathComponent::typeName(m_path[i].getType()), m_path[i].getText()});
    return components;
}

PSyFSPath CSyFSPath::clone() const
{
    return SY_FORWARD([this] {
        SY_TRACE_FUNCTION(L"CSyFSPath::clone() const");
        return newPath(m_impl.path());
    }());
}

PSyFSPath CSyFSPath::concat(const PSyFSPath& path) const
{
    return SY_FORWARD([&] {
        SY_TRACE_FUNCTION(L"CSyFSPath::concat(const IaPtr<ISyFSPath>&) const");
        const PSyFSPath joined = clone();
        joined->append(path);
        return joined;
    }());
}

CSyFSPathAncestorIteratorImpl::CSyFSPathAncestorIteratorImpl(const CSyPath& path)
    : m_path(path), m_position(0), m_end(path.size())
{
    first();
}

void CSyFSPathAncestorIteratorImpl::first()
{
    SY_TRACE_FUNCTION(L"CSyFSPathAncestorIteratorImpl::first()");
    // The last component of the prefix area: the drive, the root, or the share of a UNC path.
    m_position = m_path.relativeStart() - 1;
    m_current = m_path.head(m_position + 1);
}

void CSyFSPathAncestorIteratorImpl::next()
{
    SY_TRACE_FUNCTION(L"CSyFSPathAncestorIteratorImpl::next()");
    if (isDone())
        return;
    ++m_position;
    if (!isDone())
        m_current = m_path.head(m_position + 1);
}

PSyFSPath CSyFSPathAncestorIteratorImpl::get() const
{
    SY_TRACE_FUNCTION(L"CSyFSPathAncestorIteratorImpl::get() const");
    SY_TRACE_RETURN(m_current.toString());
    return newPath(m_current);
}
