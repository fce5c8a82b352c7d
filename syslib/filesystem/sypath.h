// The library's path value: a prefix component followed by typed components. Exported, because a user's home
// directory is handed out and taken as one (ISyUser); everything else takes paths as ISyFSPath.
#pragma once

#include "framework/iastring.h"
#include "syslib/common/syexport.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class SYSLIB_API CSyPathComponent
{
public:
    // The numbering is fixed: callers test ranges of it.
    enum eType
    {
        EMPTY_PREFIX = 0,
        NAME = 1,
        ROOT = 2,
        HOME = 3,
        CURRENT_DIR = 4,
        PARENT_DIR = 5,
        DRIVE = 6,
        UNC_PREFIX = 7,
        LONG_PREFIX = 8,
        LONG_UNC_PREFIX = 9,
        VOLUME_PREFIX = 10
    };

    // Classifies text (some types are recognised only in the first position) and checks it for
    // forbidden characters: logs "syslib.filesystem.badCharacterInPathComponent" and throws
    // ESyForbiddenCharInPath on a hit.
    CSyPathComponent(iastring text, bool firstPosition);
    // A prefix of the given type with its fixed text (not for DRIVE, HOME and VOLUME_PREFIX).
    static CSyPathComponent prefix(eType type);

    const iastring& getText() const { return m_text; }
    eType getType() const { return m_type; }
    bool operator==(const CSyPathComponent& other) const
    {
        return m_type == other.m_type && m_text == other.m_text;
    }
    bool operator!=(const CSyPathComponent& other) const { return !(*this == other); }

    static eType classify(const iastring& text, bool firstPosition);
    static eType classify(const iachar* text, std::size_t length, bool firstPosition);
    // The first forbidden character of text for a component of this type, or 0.
    static iachar findForbiddenChar(const iastring& text, eType type);
    static iachar findForbiddenChar(const iachar* text, std::size_t length, eType type);
    static const wchar_t* typeName(eType type);

    static bool isPrefixType(eType type) { return type != NAME && type != CURRENT_DIR && type != PARENT_DIR; }
    static bool isAbsolutePrefix(eType type)
    {
        return type == DRIVE || type == UNC_PREFIX || type == LONG_UNC_PREFIX || type == VOLUME_PREFIX;
    }
    static bool isLongFormPrefix(eType type)
    {
        return type == LONG_PREFIX || type == LONG_UNC_PREFIX || type == VOLUME_PREFIX;
    }
    static bool takesSeparator(eType type)
    {
        return type == NAME || type == HOME || type == CURRENT_DIR || type == PARENT_DIR || type == DRIVE ||
               type == VOLUME_PREFIX;
    }
    static bool isNameLike(eType type) { return type == NAME || type == HOME; }

private:
    friend class CSyPath;
    CSyPathComponent(eType type, iastring text) : m_text(std::move(text)), m_type(type) {}
    // classify, then the forbidden-character check with its report and exception.
    static eType checkedType(const iachar* text, std::size_t length, bool firstPosition);

    iastring m_text;
    eType m_type;
};

namespace syslib
{
namespace filesystem
{
class CSyNodeOpening;
} // namespace filesystem
} // namespace syslib

// What an operation has learnt about a path it is about to canonicalise: that its parent is canonical,
// present and its own long form, and that a probe of the path itself found nothing there (the OS error of
// that probe). Canonicalisation then writes what it would write and asks the file system nothing.
struct CSyMissingChild
{
    unsigned long probeError;
};

// What a directory listing, or an earlier step of the same operation, found at a path: present with
// these attributes, or nothing there with the OS error a probe of the path gets. A probe given such
// facts answers from them, with the trace it writes when it asks.
struct CSyKnownNode
{
    bool present;
    unsigned long attributes;
    unsigned long error;
};

class SYSLIB_API CSyPath
{
public:
    // The empty path: EMPTY_PREFIX alone.
    CSyPath();
    // Parses text with either separator. A forbidden character is logged and thrown as
    // ESyForbiddenCharInPath; nothing else is thrown for any text.
    explicit CSyPath(const iastring& text);

