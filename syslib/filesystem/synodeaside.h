// What an operation keeps of the node it replaces until the replacement is in place, so that a failure at
// any step can put the machine back as it was: the node's attributes, and the old file itself, moved aside
// in its own folder. Portable declarations; the Windows code is in synxcaside.cpp.
#pragma once

#include "sypath.h"

namespace syslib
{
namespace filesystem
{
// The attributes of an existing node that an operation resets (read-only, hidden and system refuse a copy
// over the node or its deletion). Unless released, they are put back when the keeper goes.
class CSyKeptAttributes
{
public:
    CSyKeptAttributes() = default;
    ~CSyKeptAttributes() { restore(); }
    CSyKeptAttributes(const CSyKeptAttributes&) = delete;
    CSyKeptAttributes& operator=(const CSyKeptAttributes&) = delete;

    // Reads them (nothing is kept when they cannot be read: then nothing was reset either).
    void keep(const iastring& osPath);
    void keep(const iastring& osPath, unsigned long attributes);
    // The operation went through.
    void release() { m_kept = false; }
    bool isReadOnly() const;
    // A failure is reported as a warning.
    void restore();

private:
    iastring m_osPath;
    unsigned long m_attributes = 0;
    bool m_kept = false;
};

// An existing file moved aside in its folder under a free temporary name ("qelXXXX.tmp", as
// GetTempFileNameW would make it, at any depth). Unless discarded or released, it goes back under its name
// when this object goes.
class CSyAsideFile
{
public:
    explicit CSyAsideFile(const CSyPath& path);
    ~CSyAsideFile();
    CSyAsideFile(const CSyAsideFile&) = delete;
    CSyAsideFile& operator=(const CSyAsideFile&) = delete;

    // "syslib.filesystem.movingFile" (path, temporary), then the move. Returns the OS error, reported
    // (0: moved); after a failure nothing has changed.
    unsigned long moveAside();
    bool isAside() const { return !m_temporary.empty(); }
    const iastring& temporary() const { return m_temporary; }
    // The replacement is in place: the old file is deleted, or, in use, registered for deletion at the next
    // restart. Returns the OS error, reported; the file is then still aside.
    unsigned long discard();
    // The same without trying to delete first: the file is known to be in use.
    unsigned long scheduleDeletion();
    // "syslib.filesystem.restoringFile" (temporary, path): back under its name, which must be free again, with
    // the attributes it had. A failure is logged with both names ("syslib.filesystem.restoreFailed"), so
    // that the file is not lost.
    void restore();

private:
    unsigned long registerAside();
    // The old file is no longer this object's to put back.
    void gone();

    iastring m_osPath;
    iastring m_temporary;
    CSyKeptAttributes m_attributes; // as it was when it went aside
};

// MoveFileExW(from, to, MOVEFILE_WRITE_THROUGH), the failure reported; the OS error (0: moved).
unsigned long moveNode(const iastring& from, const iastring& to);
// Registers osPath for deletion at the next restart ("syslib.filesystem.registeringForDeletion", then
// MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT); the OS error, reported (0: registered).
unsigned long registerForDeletion(const iastring& osPath);
// DeleteFileW of a file this operation made itself, if it is there, to take it back; a failure is traced.
void deleteOwnFile(const iastring& osPath);
// Whether an OS error means that another opening stands in the way.
bool isInUseError(unsigned long error);
} // namespace filesystem
} // namespace syslib
