// The access-control list implementation and its handle.
#pragma once

#include "syaccount.h"
#include "syacl.h"
#include "sysecuritydesc.h"

class CSyACLImpl : public CSyGenericImpl
{
public:
    CSyACLImpl(SecurableObjectType objectType, const iastring& objectName,
               const SySecurityImpl::CSySecurityDesc& descriptor = SySecurityImpl::CSySecurityDesc());

    virtual iastring getOwnerId() const;
    virtual PSyAccount getOwner() const;
    virtual void setOwner(const PSyAccount& pOwner);
    virtual iastring getGroupId() const;
    virtual PSyAccount getGroup() const;
    virtual void setGroup(const PSyAccount& sypGroup);
    virtual iastring getRight(const PSyAccount& pAccount) const;
    virtual void setRight(const PSyAccount& pAccount, const iastring& sRight);
    virtual void addRight(const PSyAccount& pAccount, const iastring& sRight);
    virtual void removeRight(const PSyAccount& pAccount, const iastring& sRight);
    virtual void modifyRights(const iastring& sExpression, SecurableObjectType objectType);
    virtual iastring toString(SecurableObjectType objectType) const;
    virtual void deleteEntry(const PSyAccount& pAccount);
    virtual const SySecurityImpl::CSySecurityDesc& securityDesc() const { return m_descriptor; }
    virtual void chmod(ISyACL::Permissions_t mode);
    virtual SecurableObjectType objectType() const { return m_objectType; }
    // Whether setOwner or an expression named an owner: only then is the owner written back.
    virtual bool ownerChanged() const { return m_ownerChanged; }
    // The same for the primary group ("g").
    virtual bool groupChanged() const { return m_groupChanged; }
    virtual iastring dumpNative() const;

    // The implementation behind an ACL handed out by this library; an empty pointer or a foreign object is
    // "common.parameterNotValid" with "acl".
    static const CSyACLImpl& implOf(const PSyACL& acl, const iastring& signature);

private:
    // Common part of setRight, addRight and removeRight.
    void editRight(const PSyAccount& pAccount, const iastring& sRight,
                   SyAclStrings::CSySecurityParser::eOperation operation);
    void changesAllowed(const PSyAccount& pAccount, const iastring& sRight) const;
    void apply(const SyAclStrings::CSyACEExpressionList& aces,
               const std::vector<SySecurityImpl::CSyResolvedAccount>& accounts, SecurableObjectType objectType);

    SecurableObjectType m_objectType;
    iastring m_objectName;
    SySecurityImpl::CSySecurityDesc m_descriptor;
    bool m_ownerChanged = false;
    bool m_groupChanged = false;
};

class CSyACL : public CSyHandle<ISyACL, CSyACLImpl>
{
public:
    CSyACL(SecurableObjectType objectType, const iastring& objectName,
           const SySecurityImpl::CSySecurityDesc& descriptor = SySecurityImpl::CSySecurityDesc())
        : CSyHandle(objectType, objectName, descriptor)
    {
    }
    iastring getOwnerId() override { return SY_FORWARD(m_impl.getOwnerId()); }
    PSyAccount getOwner() override { return SY_FORWARD(m_impl.getOwner()); }
    void setOwner(const PSyAccount& pOwner) override { return SY_FORWARD(m_impl.setOwner(pOwner)); }
    iastring getGroupId() override { return SY_FORWARD(m_impl.getGroupId()); }
    PSyAccount getGroup() override { return SY_FORWARD(m_impl.getGroup()); }
    void setGroup(const PSyAccount& sypGroup) override { return SY_FORWARD(m_impl.setGroup(sypGroup)); }
    iastring getRight(const PSyAccount& pAccount) override { return SY_FORWARD(m_impl.getRight(pAccount)); }
    void setRight(const PSyAccount& pAccount, iastring sRight) override
    {
        return SY_FORWARD(m_impl.setRight(pAccount, sRight));
    }
    void addRight(const PSyAccount& pAccount, iastring sRight) override
    {
        return SY_FORWARD(m_impl.addRight(pAccount, sRight));
    }
    void removeRight(const PSyAccount& pAccount, iastring sRight) override
    {
        return SY_FORWARD(m_impl.removeRight(pAccount, sRight));
    }
    void modifyRights(iastring sExpression, SecurableObjectType objectType) override
    {
        return SY_FORWARD(m_impl.modifyRights(sExpression, objectType));
    }
    void modifyRights(iastring sExpression) override
    {
        return SY_FORWARD(m_impl.modifyRights(sExpression, m_impl.objectType()));
    }
    iastring toString(SecurableObjectType objectType) override { return SY_FORWARD(m_impl.toString(objectType)); }
    iastring toString() override { return SY_FORWARD(m_impl.toString(m_impl.objectType())); }
    void deleteEntry(const PSyAccount& pAccount) override { return SY_FORWARD(m_impl.deleteEntry(pAccount)); }
    void chmod(Permissions_t mode) override { return SY_FORWARD(m_impl.chmod(mode)); }
    iastring dumpNative() override { return SY_FORWARD(m_impl.dumpNative()); }
};
