// Translation between rights texts and Windows access masks for each kind of securable object, and the
// neutral security descriptor that access-rights expressions are applied to.
#pragma once

#include "syaclparser.h"
#include "syaclright.h"

#include <vector>

namespace SySecurityImpl
{
struct CSyNamedMask
{
    const wchar_t* name;
    unsigned long value;
};

// A fixed list of names, usable in a range-for.
struct CSyNameTable
{
    const CSyNamedMask* first;
    const CSyNamedMask* last;
    const CSyNamedMask* begin() const { return first; }
    const CSyNamedMask* end() const { return last; }
};

// What the rights letters and the special-right names mean for one kind of object.
struct CSyRightsTable
{
    unsigned long read;
    unsigned long write;
    unsigned long execute;
    // Granted on top when read, write and execute are all present.
    unsigned long fullAccess;
    CSyNameTable names;
};

// Null for a value outside the enumeration.
const CSyRightsTable* rightsTable(SecurableObjectType type);
CSyNameTable inheritanceFlagTable();

// One access entry: an account (by SID text) granted or denied a mask.
struct CSyACE
{
    iastring m_account;
    SyAclStrings::CSySecurityParser::eAccountType m_accountType = SyAclStrings::CSySecurityParser::NONE;
    bool m_deny = false;
    unsigned long m_mask = 0;
    // The Windows ACE flags: inheritance, and whether the entry was inherited.
    unsigned long m_flags = 0;

    bool isInherited() const { return (m_flags & 0x10) != 0; }
};

class CSySecurityDesc
{
public:
    // How new rights combine with an account's existing entry of one access type.
    class IACEOperation
    {
    public:
        virtual ~IACEOperation() {}
        virtual unsigned long mask(unsigned long oldMask, unsigned long newMask) const = 0;
        virtual unsigned long flags(unsigned long oldFlags, unsigned long newFlags) const = 0;
        // Null for OP_UNDEFINED.
        static const IACEOperation* of(SyAclStrings::CSySecurityParser::eOperation operation);
    };
    class AddPermissions;
    class RemovePermissions;
    class SetPermissions;

    // SID texts; empty when the descriptor has none.
    iastring m_ownerId;
    iastring m_groupId;
    // False: no DACL at all (everyone may do everything), not an empty one.
    bool m_hasDacl = true;
    std::vector<CSyACE> m_dacl;

    // Combines the rights of the account's explicit entry of that access type; an entry left with no rights
    // goes, a missing one is made when there is something to grant or deny.
    void combine(const iastring& sid, SyAclStrings::CSySecurityParser::eAccountType accountType, bool deny,
                 unsigned long mask, unsigned long flags, const IACEOperation& operation);
    // The mask of the account's explicit entry of that access type; 0 when there is none.
    unsigned long explicitMask(const iastring& sid, bool deny) const;
    // Deny before allow, explicit before inherited, as Windows evaluates a DACL; otherwise kept in order.
    void sortCanonically();
    bool isEntryOf(const CSyACE& ace, const iastring& sid) const;
    // "Owner id: …" with one "ACE Tag: …" line an entry.
    iastring toString(SecurableObjectType objectType) const;
};

// An account as an expression names it, with what the account manager found for it.
struct CSyResolvedAccount
{
    iastring sid;
    SyAclStrings::CSySecurityParser::eAccountType type;
};

class CSySecurityDescConverter
{
public:
    // Unknown letters and names are logged and add nothing.
    static unsigned long rightsExpessionToNative(const SyAclStrings::CSyRightsExpression& rights,
                                                 SecurableObjectType objectType);
    // Appends to rights what mask grants.
    static void fillRightsExpression(unsigned long mask, SecurableObjectType objectType,
                                     SyAclStrings::CSyRightsExpression& rights);
    // Unknown flags are logged and add nothing.
    static unsigned long inheritanceFlagsToNative(const std::vector<iastring>& flags);
    static std::vector<iastring> inheritanceFlagsToText(unsigned long flags);
    // Letters where the mask covers a letter's rights, the rest as names (numbers for COMPATIBLE_FILE):
    // reads back to the same mask.
    static SyAclStrings::CSyRightsExpression maskToRights(unsigned long mask, SecurableObjectType objectType);
    // What "-" takes away from oldMask: the bits of the named letters that no other letter of oldMask
    // carries, full access, and the special rights.
    static unsigned long removalMask(const SyAclStrings::CSyRightsExpression& rights, SecurableObjectType objectType,
                                     unsigned long oldMask);
    // Only the letters r, w and x whose rights the mask covers.
    static iastring maskToLetters(unsigned long mask, SecurableObjectType objectType);
    // Applies each entry in order; accounts[i] is what aces[i] names. Logs the warnings of owner and group.
    static void applyACLExpressionToSecurityDesc(const SyAclStrings::CSyACEExpressionList& aces,
                                                 const std::vector<CSyResolvedAccount>& accounts,
                                                 CSySecurityDesc& descriptor, SecurableObjectType objectType);
    // The DACL as an expression that, applied to an empty DACL, gives it back.
    static iastring toAclExpression(const CSySecurityDesc& descriptor, SecurableObjectType objectType);
};

// "0x" and upper-case hexadecimal digits.
iastring hexText(unsigned long value);
} // namespace SySecurityImpl
