// Portable code only: path components, parsing, joining, normalisation and the absolute path.
#include "sypath.h"

#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"

#include <algorithm>
#include <utility>

SY_SOURCE_FILE(L"syxxcpath")

namespace
{
const iastring rootText = L"/";
const iastring longPrefixText = L"\\\\?\\";
const iastring longUncPrefixText = L"\\\\?\\UNC\\";
const iastring volumePrefixStart = L"\\\\?\\Volume{";

// Slashes are allowed in the texts of prefixes, which hold them.
bool isForbidden(iachar c, bool slashesAllowed)
{
    switch (c)
    {
    case L'<':
    case L'>':
    case L':':
    case L'"':
    case L'|':
        return true;
    case L'/':
    case L'\\':
        return !slashesAllowed;
    default:
        return false;
    }
}

bool isSeparator(iachar c)
{
    return c == L'/' || c == L'\\';
}

// Whether text[pos, end) starts with pattern, where a "/" of the pattern matches either separator.
bool startsWith(const iastring& text, std::size_t pos, std::size_t end, const wchar_t* pattern)
{
    for (; *pattern; ++pattern, ++pos)
    {
        if (pos >= end)
            return false;
        if (*pattern == L'/' ? !isSeparator(text[pos]) : text[pos] != *pattern)
            return false;
    }
    return true;
}

std::size_t findSeparator(const iastring& text, std::size_t pos, std::size_t end)
{
    while (pos < end && !isSeparator(text[pos]))
        ++pos;
    return pos;
}

bool isWhiteSpace(iachar c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

// A version is a positive decimal number that fits an int.
bool parseVersion(const iastring& text, int& version)
{
    if (text.size() > 9 || !stringIsNumeral(text))
        return false;
    version = std::stoi(text);
    return version > 0;
}

bool equalIgnoringCase(const CSyPathComponent& a, const CSyPathComponent& b)
{
    return a.getText().size() == b.getText().size() && stringToLower(a.getText()) == stringToLower(b.getText());
}
} // namespace

CSyPathComponent::CSyPathComponent(iastring text, bool firstPosition)
    : m_text(std::move(text)), m_type(classify(m_text, firstPosition))
{
    const iachar forbidden = findForbiddenChar(m_text, m_type);
    if (forbidden != 0)
    {
        syslib::reportError(L"syslib.filesystem.badCharacterInPathComponent", {iastring(1, forbidden), m_text},
                            __LINE__);
        throw ESyForbiddenCharInPath(m_text, forbidden);
    }
}

CSyPathComponent CSyPathComponent::prefix(eType type)
{
    switch (type)
    {
    case ROOT:
        return CSyPathComponent(type, rootText);
    case UNC_PREFIX:
        return CSyPathComponent(type, L"\\\\");
    case LONG_PREFIX:
        return CSyPathComponent(type, longPrefixText);
    case LONG_UNC_PREFIX:
        return CSyPathComponent(type, longUncPrefixText);
    default:
        return CSyPathComponent(EMPTY_PREFIX, iastring());
    }
}

CSyPathComponent::eType CSyPathComponent::classify(const iastring& text, bool firstPosition)
{
    if (text.empty())
        return EMPTY_PREFIX;
    if (text == rootText)
        return ROOT;
    if (firstPosition && text[0] == L'~')
        return HOME;
    if (text == L".")
        return CURRENT_DIR;
    if (text == L"..")
        return PARENT_DIR;
    if (firstPosition && text.size() == 2 && text[1] == L':')
        return DRIVE;
    if (text[0] != L'\\')
        return NAME;
    if (text == L"\\\\")
        return UNC_PREFIX;
    if (text == longPrefixText)
        return LONG_PREFIX;
    if (text == longUncPrefixText)
        return LONG_UNC_PREFIX;
    if (text.compare(0, volumePrefixStart.size(), volumePrefixStart) == 0)
        return VOLUME_PREFIX;
    return NAME;
}

iachar CSyPathComponent::findForbiddenChar(const iastring& text, eType type)
{
    if (type == DRIVE)
        return isForbidden(text[0], false) ? text[0] : 0;
    const bool slashesAllowed = type == ROOT || type >= UNC_PREFIX;
    for (const iachar c : text)
        if (isForbidden(c, slashesAllowed))
            return c;
    return 0;
}

const wchar_t* CSyPathComponent::typeName(eType type)
{
    static const wchar_t* const names[] = {L"EMPTY_PREFIX", L"NAME",      L"ROOT",        L"HOME",
                                           L"CURRENT_DIR",  L"PARENT_DIR", L"DRIVE",      L"UNC_PREFIX",
                                           L"LONG_PREFIX",  L"LONG_UNC_PREFIX", L"VOLUME_PREFIX"};
    return type >= EMPTY_PREFIX && type <= VOLUME_PREFIX ? names[type] : L"unknown";
}

CSyPath::CSyPath()
{
    m_components.push_back(CSyPathComponent::prefix(CSyPathComponent::EMPTY_PREFIX));
}

CSyPath::CSyPath(const iastring& text)
{
    SY_TRACE_CONSTRUCTOR_TEXT(syslib::isTracing() ? L"CSyPath::CSyPath(" + text + L")" : iastring());
    try
    {
        parse(text);
    }
    catch (const ESyForbiddenCharInPath& bad)
    {
        syslib::reportError(L"syslib.filesystem.badCharacterInPath", {iastring(1, bad.getForbiddenChar()), text},
                            __LINE__);
        throw;
    }
}

bool CSyPath::canCreatePath(const iastring& text, CSyPath* result)
{
    SY_TRACE_FUNCTION(L"CSyPath::canCreatePath(const iastring&, CSyPath*)");
    SY_TRACE_PARAMETERS(text);
    // A text that does not parse is an answer here, not an error of the caller.
    CUseTypeMapping errorsAsWarnings(&syslib::logBook(), CMessage::LOG_ERROR, CMessage::LOG_WARNING);
    try
    {
        CSyPath path(text);
        if (result)
            *result = path;
        return true;
    }
    catch (const ESyPathComponent&)
    {
        return false;
    }
}

void CSyPath::parse(const iastring& text)
{
    // Read in place, either separator standing for "/": no converted copy of the text is made.
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && isWhiteSpace(text[first]))
        ++first;
    while (end > first && isWhiteSpace(text[end - 1]))
        --end;
    std::size_t separators = 0;
    for (std::size_t i = first; i < end; ++i)
        separators += isSeparator(text[i]) ? 1 : 0;
    m_components.clear();
    m_components.reserve(separators + 2);
    parseRest(text, first, end);
}

