// The account manager's interface, as the factory hands it out.
#pragma once

#include "syaclexpression.h"
#include "syslib/common/sygeneric.h"

class ISyAccountMgt : public ISyGeneric
{
public:
    // Parses an access-rights expression and gives each entry's masks for objects of objectType;
    // a syntax error throws one of the CSySecurityParser exceptions.
    virtual PSyACLExpression parseACLExpression(const iastring& expression, SecurableObjectType objectType) = 0;
};
