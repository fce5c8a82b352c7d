// The account interfaces by name only, for headers that pass them around without calling them.
#pragma once

#include "framework/iaiter.h"

class ISyAccount;
class ISyUser;
class ISyGroup;
typedef IaPtr<ISyAccount> PSyAccount;
typedef IaPtr<ISyUser> PSyUser;
typedef IaPtr<ISyGroup> PSyGroup;
typedef IIaPIterGeneric<PSyAccount> ISyAccountIterator;
typedef IaPtr<ISyAccountIterator> PSyAccountIterator;