// From the prefix on; called again after a long prefix, for what follows it.
void CSyPath::parseRest(const iastring& text, std::size_t start, std::size_t end)
{
    if (start >= end)
    {
        m_components.push_back(CSyPathComponent::prefix(CSyPathComponent::EMPTY_PREFIX));
        return;
    }
    std::size_t rest = start;
    if (isSeparator(text[start]))
    {
        if (startsWith(text, start, end, L"//?/UNC/"))
        {
            m_components.push_back(CSyPathComponent::prefix(CSyPathComponent::LONG_UNC_PREFIX));
            rest = start + 8;
        }
        else if (startsWith(text, start, end, L"//?/Volume{"))
        {
            rest = findSeparator(text, start + 11, end);
            iastring volume = text.substr(start, rest - start);
            std::replace(volume.begin(), volume.end(), L'/', L'\\');
            m_components.emplace_back(std::move(volume), true);
        }
        else if (m_components.empty() && startsWith(text, start, end, L"//?/"))
        {
            m_components.push_back(CSyPathComponent::prefix(CSyPathComponent::LONG_PREFIX));
            parseRest(text, start + 4, end);
            return;
        }
        else if (startsWith(text, start, end, L"//"))
        {
            m_components.push_back(CSyPathComponent::prefix(CSyPathComponent::UNC_PREFIX));
            rest = start + 2;
        }
        else
        {
            m_components.push_back(CSyPathComponent::prefix(CSyPathComponent::ROOT));
            rest = start + 1;
        }
    }
    else if (text[start] == L'~' || (end - start >= 2 && text[start + 1] == L':'))
    {
        rest = findSeparator(text, start, end);
        m_components.emplace_back(text.substr(start, rest - start), true);
    }
    else
    {
        m_components.push_back(CSyPathComponent::prefix(CSyPathComponent::EMPTY_PREFIX));
    }

    while (rest < end)
    {
        const std::size_t separator = findSeparator(text, rest, end);
        if (separator > rest) // doubled and trailing separators make no component
            m_components.emplace_back(text.substr(rest, separator - rest), false);
        rest = separator + 1;
    }
}

