// Tests of access rights on files share the stand-ins' kept descriptors: each test starts from none and
// leaves none.
#pragma once

#include "standins/common/saregistry.h"
#include "standins/security/safilesec.h"

#include <gtest/gtest.h>

inline void clearStandInSecurity()
{
    standins::deleteMachineKey(standins::securityKey);
}

class CStandInSecurity
{
public:
    CStandInSecurity() { clearStandInSecurity(); }
    ~CStandInSecurity() { clearStandInSecurity(); }
};
