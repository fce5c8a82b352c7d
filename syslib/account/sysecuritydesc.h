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
    // False for an entry only for the children to inherit (INHERIT_ONLY_ACE).
    bool appliesToObject() const { return (m_flags & 0x08) == 0; }
};

// One change an ACE expression makes to the entries of one account and access type.
struct CSyEntryChange
{
    iastring sid;
    SyAclStrings::CSySecurityParser::eAccountType accountType = SyAclStrings::CSySecurityParser::NONE;
    bool deny = false;
    // The Windows ACE flags the expression names; flagsNamed is false when it names none.
    unsigned long flags = 0;
    bool flagsNamed = false;
};

class CSySecurityDesc
{
public:
    // How new rights combine with the account's entries of one access type. An entry is only ever
    // changed where its inheritance flags say the change applies: "+" merges into the entry with the
    // flags named (none: an entry for this object alone), else adds one; "-" takes from the entries with
    // the flags named (none: every explicit entry); "=" gives every explicit entry the new rights, or with
    // flags named makes them one entry with those flags.
    class IACEOperation
    {
    public:
        virtual ~IACEOperation() {}
        virtual unsigned long mask(unsigned long oldMask, unsigned long newMask) const = 0;
        virtual void apply(CSySecurityDesc& descriptor, const CSyEntryChange& change,
                           const SyAclStrings::CSyRightsExpression& rights, SecurableObjectType objectType) const = 0;
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
    // Whether the object takes entries from its parent (SE_DACL_PROTECTED): as read from it; a list made
    // here leaves the object as it is.
    enum eProtection
    {
        PROTECTION_UNCHANGED,
        DACL_UNPROTECTED,
        DACL_PROTECTED
    };
    eProtection m_protection = PROTECTION_UNCHANGED;
    // SE_DACL_AUTO_INHERITED, as read: shown, never written (the system sets it).
    bool m_autoInherited = false;
    std::vector<CSyACE> m_dacl;

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