    // True when text parses; parse errors are logged as warnings only. result (may be null) receives the path.
    static bool canCreatePath(const iastring& text, CSyPath* result = nullptr);

    std::size_t size() const { return m_parts.size(); }
    // A component as a value of its own: the path holds the texts of all its components in one string.
    CSyPathComponent operator[](std::size_t index) const
    {
        return CSyPathComponent(m_parts[index].type, textAt(index));
    }
    CSyPathComponent back() const { return (*this)[size() - 1]; }
    CSyPathComponent::eType typeAt(std::size_t index) const { return m_parts[index].type; }
    iastring textAt(std::size_t index) const { return m_text.substr(m_parts[index].offset, m_parts[index].length); }
    bool operator==(const CSyPath& other) const;
    bool operator!=(const CSyPath& other) const { return !(*this == other); }

    // The prefix that counts: the drive of a long-form drive path, else the first component.
    std::size_t significantPrefixIndex() const;
    CSyPathComponent::eType significantPrefixType() const { return m_parts[significantPrefixIndex()].type; }
    // Index of the first component after the prefix (and after server and share of UNC paths).
    std::size_t relativeStart() const;
    bool hasRelativePart() const { return relativeStart() < size(); }
    // The first count components (at least the prefix).
    CSyPath head(std::size_t count) const;

    // Refuses prefix components: logs "syslib.filesystem.cannotAppendPrefixComponent", throws ESyCannotAppendPrefix.
    void push_back(const CSyPathComponent& component);
    void pop_back();
    // Classified as a first component when this path is empty.
    void appendComponent(const iastring& text);
    // Appends the relative part of path.
    void append(const CSyPath& path);

    bool isEmpty() const { return size() == 1 && m_parts[0].type == CSyPathComponent::EMPTY_PREFIX; }
    bool isAbsolute() const { return CSyPathComponent::isAbsolutePrefix(significantPrefixType()); }
    bool isRoot() const;
    bool hasFileComponent() const;
    bool hasLongFormPrefix() const { return CSyPathComponent::isLongFormPrefix(m_parts[0].type); }

    iastring toString() const;
    iastring toOSString() const;
    iastring getPrefix() const;

    // Drops "." and resolves ".." without climbing above the prefix, server or share.
    void normalize();
    void removeLongForm();
    void addLongForm();

    bool canResolveHomeIndicator() const;
    CSyPath getAbsolutePath() const;
    CSyPath getCanonicalPathImpl() const;
    // The same for a path the caller has probed; falls back to asking when the facts do not settle the
    // answer exactly.
    CSyPath getCanonicalPathImpl(const CSyMissingChild& known) const;
    // The same for a path that came out of canonicalisation before (a node's own path): while it names
    // something, it is its own canonical form, which one attribute probe confirms (names renamed since to
    // another case aside). Otherwise, or when that cannot be told from the text, it is asked for anew.
    CSyPath recheckCanonicalPath() const;
    // The same as getCanonicalPathImpl(); when the lookup opened the node itself and found it to be its own
    // long form, keep receives that opening (for the attributes) to go on with.
    CSyPath getCanonicalPathImpl(syslib::filesystem::CSyNodeOpening& keep) const;
    CSyPath resolveShortPathComponents() const;
    // Whether this absolute path is present and its long-name form is this very text (one lookup).
    bool isOwnLongForm() const;
    int getMaxPathLength() const;
    unsigned int getMaxComponentNameLength() const;
    static CSyPath getWorkingDirectory();
    // Empty when the user's home directory is not known.
    static CSyPath getHomeDirectory(const iastring& user);

    // Canonical forms, components compared ignoring case; both consult the file system.
    bool isEqual(const CSyPath& other) const;
    bool isPrefixOf(const CSyPath& other) const;
    // isEqual for two paths that are canonical already: no system call.
    bool isSameCanonicalPath(const CSyPath& canonical) const;

