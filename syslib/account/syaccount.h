// Accounts as the other subsystems see them. The account manager that hands them out comes later and
// adds its operations after these; until then no library code creates one.
#pragma once

#include "syslib/common/sygeneric.h"

class ISyAccount : public ISyGeneric
{
public:
    // The SID in its S-1-… text form.
    virtual iastring getSID() = 0;
    virtual iastring getName() = 0;
    virtual iastring getDomain() = 0;
};

class ISyUser : public ISyAccount
{
};

class ISyGroup : public ISyAccount
{
};

typedef IaPtr<ISyAccount> PSyAccount;
typedef IaPtr<ISyUser> PSyUser;
typedef IaPtr<ISyGroup> PSyGroup;
