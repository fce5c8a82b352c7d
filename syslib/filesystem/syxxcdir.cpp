// Portable code only: directories as nodes, their listing, sizes and tree copy.
#include "sydirectoryimpl.h"
#include "syfileimpl.h"
#include "synodeiteratorimpl.h"
#include "sysizeimpl.h"
#include "sytreecopy.h"

#include "syslib/common/sytrace.h"

#include <exception>

SY_SOURCE_FILE(L"syxxcdir")

namespace
{
// Mode bits without a name: 0x80 belongs to the outermost call only, 0x40 keeps a copy from descending
// into the content of a root directory (a whole drive).
const int outermostCallBit = 0x80;
const int rootGuardBit = 0x40;

const wchar_t* boolText(bool value)
{
    return value ? L"true" : L"false";
}

CSyDirectoryImpl& directoryOf(const PSyNode& node)
{
    return static_cast<CSyDirectory*>(node.get())->impl();
}
} // namespace

bool CSyFreshFolder::unambiguous(const iastring& name)
{
    if (name.empty() || name.back() == L'.' || name.back() == L' ' || name.find_first_of(L"~*?") != iastring::npos)
        return false;
    iastring folded = name;
    for (wchar_t& c : folded)
    {
        if (c > 0x7f)
            return false;
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return m_taken.insert(folded).second;
}

bool CSyDirectoryImpl::decideIfMoveCopyNode(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode,
                                            bool& existingTarget)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyDirectoryImpl::decideIfMoveCopyNode(" + info.m_path.toString() + L", " +
                                     syslib::toString(info.m_realNodeType) + L", " + syslib::toString(mode) + L")"
                               : iastring());
    const iastring source = m_path.toString();
    const iastring target = info.m_path.toString();
    ILogBook& book = syslib::logBook();
    existingTarget = info.m_realNodeType == ISyNode::DIRECTORY;
    if (existingTarget)
    {
        book.trace(L"Destination directory " + target + L" exists. I will move the contents of " + source + L".",
                   __LINE__);
        return true;
    }
    book.trace(L"Destination directory " + target + L" does not exist or is not a directory.", __LINE__);
    if (mode & ISyNode::MISSING)
    {
        book.trace(L"mode & ISyNode::MISSING ==> I will move/copy directory.", __LINE__);
        return true;
    }
    book.trace(L"I will not not copy/move directory " + source + L" to: " + target +
                   L" (target directory not found and mode & ISyNode::MISSING == 0)",
               __LINE__);
    return false;
}

CSyNodeImpl::CopyMoveDestinationInfo CSyDirectoryImpl::prepareMove(const CSyPath& target, ISyNode::CopyMoveMode_t mode,
                                                                   bool& decision)
{
    CopyMoveDestinationInfo info = CSyNodeImpl::prepareMove(target, mode, decision);
    // A rename into itself fails and a copy into itself never ends: refused before anything changes.
    if (m_path.isPrefixOf(info.m_path))
    {
        syslib::reportError(L"syslib.filesystem.targetInsideSource", {m_path.toString(), info.m_path.toString()},
                            __LINE__);
        throw ESyPrecondition();
    }
    // Onto a directory that is there, the mode decides as for a file that is there.
    if (decision && info.m_realNodeType == ISyNode::DIRECTORY &&
        (mode & (ISyNode::EXISTING | ISyNode::IF_NEWER | ISyNode::IF_HIGHER_VERSION)) == 0)
    {
        syslib::logBook().trace(L"I will not copy/move directory " + m_path.toString() + L" to: " +
                                    info.m_path.toString() + L" (target directory exists already, not allowed to "
                                                             L"overwrite)",
                                __LINE__);
        decision = false;
    }
    return info;
}

void CSyDirectoryImpl::moveDecided(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode)
{
    if (info.m_realNodeType == ISyNode::DIRECTORY)
        moveContentInto(info.m_path, mode);
    else
        CSyNodeImpl::moveDecided(info, mode);
}

// Each node moves in as the mode decides for it; nothing of the target goes but the files the mode replaces.
// The directory goes when it is empty then.
void CSyDirectoryImpl::moveContentInto(const CSyPath& target, ISyNode::CopyMoveMode_t mode)
{
    std::vector<PSyNode> children;
    // Listed first: the walk would go on in a folder its entries are leaving. A junction or mounted folder
    // stays: moving content in would take what it points to.
    for (const PSyNodeIterator found = getChildNodes(L"*", true); !found->isDone(); found->next())
        children.push_back(found->get());
    int conflicts = 0;
    for (const PSyNode& child : children)
    {
        CSyPath childTarget = target;
        childTarget.appendComponent(child->getFullNameNoPath());
        const ISyNode::eNodeType childType = child->getNodeType();
        const int there = childTarget.getOSNodeType(true);
        if ((childType == ISyNode::DIRECTORY) != (there == ISyNode::DIRECTORY) && there != CSyPath::NOT_EXISTING &&
            there != ISyNode::NODE)
        {
            syslib::reportError(L"syslib.filesystem.moveTargetKindConflict",
                                {child->getFullName(), childTarget.toString(), syslib::toString(childType),
                                 syslib::toString(static_cast<ISyNode::eNodeType>(there))},
                                __LINE__);
            ++conflicts;
            continue;
        }
        if (childType == ISyNode::DIRECTORY)
            directoryOf(child).move(childTarget, mode);
        else
            static_cast<CSyFile*>(child.get())->impl().move(childTarget, mode);
    }
    if (conflicts != 0)
    {
        syslib::reportError(L"syslib.filesystem.treeMoveIncomplete",
                            {m_path.toString(), target.toString(), syslib::toString(conflicts)}, __LINE__);
        throw ESyFileWrite(target.toString());
    }
    if (isEmpty())
        remove();
    else
        syslib::logBook().trace(L"Directory " + m_path.toString() + L" keeps what the mode did not move.", __LINE__);
}

