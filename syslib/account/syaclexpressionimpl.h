// A parsed access-rights expression: the entries and their masks, fixed at construction.
#pragma once

#include "syaclexpression.h"
#include "syaclparser.h"

#include <vector>

class CSyACLExpressionImpl : public CSyGenericImpl
{
public:
    // Throws the syntax errors of CSySecurityParser.
    CSyACLExpressionImpl(const iastring& expression, SecurableObjectType objectType);

    unsigned int getEntryCount() const;
    iastring getEntryText(unsigned int index) const;
    unsigned long getAllowedMask(unsigned int index) const;
    unsigned long getDeniedMask(unsigned int index) const;
    unsigned long getInheritanceFlags(unsigned int index) const;

private:
    struct CEntry
    {
        SyAclStrings::CSyACEExpression ace;
        unsigned long allowed;
        unsigned long denied;
        unsigned long inheritanceFlags;
    };
    const CEntry& entry(unsigned int index, const wchar_t* signature) const;

    std::vector<CEntry> m_entries;
};

class CSyACLExpression : public CSyHandle<ISyACLExpression, CSyACLExpressionImpl>
{
public:
    CSyACLExpression(const iastring& expression, SecurableObjectType objectType) : CSyHandle(expression, objectType)
    {
    }
    unsigned int getEntryCount() override { return SY_FORWARD(m_impl.getEntryCount()); }
    iastring getEntryText(unsigned int index) override { return SY_FORWARD(m_impl.getEntryText(index)); }
    unsigned long getAllowedMask(unsigned int index) override { return SY_FORWARD(m_impl.getAllowedMask(index)); }
    unsigned long getDeniedMask(unsigned int index) override { return SY_FORWARD(m_impl.getDeniedMask(index)); }
    unsigned long getInheritanceFlags(unsigned int index) override
    {
        return SY_FORWARD(m_impl.getInheritanceFlags(index));
    }
};
