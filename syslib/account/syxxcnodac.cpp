// Portable code only: the rights of accounts in an access-control list, by account and by expression.
#include "syaccountmgtimpl.h"
#include "syaclimpl.h"

#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"

#include <sstream>

SY_SOURCE_FILE(L"syxxcnodac")

using SyAclStrings::CSySecurityParser;
using SySecurityImpl::CSyResolvedAccount;
using SySecurityImpl::CSySecurityDescConverter;

namespace
{
CSySecurityParser::eAccountType aceTypeOf(const PSyAccount& account)
{
    return (account->getType() & 3) == ISyAccountMgt::GROUP ? CSySecurityParser::GROUP : CSySecurityParser::USER;
}

// What an entry of an expression names, found through the account manager: unknown names throw there.
CSyResolvedAccount resolve(const SyAclStrings::CSyACEExpression& ace)
{
    CSyAccountMgtImpl accounts;
    PSyAccount account;
    if (ace.m_accountType == CSySecurityParser::USER)
        account = PSyAccount(accounts.getUser(ace.m_account).get());
    else if (ace.m_accountType == CSySecurityParser::GROUP)
        account = PSyAccount(accounts.getGroup(ace.m_account).get());
    else
        account = accounts.getAccount(ISyAccountMgt::NONE, ace.m_account);
    return {account->getSID(), aceTypeOf(account)};
}
} // namespace

CSyACLImpl::CSyACLImpl(SecurableObjectType objectType, const iastring& objectName,
                       const SySecurityImpl::CSySecurityDesc& descriptor)
    : m_objectType(objectType), m_objectName(objectName), m_descriptor(descriptor)
{
}

const CSyACLImpl& CSyACLImpl::implOf(const PSyACL& acl, const iastring& signature)
{
    const CSyACL* handle = dynamic_cast<const CSyACL*>(acl.get());
    if (handle == nullptr)
        syslib::throwParameterNotValid(L"acl", signature, __LINE__);
    return handle->impl();
}

iastring CSyACLImpl::getOwnerId() const
{
    SY_TRACE_FUNCTION(L"iastring CSyACLImpl::getOwnerId()");
    return SY_RETURN_TRACED(m_descriptor.m_ownerId);
}

