// The access-control list of one securable object. Its operations come with the access-control
// work; until then nodes only name the type in their access-rights operations.
#pragma once

#include "syslib/common/sygeneric.h"

class ISyACL : public ISyGeneric
{
};
typedef IaPtr<ISyACL> PSyACL;

class ISyAccount;
typedef IaPtr<ISyAccount> PSyAccount;

// The caller's handler of errors that a long operation may skip; declared for the signatures only.
class ISyErrorHandler;
