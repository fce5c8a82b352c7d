// Portable code only: a parsed access-rights expression as the account manager hands it out.
#include "syaccountmgtimpl.h"
#include "syaclexpressionimpl.h"
#include "sysecuritydesc.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcaclexpr")

using SySecurityImpl::CSySecurityDescConverter;

CSyACLExpressionImpl::CSyACLExpressionImpl(const iastring& expression, SecurableObjectType objectType)
{
    SY_TRACE_CONSTRUCTOR(L"CSyACLExpressionImpl::CSyACLExpressionImpl(const iastring & expression, "
                         L"SecurableObjectType objectType)");
    for (const SyAclStrings::CSyACEExpression& ace : SyAclStrings::parseAclExpression(expression))
        m_entries.push_back({ace, CSySecurityDescConverter::rightsExpessionToNative(ace.m_allowed, objectType),
                             CSySecurityDescConverter::rightsExpessionToNative(ace.m_denied, objectType),
                             CSySecurityDescConverter::inheritanceFlagsToNative(ace.m_inheritanceFlags)});
}

const CSyACLExpressionImpl::CEntry& CSyACLExpressionImpl::entry(unsigned int index, const wchar_t* signature) const
{
    if (index >= m_entries.size())
        syslib::throwParameterNotValid(L"index", signature, __LINE__);
    return m_entries[index];
}

unsigned int CSyACLExpressionImpl::getEntryCount() const
{
    return static_cast<unsigned int>(m_entries.size());
}

iastring CSyACLExpressionImpl::getEntryText(unsigned int index) const
{
    return entry(index, L"iastring CSyACLExpressionImpl::getEntryText(unsigned int index)").ace.toString();
}

unsigned long CSyACLExpressionImpl::getAllowedMask(unsigned int index) const
{
    return entry(index, L"unsigned long CSyACLExpressionImpl::getAllowedMask(unsigned int index)").allowed;
}

unsigned long CSyACLExpressionImpl::getDeniedMask(unsigned int index) const
{
    return entry(index, L"unsigned long CSyACLExpressionImpl::getDeniedMask(unsigned int index)").denied;
}

unsigned long CSyACLExpressionImpl::getInheritanceFlags(unsigned int index) const
{
    return entry(index, L"unsigned long CSyACLExpressionImpl::getInheritanceFlags(unsigned int index)")
        .inheritanceFlags;
}

PSyACLExpression CSyAccountMgtImpl::parseACLExpression(const iastring& expression, SecurableObjectType objectType)
{
    SY_TRACE_FUNCTION(L"PSyACLExpression CSyAccountMgtImpl::parseACLExpression(const iastring & expression, "
                      L"SecurableObjectType objectType)");
    SY_TRACE_PARAMETERS(expression);
    return PSyACLExpression(new CSyACLExpression(expression, objectType));
}
