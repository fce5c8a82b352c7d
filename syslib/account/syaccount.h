// Accounts as the other subsystems see them: a user or a group of the system, found through the
// account manager.
#pragma once

#include "syslib/common/sygeneric.h"

class ISyAccount : public ISyGeneric
{
public:
    // The ISyAccountMgt::eAccountType bits: kind and scope.
    virtual int getType() = 0;
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
