// Directories as nodes: listing, lookup, sizes, and copying and removing whole trees.
#pragma once

#include "sydirectory.h"
#include "synodeimpl.h"

#include <set>

namespace syslib
{
namespace filesystem
{
class CSyTreeCopy;
} // namespace filesystem
} // namespace syslib

// A folder a tree copy has just made: nothing is in it but what the copy puts there, so a probe of a new
// name there finds nothing. A name could still meet an earlier one by another spelling: in another case,
// without trailing dots or blanks, or as the short name the folder generated for an earlier one (such a
// name holds a '~' or is the upper case of its long name). Those, non-ASCII names (cases folded by the
// volume's own table) and wildcards are asked for.
class CSyFreshFolder
{
public:
    explicit CSyFreshFolder(bool fresh) : m_fresh(fresh), m_missing(CSyPath::missingEntry()) {}

    // Whether name cannot meet a name put into the folder before (in this folder or not); it counts as
    // taken from now on.
    bool unambiguous(const iastring& name);
    // What a probe of a name would find, or null when it has to ask.
    const CSyKnownNode* knownFor(bool unambiguous) const { return m_fresh && unambiguous ? &m_missing : nullptr; }
    const CSyKnownNode* known(const iastring& name) { return knownFor(unambiguous(name)); }

private:
    bool m_fresh;
    const CSyKnownNode m_missing;
    std::set<iastring> m_taken;
};

class CSyDirectoryImpl : public CSyNodeImpl
{
public:
    explicit CSyDirectoryImpl(const CSyPath& path) : CSyNodeImpl(path, ISyNode::DIRECTORY) {}

    // Copies the content into target (created with MISSING when absent); the observer gets a heading and
    // one line a child. A child whose target is a node of the other kind (file against directory) is left
    // out and the copy goes on; such a copy ends with "syslib.filesystem.treeCopyIncomplete", ESyFileWrite.
    bool copy(const CSyPath& target, ISyNode::CopyMoveMode_t mode, ISyProgressObserver* observer) override;
    // Depth first; a junction or mounted folder is removed without touching what it points to. Files in use
    // are left for deletion at the next restart, and so are the folders that hold them; the removal then
    // ends with the warning "syslib.filesystem.removalCompletesAtRestart".
    void remove() override;
    void removeTree(CSyTreeRemoval& removal);
    bool decideIfMoveCopyNode(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode,
                              bool& existingTarget) override;
    // A target inside this directory is refused; onto a directory that is there, the mode decides as for
    // a file that is there (EXISTING, IF_NEWER or IF_HIGHER_VERSION move the content in).
    CopyMoveDestinationInfo prepareMove(const CSyPath& target, ISyNode::CopyMoveMode_t mode,
                                        bool& decision) override;

    // skipReparsePoints: leave out junctions and mounted folders (the copy and the sizes do, the removal not).
    virtual PSyNodeIterator getChildNodes(const iastring& pattern, bool skipReparsePoints);
    // name: one component without wildcards. Missing: "syslib.filesystem.nodeDoesNotExist", ESyFileNotFound.
    virtual PSyNode getChildNode(const iastring& name, bool skipReparsePoints);
    virtual bool isEmpty();
    // The bytes of every file below, reparse points not followed.
    virtual PSySize getTotalSize();

protected:
    void moveDecided(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode) override;

private:
    void moveContentInto(const CSyPath& target, ISyNode::CopyMoveMode_t mode);
    double totalBytes();
    // The copy of this directory and everything below; conflicts counts the children left out.
    // facts: what the parent's walk knows about target (null for the directory the caller copies).
    bool copyTree(const CSyPath& target, ISyNode::CopyMoveMode_t mode, ISyProgressObserver* observer,
                  CSyPath& resolvedTarget, int& conflicts, const CSyCopyFacts* facts,
                  syslib::filesystem::CSyTreeCopy& tree);
    // One child of a tree copy into target, its copy's own place.
    void copyChild(const PSyNode& child, const CSyPath& target, ISyNode::CopyMoveMode_t mode,
                   ISyProgressObserver* observer, CSyFreshFolder& fresh, bool targetIsLongForm, int& conflicts,
                   syslib::filesystem::CSyTreeCopy& tree);
};

class CSyDirectory : public CSyNodeHandle<ISyDirectory, CSyDirectoryImpl>
{
public:
    explicit CSyDirectory(const CSyPath& path) : CSyNodeHandle(path) {}

    PSyNodeIterator getChildNodes(const iastring& pattern, bool flag) override
    {
        return SY_FORWARD(m_impl.getChildNodes(pattern, flag));
    }
    PSyNode getChildNode(const iastring& name, bool flag) override
    {
        return SY_FORWARD(m_impl.getChildNode(name, flag));
    }
    bool isEmpty() override { return SY_FORWARD(m_impl.isEmpty()); }
    PSySize getTotalSize() override { return SY_FORWARD(m_impl.getTotalSize()); }
};
