// The rights letters of access-rights texts and the kinds of object that carry an ACL.
#pragma once

#include "syslib/common/syexport.h"
#include "syslib/common/sygeneric.h"

#include <ostream>

enum SecurableObjectType
{
    COMPATIBLE_FILE = 0,
    FILESYSTEM = 1,
    REGISTRY_KEY = 2,
    SERVICE = 3
};

SYSLIB_API std::wostream& operator<<(std::wostream& os, SecurableObjectType value);

// Rights as the engine writes them: one letter a right, "!" before the denied ones.
class ISyACLRight : public ISyGeneric
{
public:
    ISyACLRight() = default;
    ISyACLRight(const ISyACLRight&) = default;
    ISyACLRight& operator=(const ISyACLRight&) = default;

    SYSLIB_API static const iastring& getREAD();
    SYSLIB_API static const iastring& getWRITE();
    SYSLIB_API static const iastring& getEXECUTE();
    SYSLIB_API static const iastring& getSWITCHUID();
    SYSLIB_API static const iastring& getSWITCHGID();
    SYSLIB_API static const iastring& getSTICKY();
    SYSLIB_API static const iastring& getOWNER();
    SYSLIB_API static const iastring& getGROUP();
    SYSLIB_API static const iastring& getDENYOP();
    SYSLIB_API static const iastring& getRIGHTS();

    // True when every character is one of getRIGHTS(); the empty text is valid.
    SYSLIB_API static bool isValid(const iastring& rights);
};