PSyNodeIterator CSyDirectoryImpl::getChildNodes(const iastring& pattern, bool skipReparsePoints)
{
    SY_TRACE_FUNCTION(L"CSyDirectoryImpl::getChildNodes(iastring,bool)");
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(pattern + L", " + boolText(skipReparsePoints));
    PSyNodeIterator iterator(new CSyNodeIterator(m_path, pattern, skipReparsePoints));
    iterator->first();
    return iterator;
}

PSyNode CSyDirectoryImpl::getChildNode(const iastring& name, bool skipReparsePoints)
{
    const wchar_t* const signature = L"CSyDirectoryImpl::getChildNode(iastring,bool)";
    SY_TRACE_FUNCTION_TEXT(signature);
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(name + L", " + boolText(skipReparsePoints));
    if (name.empty())
        syslib::throwParameterEmpty(L"name", signature, __LINE__);
    // One entry of this directory: wildcards would pick an arbitrary one, separators another directory.
    if (name.find_first_of(L"*?\\/") != iastring::npos || name == L"." || name == L"..")
        syslib::throwParameterNotValid(L"name", signature, __LINE__);
    const PSyNodeIterator children = getChildNodes(name, skipReparsePoints);
    if (children->isDone())
    {
        CSyPath missing = m_path;
        missing.appendComponent(name);
        syslib::reportError(L"syslib.filesystem.nodeDoesNotExist", {missing.toString()}, __LINE__);
        throw ESyFileNotFound(missing.toString());
    }
    return children->get();
}

bool CSyDirectoryImpl::isEmpty()
{
    SY_TRACE_FUNCTION(L"CSyDirectoryImpl::isEmpty()");
    const bool empty = getChildNodes(L"*", false)->isDone();
    SY_TRACE_RETURN(boolText(empty));
    return empty;
}

double CSyDirectoryImpl::totalBytes()
{
    double bytes = 0;
    for (const PSyNodeIterator children = getChildNodes(L"*", true); !children->isDone(); children->next())
    {
        const PSyNode child = children->get();
        if (child->getNodeType() == ISyNode::DIRECTORY)
            bytes += directoryOf(child).totalBytes();
        else if (child->getNodeType() == ISyNode::FILE)
            bytes += child->getSize()->getBytes();
    }
    return bytes;
}

PSySize CSyDirectoryImpl::getTotalSize()
{
    SY_TRACE_FUNCTION(L"CSyDirectoryImpl::getTotalSize()");
    const double bytes = totalBytes();
    SY_TRACE_RETURN(syslib::toStringChecked(bytes));
    return syslib::newSize(bytes);
}

bool CSyDirectoryImpl::copy(const CSyPath& target, ISyNode::CopyMoveMode_t mode, ISyProgressObserver* observer)
{
    CSyPath destination;
    int conflicts = 0;
    bool copied = false;
    {
        syslib::filesystem::CSyTreeCopy tree(syslib::filesystem::treeCopyWorkers(mode), observer);
        copied = copyTree(target, mode, observer, destination, conflicts, nullptr, tree);
    }
    if (conflicts != 0)
    {
        syslib::reportError(L"syslib.filesystem.treeCopyIncomplete",
                            {m_path.toString(), destination.toString(), syslib::toString(conflicts)}, __LINE__);
        throw ESyFileWrite(destination.toString());
    }
    return copied;
}

