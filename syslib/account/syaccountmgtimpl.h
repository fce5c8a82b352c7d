// The account manager: lives from its first request until the library is unloaded.
#pragma once

#include "syaccountmgt.h"

class CSyAccountMgtImpl : public CSyGenericImpl
{
public:
    PSyACLExpression parseACLExpression(const iastring& expression, SecurableObjectType objectType);
};

class CSyAccountMgt : public CSyManagerHandle<ISyAccountMgt, CSyAccountMgtImpl>
{
public:
    PSyACLExpression parseACLExpression(const iastring& expression, SecurableObjectType objectType) override
    {
        return SY_FORWARD(m_impl.parseACLExpression(expression, objectType));
    }
};