std::size_t CSyPath::significantPrefixIndex() const
{
    return m_components[0].getType() == CSyPathComponent::LONG_PREFIX && m_components.size() > 1 ? 1 : 0;
}

std::size_t CSyPath::relativeStart() const
{
    const std::size_t prefix = significantPrefixIndex();
    const CSyPathComponent::eType type = m_components[prefix].getType();
    std::size_t start = prefix + 1;
    if (type == CSyPathComponent::UNC_PREFIX || type == CSyPathComponent::LONG_UNC_PREFIX)
        start += 2; // server and share
    return std::min(start, m_components.size());
}

CSyPath CSyPath::head(std::size_t count) const
{
    CSyPath result;
    result.m_components.assign(m_components.begin(),
                               m_components.begin() + static_cast<long>(std::max<std::size_t>(1, std::min(count, size()))));
    return result;
}

void CSyPath::push_back(const CSyPathComponent& component)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyPath::push_back(const CSyPathComponent& " + component.getText() + L")"
                                           : iastring());
    if (CSyPathComponent::isPrefixType(component.getType()))
    {
        syslib::reportError(L"syslib.filesystem.cannotAppendPrefixComponent", {component.getText()}, __LINE__);
        throw ESyCannotAppendPrefix(component.getText());
    }
    m_components.push_back(component);
}

void CSyPath::pop_back()
{
    if (m_components.size() > 1)
        m_components.pop_back();
}

void CSyPath::appendComponent(const iastring& text)
{
    push_back(CSyPathComponent(text, isEmpty()));
}

void CSyPath::append(const CSyPath& path)
{
    m_components.insert(m_components.end(), path.m_components.begin() + static_cast<long>(path.relativeStart()),
                        path.m_components.end());
}

bool CSyPath::isRoot() const
{
    const CSyPathComponent::eType type = significantPrefixType();
    return (CSyPathComponent::isAbsolutePrefix(type) || type == CSyPathComponent::ROOT) && !hasRelativePart();
}

bool CSyPath::hasFileComponent() const
{
    return hasRelativePart() && CSyPathComponent::isNameLike(back().getType());
}

iastring CSyPath::join(iachar separator) const
{
    std::size_t length = 1;
    for (const CSyPathComponent& component : m_components)
        length += component.getText().size() + 1;
    iastring text;
    text.reserve(length);
    const std::size_t count = m_components.size();
    for (std::size_t i = 0; i < count; ++i)
    {
        text += m_components[i].getText();
        if (i + 1 < count && CSyPathComponent::takesSeparator(m_components[i].getType()))
            text += separator;
    }
    // A bare drive or share still names a directory: C:/, \\srv\share\.
    if (isAbsolute() && !hasRelativePart())
        text += separator;
    return text;
}

iastring CSyPath::toString() const
{
    return join(L'/');
}

iastring CSyPath::toOSString() const
{
    iastring text = join(L'\\');
    std::replace(text.begin(), text.end(), L'/', L'\\');
    return text;
}

iastring CSyPath::getPrefix() const
{
    return m_components[significantPrefixIndex()].getText();
}

void CSyPath::normalize()
{
    const std::size_t start = relativeStart();
    std::vector<CSyPathComponent> result(m_components.begin(), m_components.begin() + static_cast<long>(start));
    for (std::size_t i = start; i < m_components.size(); ++i)
    {
        const CSyPathComponent::eType type = m_components[i].getType();
        if (type == CSyPathComponent::CURRENT_DIR)
            continue;
        if (type == CSyPathComponent::PARENT_DIR)
        {
            // Never above the prefix, server or share.
            if (result.size() > start)
                result.pop_back();
            continue;
        }
        result.push_back(m_components[i]);
    }
    m_components.swap(result);
}

void CSyPath::removeLongForm()
{
    const CSyPathComponent::eType type = m_components[0].getType();
    if (type == CSyPathComponent::LONG_PREFIX)
    {
        m_components.erase(m_components.begin());
        if (m_components.empty())
            m_components.push_back(CSyPathComponent::prefix(CSyPathComponent::EMPTY_PREFIX));
    }
    else if (type == CSyPathComponent::LONG_UNC_PREFIX)
    {
        m_components[0] = CSyPathComponent::prefix(CSyPathComponent::UNC_PREFIX);
    }
}

