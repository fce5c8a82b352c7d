// The file-system manager's interface, as the factory hands it out.
#pragma once

#include "synode.h"
#include "sysize.h"
#include "syfspath.h"
#include "syslib/common/sygeneric.h"

class ISyFileSystemMgt : public ISyGeneric
{
public:
    // Parses text with either separator; a forbidden character throws ESyForbiddenCharInPath.
    virtual PSyFSPath getFSPath(const iastring& text) = 0;
    // The object for an existing node (a file, a directory, ...); nothing there throws ESyFileNotFound.
    virtual PSyNode getNode(const PSyFSPath& path) = 0;
    // False for an empty text, a text that does not parse and an unresolvable home indicator; logs no error.
    virtual bool isValidPath(iastring text) = 0;
    // The operating-system form of the canonical path (consults the file system).
    virtual iastring convertToOSPath(iastring const& pathName) const = 0;
    // A new size of floor(bytes); a negative value throws ESyPrecondition.
    virtual PSySize getSize(double bytes) = 0;
};
