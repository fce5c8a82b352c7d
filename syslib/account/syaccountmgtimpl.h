// The account manager: lives from its first request until the library is unloaded.
#pragma once

#include "syaccountmgt.h"

class CSyAccountMgtImpl : public CSyGenericImpl
{
public:
    // Longer than 2 characters, "S-" in any case, then a digit.
    static bool isAccountId(const iastring& text);

    iastring getEveryoneSID();
    iastring getAdministratorsSID();
    iastring getLocalSystemSID();
    PSyAccount getAccount(ISyAccountMgt::eAccountType type, const iastring& sNameOrSID);
    bool isExisting(ISyAccountMgt::eAccountType type, const iastring& sNameOrSID);
    PSyUser getUser(const iastring& sNameOrSID);
    PSyGroup getGroup(const iastring& sNameOrSID);
    PSyUser createUser(const CUserData& data, ISyProgressObserver* observer);
    PSyGroup createGroup(const iastring& sName, const iastring& sSID, ISyProgressObserver* observer);
    PSyACL getACL(SecurableObjectType objectType);
    iastring mapAccountName(const iastring& name);
    PSyACLExpression parseACLExpression(const iastring& expression, SecurableObjectType objectType);
    PSyAccountIterator getAccounts(ISyAccountMgt::eAccountType type, const iastring& sPattern, bool bCaseSensitive);
};

class CSyAccountMgt : public CSyManagerHandle<ISyAccountMgt, CSyAccountMgtImpl>
{
public:
    iastring getEveryoneSID() override { return SY_FORWARD(m_impl.getEveryoneSID()); }
    iastring getAdministratorsSID() override { return SY_FORWARD(m_impl.getAdministratorsSID()); }
    iastring getLocalSystemSID() override { return SY_FORWARD(m_impl.getLocalSystemSID()); }
    PSyAccount getAccount(eAccountType type, const iastring& sNameOrSID) override
    {
        return SY_FORWARD(m_impl.getAccount(type, sNameOrSID));
    }
    bool isExisting(eAccountType type, const iastring& sNameOrSID) override
    {
        return SY_FORWARD(m_impl.isExisting(type, sNameOrSID));
    }
    PSyUser getUser(const iastring& sNameOrSID) override { return SY_FORWARD(m_impl.getUser(sNameOrSID)); }
    PSyGroup getGroup(const iastring& sNameOrSID) override { return SY_FORWARD(m_impl.getGroup(sNameOrSID)); }
    PSyUser createUser(const CUserData& data, ISyProgressObserver* observer) override
    {
        return SY_FORWARD(m_impl.createUser(data, observer));
    }
    PSyUser createUser(const CUserData& data) override { return SY_FORWARD(m_impl.createUser(data, nullptr)); }
    PSyGroup createGroup(const iastring& sName, const iastring& sSID, ISyProgressObserver* observer) override
    {
        return SY_FORWARD(m_impl.createGroup(sName, sSID, observer));
    }
    PSyGroup createGroup(const iastring& sName, const iastring& sSID) override
    {
        return SY_FORWARD(m_impl.createGroup(sName, sSID, nullptr));
    }
    PSyACL getACL(SecurableObjectType objectType) override { return SY_FORWARD(m_impl.getACL(objectType)); }
    PSyACL getACL() override { return SY_FORWARD(m_impl.getACL(FILESYSTEM)); }
    iastring mapAccountName(const iastring& name) override { return SY_FORWARD(m_impl.mapAccountName(name)); }
    PSyACLExpression parseACLExpression(const iastring& expression, SecurableObjectType objectType) override
    {
        return SY_FORWARD(m_impl.parseACLExpression(expression, objectType));
    }
    PSyAccountIterator getAccounts(eAccountType type, const iastring& sPattern, bool bCaseSensitive) override
    {
        return SY_FORWARD(m_impl.getAccounts(type, sPattern, bCaseSensitive));
    }
};