    // What the file system holds at this path: 1 directory, 2 file, 0 undetermined (an unexpected error,
    // logged as a warning when warn is set), NOT_EXISTING when nothing is there.
    static constexpr int NOT_EXISTING = 8;
    int getOSNodeType(bool warn) const;
    // The same, with the OS error of a probe that found nothing (0 otherwise); known (may be null) stands
    // in for asking, except at a root.
    int getOSNodeType(bool warn, unsigned long& error, const CSyKnownNode* known = nullptr) const;
    // What a probe finds for a name that is not in a folder that is there.
    static CSyKnownNode missingEntry();

    // Create exactly this node (parents must exist). Failure: OS error report,
    // "syslib.filesystem.nodeCreationFailed", ESyFileCreate. The new file is empty.
    void createDirectory() const;
    void createFile() const;

    // name = base "." version "." extension, or base "." version, or base "." extension.
    static void splitFileName(const iastring& name, iastring& base, int& version, iastring& extension);

    // Whether GetFullPathNameW and the long-name lookup would give back this text unchanged once it names
    // something present: a drive or UNC path of plain names (text only, no system call).
    bool isPlainCanonicalChild() const;

private:
    // Where a component's text lies in m_text, and its type.
    struct CPart
    {
        std::uint32_t offset;
        std::uint32_t length;
        CSyPathComponent::eType type;
    };

    // The parts in order: the first ones inside the path object, so that a path of common depth needs
    // no allocation for them; those beyond in a vector.
    class CParts
    {
    public:
        std::size_t size() const { return m_size; }
        bool empty() const { return m_size == 0; }
        CPart& operator[](std::size_t index) { return index < inlineCount ? m_inline[index] : m_more[index - inlineCount]; }
        const CPart& operator[](std::size_t index) const
        {
            return index < inlineCount ? m_inline[index] : m_more[index - inlineCount];
        }
        const CPart& back() const { return (*this)[m_size - 1]; }
        void push_back(const CPart& part)
        {
            if (m_size < inlineCount)
                m_inline[m_size] = part;
            else
                m_more.push_back(part);
            ++m_size;
        }
        void reserve(std::size_t count)
        {
            if (count > inlineCount)
                m_more.reserve(count - inlineCount);
        }
        // Only ever shrinks.
        void resize(std::size_t count)
        {
            m_more.resize(count > inlineCount ? count - inlineCount : 0);
            m_size = count;
        }
        void clear() { resize(0); }

    private:
        static constexpr std::size_t inlineCount = 10;
        CPart m_inline[inlineCount];
        std::vector<CPart> m_more;
        std::size_t m_size = 0;
    };

    void parse(const iastring& text);
    void parseRest(const iastring& text, std::size_t start, std::size_t end);
    // Classifies and checks text[start, end) as a component (see CSyPathComponent) and appends it.
    void appendParsed(const iastring& text, std::size_t start, std::size_t end, bool firstPosition);
    void appendPart(const iachar* text, std::size_t length, CSyPathComponent::eType type);
    // Appends the components of path from index from on.
    void appendPartsOf(const CSyPath& path, std::size_t from);
    void truncate(std::size_t count);
    // Puts component (none when null) in place of the components [from, to).
    void splice(std::size_t from, std::size_t to, const CSyPathComponent* component);
    bool equalAt(std::size_t index, const CSyPath& other, std::size_t otherIndex) const;
    bool needsClosingSeparator() const;
    CSyPath canonicalPath(const CSyMissingChild* known, bool wasCanonical = false,
                          syslib::filesystem::CSyNodeOpening* keep = nullptr) const;
    CSyPath resolveShortPathComponents(const CSyMissingChild* known, bool ownLongForm,
                                       syslib::filesystem::CSyNodeOpening* keep) const;
    iastring m_text; // the neutral form without its closing separator: the texts and the separators between
    CParts m_parts;
};

namespace syslib
{
namespace filesystem
{
// Set, paths and copies ask the file system again for what they have learnt another way: the long
// form seen through an opening, a tree walk's listings (tests compare both ways).
bool& carriedFactsDisabled();
} // namespace filesystem
} // namespace syslib
