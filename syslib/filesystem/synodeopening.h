// One opening of an existing node that several steps of an operation share, so that each step does not
// open the node again: a copy over an existing file learns the file's long form through it, resets the
// attributes before CopyFileW and sets the times after it. Portable declaration; the Windows code is in
// synxcnodeopen.cpp.
#pragma once

#include "framework/iastring.h"

struct __utimbuf64;

namespace syslib
{
namespace filesystem
{
// Every step answers false when the system refuses it, and the opening is then closed: the caller takes
// the plain calls, which report the failure as they always do.
class CSyNodeOpening
{
public:
    CSyNodeOpening() = default;
    ~CSyNodeOpening() { close(); }
    CSyNodeOpening(const CSyNodeOpening&) = delete;
    CSyNodeOpening& operator=(const CSyNodeOpening&) = delete;

    // For the attributes alone, sharing everything: such an opening does not stand in the way of a copy
    // that overwrites the file in place. A directory or a reparse point is left alone (what the plain
    // calls do to a link differs by call).
    bool openAttributes(const iastring& osPath);
    // Read and write, sharing both, as _utime64 opens a file (a reader that does not share writing stands
    // in the way, as it would of a runtime library setting the times).
    bool openAsUtime(const iastring& osPath);
    // Takes over an open HANDLE, which an attribute-only opening of an ordinary file gave.
    void adopt(void* handle);
    bool isOpen() const { return m_handle != nullptr; }
    // The node's attributes, as the opening found them or asked through it; false when it cannot tell.
    bool readAttributes(unsigned long& attributes);
    void* handle() const { return m_handle; }

    // FILE_ATTRIBUTE_NORMAL, as SetFileAttributesW sets it.
    bool setNormalAttributes();
    // FILE_ATTRIBUTE_NORMAL and the access and modification times, in one call; the times are whole
    // seconds, as the node's time stamps read them. Closes the opening.
    bool setNormalAttributesAndTimes(const __utimbuf64& times);
    void close();

private:
    void* m_handle = nullptr; // the node's HANDLE; null when not open
    unsigned long m_attributes = 0; // 0: not known yet (a file always has one bit at least)
};
} // namespace filesystem
} // namespace syslib
