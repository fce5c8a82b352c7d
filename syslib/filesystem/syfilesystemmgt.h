// The file-system manager's interface, as the factory hands it out.
#pragma once

#include "sydirectory.h"
#include "syfile.h"
#include "syfsmount.h"
#include "syfsexport.h"
#include "syfspath.h"
#include "sysize.h"
#include "syslib/common/sygeneric.h"

class ISyFileSystemMgt : public ISyGeneric
{
public:
    // Parses text with either separator; a forbidden character throws ESyForbiddenCharInPath.
    virtual PSyFSPath getFSPath(const iastring& text) = 0;
    // The object for what exists at path (directory, file or special file); nothing there throws
    // ESyFileNotFound.
    virtual PSyNode getNode(const PSyFSPath& path) = 0;
    // As getNode, for a path that must name a directory (a file, or a directory) respectively.
    virtual PSyDirectory getDirectory(const PSyFSPath& path) = 0;
    virtual PSyFile getFile(const PSyFSPath& path) = 0;
    // Links are not supported on this platform: both throw ESyPrecondition(FUNCTION_NOT_SUPPORTED).
    virtual PSyNode getLink(const PSyFSPath& path) = 0;
    // Creates the missing parents too; something already there throws ESyFileCreate.
    virtual PSyDirectory createDirectory(const PSyFSPath& path) = 0;
    // The parent must exist; something already there throws ESyFileCreate.
    virtual PSyFile createFile(const PSyFSPath& path) = 0;
    virtual PSyNode createLink(const PSyFSPath& path, const PSyNode& target) = 0;
    // The volume that holds path; a path on no drive throws ESyFileNotFound.
    virtual PSyFSMount getFSMount(const PSyFSPath& path) = 0;
    // Every mount of the machine: drives, and the volumes mounted into their directories.
    virtual PSyFSMountIterator getFSMounts() = 0;
    // onlyKnownTypes leaves out drives and mounts that are not fixed, remote or CD-ROM; failures of the walk
    // are offered to errorHandler (may be null) before they are thrown.
    virtual PSyFSMountIterator getFSMounts(bool onlyKnownTypes, ISyErrorHandler* errorHandler) = 0;
    // selection: ISyFSMount::SELECT_ALL, or SELECT_MOUNTED for only what is mounted now.
    virtual PSyFSMountIterator getFSMounts(bool onlyKnownTypes, int selection, ISyErrorHandler* errorHandler) = 0;
    // The share of that name; none throws ESyFileNotFound.
    virtual PSyFSExport getFSExport(iastring shareName) = 0;
    // Positioned on the first disk share.
    virtual PSyFSExportIterator getFSExports() = 0;
    // An export object for a directory, not shared yet.
    virtual PSyFSExport createFSExport(const PSyFSPath& path, iastring shareName, iastring description,
                                       ISyFSExport::eExportOption option) = 0;
    // A new size of floor(bytes); a negative value throws ESyPrecondition.
    virtual PSySize getSize(double bytes) = 0;
    // NODE: anything is there; otherwise exactly that kind. LINK throws ESyPrecondition.
    virtual bool isExisting(const PSyFSPath& path, ISyNode::eNodeType type) = 0;
    // False for an empty text, a text that does not parse and an unresolvable home indicator; logs no error.
    virtual bool isValidPath(iastring text) = 0;
    // The operating-system form of the canonical path (consults the file system).
    virtual iastring convertToOSPath(iastring const& pathName) const = 0;
    // How many files a directory copy copies at once, for the whole process: 0 (the default) lets the
    // library choose, 1 copies one file at a time on the calling thread, a larger count is taken up to a
    // cap. The log and the progress texts are those of one file at a time whatever the count. Copies that
    // use the setup services or replace files in use always go one at a time. Negative: ESyPrecondition.
    virtual void setTreeCopyWorkers(int workers) = 0;
    // The number of files a plain directory copy copies at once now.
    virtual int getTreeCopyWorkers() const = 0;
};
