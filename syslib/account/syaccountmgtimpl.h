// The account manager: lives from its first request until the library is unloaded.
#pragma once

#include "syaccountmgt.h"

class CSyAccountMgtImpl : public CSyGenericImpl
{
};

class CSyAccountMgt : public CSyManagerHandle<ISyAccountMgt, CSyAccountMgtImpl>
{
};