PSyAccount CSyACLImpl::getOwner() const
{
    SY_TRACE_FUNCTION(L"PSyAccount CSyACLImpl::getOwner()");
    if (m_descriptor.m_ownerId.empty())
    {
        syslib::reportError(L"common.attributeEmpty", {L"Owner", L"CSyACLImpl::getOwner()"}, __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    return CSyAccountMgtImpl().getAccount(ISyAccountMgt::NONE, m_descriptor.m_ownerId);
}

void CSyACLImpl::setOwner(const PSyAccount& pOwner)
{
    SY_TRACE_FUNCTION(L"void CSyACLImpl::setOwner(const PSyAccount & pOwner)");
    if (!pOwner)
        syslib::throwParameterEmpty(L"pOwner", L"CSyACLImpl::setOwner()", __LINE__);
    m_descriptor.m_ownerId = pOwner->getSID();
    m_ownerChanged = true;
    SY_TRACE_PARAMETERS(m_descriptor.m_ownerId);
}

iastring CSyACLImpl::getGroupId() const
{
    SY_TRACE_FUNCTION(L"iastring CSyACLImpl::getGroupId()");
    return SY_RETURN_TRACED(m_descriptor.m_groupId);
}

PSyAccount CSyACLImpl::getGroup() const
{
    SY_TRACE_FUNCTION(L"PSyAccount CSyACLImpl::getGroup()");
    syslib::throwFunctionNotSupported(L"CSyACLImpl::getGroup()", __LINE__);
}

void CSyACLImpl::setGroup(const PSyAccount&)
{
    SY_TRACE_FUNCTION(L"void CSyACLImpl::setGroup(const PSyAccount & sypGroup)");
    syslib::throwFunctionNotSupported(L"CSyACLImpl::setGroup(const PSyAccount & sypGroup)", __LINE__);
}

void CSyACLImpl::chmod(ISyACL::Permissions_t)
{
    SY_TRACE_FUNCTION(L"void CSyACLImpl::chmod(Permissions_t mode)");
    syslib::throwFunctionNotSupported(L"CSyACLImpl::chmod(Permissions_t mode)", __LINE__);
}

iastring CSyACLImpl::getRight(const PSyAccount& pAccount) const
{
    static const wchar_t* const signature = L"iastring CSyACLImpl::getRight(const PSyAccount & pAccount)";
    SY_TRACE_FUNCTION_TEXT(signature);
    if (!pAccount)
        syslib::throwParameterEmpty(L"pAccount", signature, __LINE__);
    const iastring sid = pAccount->getSID();
    unsigned long allowed = 0;
    unsigned long denied = 0;
    bool found = false;
    for (const SySecurityImpl::CSyACE& ace : m_descriptor.m_dacl)
        if (m_descriptor.isEntryOf(ace, sid))
        {
            found = true;
            if (ace.appliesToObject())
                (ace.m_deny ? denied : allowed) |= ace.m_mask;
        }
    const bool owner = m_descriptor.isEntryOf({m_descriptor.m_ownerId}, sid);
    if (!found && !owner)
    {
        syslib::reportError(L"syslib.account.getRightOfACLEntryFailed", {pAccount->getName()}, __LINE__);
        syslib::throwParameterNotValid(L"pAccount", signature, __LINE__);
    }
    iastring rights = CSySecurityDescConverter::maskToLetters(allowed, m_objectType) + (owner ? L"o" : L"");
    const iastring deniedLetters = CSySecurityDescConverter::maskToLetters(denied, m_objectType);
    if (!deniedLetters.empty())
        rights += L"!" + deniedLetters;
    return SY_RETURN_TRACED(rights);
}

void CSyACLImpl::changesAllowed(const PSyAccount& pAccount, const iastring& sRight) const
{
    if (!pAccount)
        syslib::throwParameterEmpty(L"pAccount", L"CSyACLImpl::changesAllowed()", __LINE__);
    if (!ISyACLRight::isValid(sRight))
        syslib::throwParameterNotValid(L"sRight", L"CSyACLImpl::changesAllowed()", __LINE__);
}

void CSyACLImpl::setRight(const PSyAccount& pAccount, const iastring& sRight)
{
    SY_TRACE_FUNCTION(L"void CSyACLImpl::setRight(const PSyAccount & pAccount, iastring sRight)");
    changesAllowed(pAccount, sRight);
    syslib::logBook().log(L"Setting rights of " + pAccount->getName() + L" to " + sRight, __LINE__);
    editRight(pAccount, sRight, CSySecurityParser::OP_SET);
}

void CSyACLImpl::addRight(const PSyAccount& pAccount, const iastring& sRight)
{
    SY_TRACE_FUNCTION(L"void CSyACLImpl::addRight(const PSyAccount & pAccount, iastring sRight)");
    changesAllowed(pAccount, sRight);
    syslib::logBook().log(L"Adding rights " + sRight + L" to " + pAccount->getName(), __LINE__);
    editRight(pAccount, sRight, CSySecurityParser::OP_ADD);
}

void CSyACLImpl::removeRight(const PSyAccount& pAccount, const iastring& sRight)
{
    SY_TRACE_FUNCTION(L"void CSyACLImpl::removeRight(const PSyAccount & pAccount, iastring sRight)");
    changesAllowed(pAccount, sRight);
    syslib::logBook().log(L"Removing rights " + sRight + L" from " + pAccount->getName(), __LINE__);
    editRight(pAccount, sRight, CSySecurityParser::OP_REMOVE);
}

void CSyACLImpl::editRight(const PSyAccount& pAccount, const iastring& sRight, CSySecurityParser::eOperation operation)
{
    SyAclStrings::CSyACEExpression ace;
    ace.m_account = pAccount->getName();
    ace.m_accountType = aceTypeOf(pAccount);
    ace.m_operation = operation;
    std::wistringstream input(sRight);
    CSySecurityParser(input).readRights(ace);
    apply({ace}, {{pAccount->getSID(), ace.m_accountType}}, m_objectType);
    syslib::logBook().log(L"Editing rights (" + ace.toString() + L"): " + m_descriptor.toString(m_objectType),
                          __LINE__);
}

void CSyACLImpl::modifyRights(const iastring& sExpression, SecurableObjectType objectType)
{
    SY_TRACE_FUNCTION(L"void CSyACLImpl::modifyRights(iastring sExpression, SecurableObjectType objectType)");
    SY_TRACE_PARAMETERS(sExpression);
    const SyAclStrings::CSyACEExpressionList aces = SyAclStrings::parseAclExpression(sExpression);
    // Every account is found before anything changes: an unknown one leaves the list as it was.
    std::vector<CSyResolvedAccount> accounts;
    for (const SyAclStrings::CSyACEExpression& ace : aces)
        accounts.push_back(resolve(ace));
    apply(aces, accounts, objectType);
    syslib::logBook().log(L"CSyACLImpl::modifyRights(" + sExpression + L", ...) Result:\n" +
                              m_descriptor.toString(objectType),
                          __LINE__);
}

void CSyACLImpl::apply(const SyAclStrings::CSyACEExpressionList& aces, const std::vector<CSyResolvedAccount>& accounts,
                       SecurableObjectType objectType)
{
    SySecurityImpl::CSySecurityDesc changed = m_descriptor;
    CSySecurityDescConverter::applyACLExpressionToSecurityDesc(aces, accounts, changed, objectType);
    m_ownerChanged = m_ownerChanged || changed.m_ownerId != m_descriptor.m_ownerId;
    m_groupChanged = m_groupChanged || changed.m_groupId != m_descriptor.m_groupId;
    m_descriptor = changed;
}

iastring CSyACLImpl::toString(SecurableObjectType objectType) const
{
    SY_TRACE_FUNCTION(L"iastring CSyACLImpl::toString(SecurableObjectType objectType)");
    return SY_RETURN_TRACED(CSySecurityDescConverter::toAclExpression(m_descriptor, objectType));
}

void CSyACLImpl::deleteEntry(const PSyAccount& pAccount)
{
    SY_TRACE_FUNCTION(L"void CSyACLImpl::deleteEntry(const PSyAccount & pAccount)");
    if (!pAccount)
        syslib::throwParameterEmpty(L"pAccount", L"CSyACLImpl::deleteEntry()", __LINE__);
    const iastring sid = pAccount->getSID();
    std::vector<SySecurityImpl::CSyACE>& dacl = m_descriptor.m_dacl;
    const std::size_t before = dacl.size();
    for (auto entry = dacl.begin(); entry != dacl.end();)
        entry = m_descriptor.isEntryOf(*entry, sid) ? dacl.erase(entry) : entry + 1;
    if (dacl.size() == before)
        syslib::logBook().log(L"Deleting ACL entry failed for " + pAccount->getName() + L". Nothing to do.",
                              __LINE__);
}
