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
const iastring uncPrefixText = L"\\\\";
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

bool equals(const iachar* text, std::size_t length, const iastring& other)
{
    return length == other.size() && std::equal(text, text + length, other.begin());
}
} // namespace

bool& syslib::filesystem::carriedFactsDisabled()
{
    static bool disabled = false;
    return disabled;
}

CSyPathComponent::CSyPathComponent(iastring text, bool firstPosition)
    : m_text(std::move(text)), m_type(checkedType(m_text.data(), m_text.size(), firstPosition))
{
}

CSyPathComponent::eType CSyPathComponent::checkedType(const iachar* text, std::size_t length, bool firstPosition)
{
    const eType type = classify(text, length, firstPosition);
    const iachar forbidden = findForbiddenChar(text, length, type);
    if (forbidden != 0)
    {
        const iastring component(text, length);
        syslib::reportError(L"syslib.filesystem.badCharacterInPathComponent", {iastring(1, forbidden), component},
                            __LINE__);
        throw ESyForbiddenCharInPath(component, forbidden);
    }
    return type;
}

CSyPathComponent CSyPathComponent::prefix(eType type)
{
    switch (type)
    {
    case ROOT:
        return CSyPathComponent(type, rootText);
    case UNC_PREFIX:
        return CSyPathComponent(type, uncPrefixText);
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
    return classify(text.data(), text.size(), firstPosition);
}

CSyPathComponent::eType CSyPathComponent::classify(const iachar* text, std::size_t length, bool firstPosition)
{
    if (length == 0)
        return EMPTY_PREFIX;
    if (equals(text, length, rootText))
        return ROOT;
    if (firstPosition && text[0] == L'~')
        return HOME;
    if (length == 1 && text[0] == L'.')
        return CURRENT_DIR;
    if (length == 2 && text[0] == L'.' && text[1] == L'.')
        return PARENT_DIR;
    if (firstPosition && length == 2 && text[1] == L':')
        return DRIVE;
    if (text[0] != L'\\')
        return NAME;
    if (equals(text, length, uncPrefixText))
        return UNC_PREFIX;
    if (equals(text, length, longPrefixText))
        return LONG_PREFIX;
    if (equals(text, length, longUncPrefixText))
        return LONG_UNC_PREFIX;
    if (length >= volumePrefixStart.size() && std::equal(volumePrefixStart.begin(), volumePrefixStart.end(), text))
        return VOLUME_PREFIX;
    return NAME;
}

iachar CSyPathComponent::findForbiddenChar(const iastring& text, eType type)
{
    return findForbiddenChar(text.data(), text.size(), type);
}

iachar CSyPathComponent::findForbiddenChar(const iachar* text, std::size_t length, eType type)
{
    if (type == DRIVE)
        return isForbidden(text[0], false) ? text[0] : 0;
    const bool slashesAllowed = type == ROOT || type >= UNC_PREFIX;
    for (std::size_t i = 0; i < length; ++i)
        if (isForbidden(text[i], slashesAllowed))
            return text[i];
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
    appendPart(nullptr, 0, CSyPathComponent::EMPTY_PREFIX);
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
    m_parts.clear();
    m_parts.reserve(separators + 2);
    m_text.clear();
    m_text.reserve(end - first); // no component, nor separator, is longer than what it was read from
    parseRest(text, first, end);
}

void CSyPath::appendParsed(const iastring& text, std::size_t start, std::size_t end, bool firstPosition)
{
    const iachar* const component = text.data() + start;
    appendPart(component, end - start, CSyPathComponent::checkedType(component, end - start, firstPosition));
}

void CSyPath::appendPart(const iachar* text, std::size_t length, CSyPathComponent::eType type)
{
    if (!m_parts.empty() && CSyPathComponent::takesSeparator(m_parts.back().type))
        m_text += L'/';
    m_parts.push_back(CPart{static_cast<std::uint32_t>(m_text.size()), static_cast<std::uint32_t>(length), type});
    m_text.append(text, length);
}

void CSyPath::appendPartsOf(const CSyPath& path, std::size_t from)
{
    for (std::size_t i = from; i < path.size(); ++i)
        appendPart(path.m_text.data() + path.m_parts[i].offset, path.m_parts[i].length, path.m_parts[i].type);
}

void CSyPath::truncate(std::size_t count)
{
    m_parts.resize(count);
    m_text.resize(count == 0 ? 0 : m_parts.back().offset + m_parts.back().length);
}

void CSyPath::splice(std::size_t from, std::size_t to, const CSyPathComponent* component)
{
    CSyPath result;
    result.m_parts.clear();
    result.m_parts.reserve(size() + 1);
    result.m_text.reserve(m_text.size() + (component != nullptr ? component->getText().size() : 0));
    for (std::size_t i = 0; i < from; ++i)
        result.appendPart(m_text.data() + m_parts[i].offset, m_parts[i].length, m_parts[i].type);
    if (component != nullptr)
        result.appendPart(component->getText().data(), component->getText().size(), component->getType());
    result.appendPartsOf(*this, to);
    *this = std::move(result);
}

bool CSyPath::operator==(const CSyPath& other) const
{
    if (size() != other.size() || m_text != other.m_text)
        return false;
    for (std::size_t i = 0; i < size(); ++i)
        if (m_parts[i].type != other.m_parts[i].type || m_parts[i].length != other.m_parts[i].length)
            return false;
    return true;
}

bool CSyPath::equalAt(std::size_t index, const CSyPath& other, std::size_t otherIndex) const
{
    return m_parts[index].length == other.m_parts[otherIndex].length &&
           stringToLower(textAt(index)) == stringToLower(other.textAt(otherIndex));
}

// From the prefix on; called again after a long prefix, for what follows it.
void CSyPath::parseRest(const iastring& text, std::size_t start, std::size_t end)
{
    if (start >= end)
    {
        appendPart(nullptr, 0, CSyPathComponent::EMPTY_PREFIX);
        return;
    }
    std::size_t rest = start;
    if (isSeparator(text[start]))
    {
        if (startsWith(text, start, end, L"//?/UNC/"))
        {
            appendPart(longUncPrefixText.data(), longUncPrefixText.size(), CSyPathComponent::LONG_UNC_PREFIX);
            rest = start + 8;
        }
        else if (startsWith(text, start, end, L"//?/Volume{"))
        {
            rest = findSeparator(text, start + 11, end);
            iastring volume = text.substr(start, rest - start);
            std::replace(volume.begin(), volume.end(), L'/', L'\\');
            appendParsed(volume, 0, volume.size(), true);
        }
        else if (m_parts.empty() && startsWith(text, start, end, L"//?/"))
        {
            appendPart(longPrefixText.data(), longPrefixText.size(), CSyPathComponent::LONG_PREFIX);
            parseRest(text, start + 4, end);
            return;
        }
        else if (startsWith(text, start, end, L"//"))
        {
            appendPart(uncPrefixText.data(), uncPrefixText.size(), CSyPathComponent::UNC_PREFIX);
            rest = start + 2;
        }
        else
        {
            appendPart(rootText.data(), rootText.size(), CSyPathComponent::ROOT);
            rest = start + 1;
        }
    }
    else if (text[start] == L'~' || (end - start >= 2 && text[start + 1] == L':'))
    {
        rest = findSeparator(text, start, end);
        appendParsed(text, start, rest, true);
    }
    else
    {
        appendPart(nullptr, 0, CSyPathComponent::EMPTY_PREFIX);
    }

    while (rest < end)
    {
        const std::size_t separator = findSeparator(text, rest, end);
        if (separator > rest) // doubled and trailing separators make no component
            appendParsed(text, rest, separator, false);
        rest = separator + 1;
    }
}

std::size_t CSyPath::significantPrefixIndex() const
{
    return m_parts[0].type == CSyPathComponent::LONG_PREFIX && m_parts.size() > 1 ? 1 : 0;
}

std::size_t CSyPath::relativeStart() const
{
    const std::size_t prefix = significantPrefixIndex();
    const CSyPathComponent::eType type = m_parts[prefix].type;
    std::size_t start = prefix + 1;
    if (type == CSyPathComponent::UNC_PREFIX || type == CSyPathComponent::LONG_UNC_PREFIX)
        start += 2; // server and share
    return std::min(start, m_parts.size());
}

CSyPath CSyPath::head(std::size_t count) const
{
    CSyPath result = *this;
    result.truncate(std::max<std::size_t>(1, std::min(count, size())));
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
    appendPart(component.getText().data(), component.getText().size(), component.getType());
}

void CSyPath::pop_back()
{
    if (m_parts.size() > 1)
        truncate(m_parts.size() - 1);
}

void CSyPath::appendComponent(const iastring& text)
{
    push_back(CSyPathComponent(text, isEmpty()));
}

void CSyPath::append(const CSyPath& path)
{
    appendPartsOf(path, path.relativeStart());
}

bool CSyPath::isRoot() const
{
    const CSyPathComponent::eType type = significantPrefixType();
    return (CSyPathComponent::isAbsolutePrefix(type) || type == CSyPathComponent::ROOT) && !hasRelativePart();
}

bool CSyPath::hasFileComponent() const
{
    return hasRelativePart() && CSyPathComponent::isNameLike(m_parts.back().type);
}

bool CSyPath::needsClosingSeparator() const
{
    // A bare drive or share still names a directory: C:/, \\srv\share\.
    return isAbsolute() && !hasRelativePart();
}

iastring CSyPath::toString() const
{
    if (!needsClosingSeparator())
        return m_text;
    iastring text;
    text.reserve(m_text.size() + 1);
    text = m_text;
    text += L'/';
    return text;
}

iastring CSyPath::toOSString() const
{
    iastring text;
    text.reserve(m_text.size() + 1);
    text = m_text;
    if (needsClosingSeparator())
        text += L'\\';
    // A slash is a separator, the root, or within a volume name: no other component holds one.
    for (std::size_t i = 0; i < m_parts.size(); ++i)
    {
        const CPart& part = m_parts[i];
        if (part.type == CSyPathComponent::ROOT || part.type == CSyPathComponent::VOLUME_PREFIX)
            std::replace(text.begin() + part.offset, text.begin() + part.offset + part.length, L'/', L'\\');
        if (i + 1 < m_parts.size() && CSyPathComponent::takesSeparator(part.type))
            text[part.offset + part.length] = L'\\';
    }
    return text;
}

iastring CSyPath::getPrefix() const
{
    return textAt(significantPrefixIndex());
}

void CSyPath::normalize()
{
    const std::size_t start = relativeStart();
    CSyPath result = head(start);
    for (std::size_t i = start; i < m_parts.size(); ++i)
    {
        const CPart& part = m_parts[i];
        if (part.type == CSyPathComponent::CURRENT_DIR)
            continue;
        if (part.type == CSyPathComponent::PARENT_DIR)
        {
            // Never above the prefix, server or share.
            if (result.size() > start)
                result.truncate(result.size() - 1);
            continue;
        }
        result.appendPart(m_text.data() + part.offset, part.length, part.type);
    }
    *this = std::move(result);
}

void CSyPath::removeLongForm()
{
    const CSyPathComponent::eType type = m_parts[0].type;
    if (type == CSyPathComponent::LONG_PREFIX)
    {
        const CSyPathComponent empty = CSyPathComponent::prefix(CSyPathComponent::EMPTY_PREFIX);
        splice(0, 1, size() == 1 ? &empty : nullptr);
    }
    else if (type == CSyPathComponent::LONG_UNC_PREFIX)
    {
        const CSyPathComponent unc = CSyPathComponent::prefix(CSyPathComponent::UNC_PREFIX);
        splice(0, 1, &unc);
    }
}

void CSyPath::addLongForm()
{
    const CSyPathComponent::eType type = m_parts[0].type;
    if (CSyPathComponent::isLongFormPrefix(type))
        return;
    if (type == CSyPathComponent::UNC_PREFIX)
    {
        const CSyPathComponent longUnc = CSyPathComponent::prefix(CSyPathComponent::LONG_UNC_PREFIX);
        splice(0, 1, &longUnc);
    }
    else
    {
        const CSyPathComponent longPrefix = CSyPathComponent::prefix(CSyPathComponent::LONG_PREFIX);
        splice(0, 0, &longPrefix);
    }
}

bool CSyPath::canResolveHomeIndicator() const
{
    SY_TRACE_FUNCTION(L"CSyPath::canResolveHomeIndicator()");
    const std::size_t prefix = significantPrefixIndex();
    if (m_parts[prefix].type != CSyPathComponent::HOME)
        return true;
    try
    {
        CUseTypeMapping quiet(&syslib::logBook(), CMessage::LOG_ERROR, CMessage::LOG_INFO);
        return !getHomeDirectory(textAt(prefix).substr(1)).isEmpty();
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
    switch (m_parts[prefix].type)
    {
    case CSyPathComponent::HOME:
        result = getHomeDirectory(textAt(prefix).substr(1));
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
    result.appendPartsOf(*this, prefix + 1);
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
    if (size() != canonical.size())
        return false;
    for (std::size_t i = 0; i < size(); ++i)
        if (!equalAt(i, canonical, i))
            return false;
    return true;
}

bool CSyPath::isPrefixOf(const CSyPath& other) const
{
    const CSyPath mine = getCanonicalPathImpl();
    const CSyPath theirs = other.getCanonicalPathImpl();
    if (mine.size() > theirs.size())
        return false;
    for (std::size_t i = 0; i < mine.size(); ++i)
        if (!mine.equalAt(i, theirs, i))
            return false;
    return true;
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