bool CSyDirectoryImpl::copyTree(const CSyPath& target, ISyNode::CopyMoveMode_t mode, ISyProgressObserver* observer,
                                CSyPath& resolvedTarget, int& conflicts, const CSyCopyFacts* facts,
                                syslib::filesystem::CSyTreeCopy& tree)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyDirectoryImpl::copy(const CSyPath & " + target.toString() +
                                                     L", ISyNode::CopyMoveMode_t " + syslib::toString(mode) +
                                                     L"ISyProgressObserver* )"
                                               : iastring());
    CopyMoveDestinationInfo destination;
    bool targetExists = false;
    const bool copying = prepareAndDecideCopy(target, mode, destination, targetExists, facts);
    resolvedTarget = destination.m_path;
    if (!copying)
        return false;
    // A target inside the source would be copied into itself without end. Below the top, the top's answer
    // holds (a child's target is inside its source only when the top's target is inside the top); what
    // asking would write about a missing target is still written.
    if (facts != nullptr)
    {
        if (facts->targetType == CSyPath::NOT_EXISTING)
            destination.m_path.getCanonicalPathImpl(CSyMissingChild{facts->targetError});
    }
    else if (m_path.isPrefixOf(destination.m_path))
    {
        syslib::reportError(L"syslib.filesystem.targetInsideSource", {m_path.toString(), destination.m_path.toString()},
                            __LINE__);
        throw ESyPrecondition();
    }
    const ISyNode::CopyMoveMode_t childMode = static_cast<ISyNode::CopyMoveMode_t>(mode & ~outermostCallBit);
    bool created = false;
    if (!targetExists && (mode & ISyNode::MISSING))
    {
        if (mode & ISyNode::CREATE_PARENTS)
            syslib::filesystem::createMissingParentDirectories(destination.m_path);
        destination.m_path.createDirectory();
        CSyDirectoryImpl(destination.m_path).setTimeStamp(getTimeStampOnce());
        created = true;
    }
    const iastring sourceName = m_path.toString();
    const iastring targetName = destination.m_path.toString();
    syslib::filesystem::reportMessage(L"syslib.filesystem.copyingDirectory", {sourceName, targetName},
                                      CMessage::LOG_INFO, __LINE__);
    if ((mode & rootGuardBit) && m_path.isRoot())
    {
        syslib::logBook().trace(L"The content of the root directory " + sourceName + L" is not copied.", __LINE__);
        return true;
    }

    const PSyNodeIterator children = getChildNodes(L"*", true);
    const bool carry = !syslib::filesystem::carriedFactsDisabled();
    // The children's targets are this canonical target and a name: when the target is its own long form,
    // a probe that finds nothing there settles a child's canonical form. A folder this copy has just made
    // under such a parent, with a name that comes back unchanged, is one; else one lookup for the folder.
    const bool targetIsLongForm =
        carry && (created && facts != nullptr ? destination.m_path.isPlainCanonicalChild()
                                              : destination.m_path.isOwnLongForm());
    // What this copy put into a folder it made is all there is in it.
    CSyFreshFolder fresh(carry && created);
    if (observer != nullptr)
        tree.heading(L"Copying files from " + sourceName + L" to " + targetName);
    // Files may still be on the way while the walk goes on: what the walk catches here, or learns here of a
    // file before, is thrown from here, as if the walk had stopped at the first file that failed.
    try
    {
        for (; !children->isDone(); children->next())
        {
            tree.settle();
            copyChild(children->get(), destination.m_path, childMode, observer, fresh, targetIsLongForm, conflicts,
                      tree);
            tree.endOfChild();
        }
        tree.drain();
    }
    catch (...)
    {
        std::rethrow_exception(tree.failure(std::current_exception()));
    }
    return true;
}

void CSyDirectoryImpl::copyChild(const PSyNode& child, const CSyPath& target, ISyNode::CopyMoveMode_t mode,
                                 ISyProgressObserver* observer, CSyFreshFolder& fresh, bool targetIsLongForm,
                                 int& conflicts, syslib::filesystem::CSyTreeCopy& tree)
{
    const iastring name = child->getFullNameNoPath();
    if (observer != nullptr)
        tree.progress(L"copying " + name);
    CSyPath childTarget = target;
    childTarget.appendComponent(name);
    // A caller's copy onto a directory means "into it"; here the child's target is its own place in the
    // copy, and a node of the other kind there is in the way.
    const ISyNode::eNodeType childType = child->getNodeType();
    const bool unambiguous = fresh.unambiguous(name);
    // A name that may be another spelling of a file on the way is probed once that file is there.
    if (!unambiguous)
        tree.drain();
    unsigned long probeError = 0;
    const int there = childTarget.getOSNodeType(true, probeError, fresh.knownFor(unambiguous));
    const CSyCopyFacts childFacts{there, probeError};
    const CSyCopyFacts* known = targetIsLongForm ? &childFacts : nullptr;
    if ((childType == ISyNode::DIRECTORY) != (there == ISyNode::DIRECTORY) && there != CSyPath::NOT_EXISTING &&
        there != ISyNode::NODE)
    {
        syslib::filesystem::reportMessage(L"syslib.filesystem.copyTargetKindConflict",
                                          {child->getFullName(), childTarget.toString(), syslib::toString(childType),
                                           syslib::toString(static_cast<ISyNode::eNodeType>(there))},
                                          CMessage::LOG_ERROR, __LINE__);
        ++conflicts;
        return;
    }
    if (childType == ISyNode::DIRECTORY)
    {
        // A folder is made, and its walk starts, with every file before it in place.
        tree.drain();
        CSyPath ignored;
        directoryOf(child).copyTree(childTarget, mode, observer, ignored, conflicts, known, tree);
    }
    else // the walk yields files and directories only
        static_cast<CSyFile*>(child.get())->impl().copyKnown(childTarget, mode, known, &tree);
}