void CSyPath::addLongForm()
{
    const CSyPathComponent::eType type = m_components[0].getType();
    if (CSyPathComponent::isLongFormPrefix(type))
        return;
    if (type == CSyPathComponent::UNC_PREFIX)
        m_components[0] = CSyPathComponent::prefix(CSyPathComponent::LONG_UNC_PREFIX);
    else
        m_components.insert(m_components.begin(), CSyPathComponent::prefix(CSyPathComponent::LONG_PREFIX));
}

bool CSyPath::canResolveHomeIndicator() const
{
    SY_TRACE_FUNCTION(L"CSyPath::canResolveHomeIndicator()");
    const std::size_t prefix = significantPrefixIndex();
    if (m_components[prefix].getType() != CSyPathComponent::HOME)
        return true;
    try
    {
        CUseTypeMapping quiet(&syslib::logBook(), CMessage::LOG_ERROR, CMessage::LOG_INFO);
        return !getHomeDirectory(m_components[prefix].getText().substr(1)).isEmpty();
    }
    catch (...)
    {
        syslib::logBook().log(
            L"Caught exception during getHomeDirectory(). Therefore I cannot get the absolute path.", __LINE__);
        return false;
    }
}

CSyPath CSyPath::getAbsolutePath() const
{
    SY_TRACE_FUNCTION(L"CSyPath::getAbsolutePath()");
    if (!canResolveHomeIndicator())
    {
        const iastring text = toString();
        syslib::reportError(L"syslib.filesystem.cannotGetAbsolutePath", {text}, __LINE__);
        throw ESyCannotGetAbsolutePath(text);
    }
    if (isAbsolute())
        return *this;

    const std::size_t prefix = significantPrefixIndex();
    CSyPath result;
    switch (m_components[prefix].getType())
    {
    case CSyPathComponent::HOME:
        result = getHomeDirectory(m_components[prefix].getText().substr(1));
        break;
    case CSyPathComponent::ROOT:
    {
        // The drive (or server and share) of the working directory.
        const CSyPath working = getWorkingDirectory();
        result = working.head(working.relativeStart());
        break;
    }
    default:
        result = getWorkingDirectory();
        break;
    }
    result.m_components.insert(result.m_components.end(), m_components.begin() + static_cast<long>(prefix) + 1,
                               m_components.end());
    if (hasLongFormPrefix())
        result.addLongForm();
    return result;
}

int CSyPath::getMaxPathLength() const
{
    SY_TRACE_FUNCTION(L"CSyPath::getMaxPathLength()");
    const int left = 259 - static_cast<int>(getAbsolutePath().toOSString().size());
    return left < 0 ? 0 : left;
}

bool CSyPath::isEqual(const CSyPath& other) const
{
    return getCanonicalPathImpl().isSameCanonicalPath(other.getCanonicalPathImpl());
}

bool CSyPath::isSameCanonicalPath(const CSyPath& canonical) const
{
    return size() == canonical.size() &&
           std::equal(m_components.begin(), m_components.end(), canonical.m_components.begin(), equalIgnoringCase);
}

bool CSyPath::isPrefixOf(const CSyPath& other) const
{
    const CSyPath mine = getCanonicalPathImpl();
    const CSyPath theirs = other.getCanonicalPathImpl();
    return mine.size() <= theirs.size() &&
           std::equal(mine.m_components.begin(), mine.m_components.end(), theirs.m_components.begin(),
                      equalIgnoringCase);
}

void CSyPath::splitFileName(const iastring& name, iastring& base, int& version, iastring& extension)
{
    base = name;
    version = 0;
    extension.clear();
    const std::size_t dot = name.rfind(L'.');
    // A leading dot belongs to the name (.profile); a trailing one ends no extension.
    if (dot == iastring::npos || dot == 0 || dot + 1 == name.size())
        return;
    const iastring head = name.substr(0, dot);
    const iastring tail = name.substr(dot + 1);
    if (parseVersion(tail, version))
    {
        base = head;
        return;
    }
    version = 0;
    base = head;
    extension = tail;
    const std::size_t versionDot = head.rfind(L'.');
    if (versionDot != iastring::npos && versionDot != 0 && parseVersion(head.substr(versionDot + 1), version))
        base = head.substr(0, versionDot);
    else
        version = 0;
}
