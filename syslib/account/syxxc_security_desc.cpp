// Portable code only: rights texts to access masks and back, by the tables of the Windows half.
#include "sysecuritydesc.h"

#include "syslib/common/sytrace.h"
#include "framework/iastrutil.h"

#include <algorithm>

#include <cwchar>
#include <sstream>

SY_SOURCE_FILE(L"syxxc_security_desc")

namespace SySecurityImpl
{
namespace
{
void warn(const iastring& key, const CLogArguments& arguments, int line)
{
    ILogBook& book = syslib::logBook();
    for (const iastring& argument : arguments)
        book.addArgument(argument);
    book.message(key, CMessage::LOG_WARNING, line);
}

const CSyRightsTable& tableOf(SecurableObjectType type, const wchar_t* signature)
{
    const CSyRightsTable* table = rightsTable(type);
    if (!table)
        syslib::throwParameterNotValid(L"objectType", signature, __LINE__);
    return *table;
}

// "1F", "0x1f" and "0X1F" read as numbers; so does nothing longer than 32 bits.
bool readHex(const iastring& text, unsigned long& value)
{
    iastring digits = text;
    if (digits.size() > 2 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X'))
        digits.erase(0, 2);
    const iastring::size_type significant = digits.find_first_not_of(L'0');
    if (digits.empty() || digits.find_first_not_of(L"0123456789abcdefABCDEF") != iastring::npos ||
        (significant != iastring::npos && digits.size() - significant > 8))
        return false;
    value = std::wcstoul(digits.c_str(), nullptr, 16);
    return true;
}

bool letterMask(const CSyRightsTable& table, wchar_t letter, unsigned long& mask)
{
    switch (letter)
    {
    case L'r':
        mask = table.read;
        return true;
    case L'w':
        mask = table.write;
        return true;
    case L'x':
        mask = table.execute;
        return true;
    case L'o':
    case L's':
    case L't':
    case L'g':
    case L'z':
        mask = 0;
        return true;
    }
    return false;
}

iastring typeText(SecurableObjectType type)
{
    std::wostringstream text;
    text << type;
    return text.str();
}
} // namespace

iastring hexText(unsigned long value)
{
    std::wostringstream text;
    text << L"0x" << std::uppercase << std::hex << value;
    return text.str();
}

unsigned long CSySecurityDescConverter::rightsExpessionToNative(const SyAclStrings::CSyRightsExpression& rights,
                                                                SecurableObjectType objectType)
{
    static const wchar_t* const signature = L"unsigned long CSySecurityDescConverter::rightsExpessionToNative("
                                            L"const CSyRightsExpression & rights, SecurableObjectType objectType)";
    SY_TRACE_FUNCTION_TEXT(signature);
    SY_TRACE_PARAMETERS(rights.toString() + L", " + typeText(objectType));
    const CSyRightsTable& table = tableOf(objectType, signature);

    unsigned long native = 0;
    for (wchar_t letter : rights.getLetters())
    {
        unsigned long mask = 0;
        if (letterMask(table, letter, mask))
            native |= mask;
        else
            warn(L"syslib.account.aclUnknowenStandardRight", {iastring(1, letter), typeText(objectType)}, __LINE__);
    }
    const unsigned long readWriteExecute = table.read | table.write | table.execute;
    if ((native & readWriteExecute) == readWriteExecute)
        native |= table.fullAccess;

    for (const iastring& special : rights.getSpecialRights())
    {
        unsigned long mask = 0;
        bool known = readHex(special, mask);
        for (const CSyNamedMask& entry : table.names)
            if (!known && special == entry.name)
            {
                mask = entry.value;
                known = true;
            }
        if (known)
            native |= mask;
        else
            warn(L"syslib.account.aclUnknowenSpecialRight", {special, typeText(objectType)}, __LINE__);
    }
    SY_TRACE_RETURN(hexText(native));
    return native;
}

void CSySecurityDescConverter::fillRightsExpression(unsigned long mask, SecurableObjectType objectType,
                                                    SyAclStrings::CSyRightsExpression& rights)
{
    static const wchar_t* const signature = L"void CSySecurityDescConverter::fillRightsExpression(unsigned long mask, "
                                            L"SecurableObjectType objectType, CSyRightsExpression & rights)";
    SY_TRACE_FUNCTION_TEXT(signature);
    SY_TRACE_PARAMETERS(hexText(mask) + L", " + typeText(objectType));
    const CSyRightsTable& table = tableOf(objectType, signature);

    unsigned long remainder = mask;
    if (objectType == COMPATIBLE_FILE)
    {
        const struct
        {
            wchar_t letter;
            unsigned long mask;
        } letters[] = {{L'r', table.read}, {L'w', table.write}, {L'x', table.execute}};
        for (const auto& letter : letters)
            if (letter.mask != 0 && (mask & letter.mask) == letter.mask)
            {
                rights.appendLetters(iastring(1, letter.letter));
                remainder &= ~letter.mask;
            }
        if (remainder != 0)
            syslib::logBook().log(L"Could not map the following permissions to string: " + hexText(remainder) +
                                      L". A conversion of the string to native permissions will result in a loss "
                                      L"of rights.",
                                  __LINE__);
    }
    else
    {
        for (const CSyNamedMask& entry : table.names)
            if (entry.value != 0 && (mask & entry.value) == entry.value)
            {
                rights.addSpecialRight(entry.name);
                remainder &= ~entry.value;
            }
        if (remainder != 0)
            rights.addSpecialRight(hexText(remainder));
    }
    SY_TRACE_RETURN(rights.toString());
}

unsigned long CSySecurityDescConverter::inheritanceFlagsToNative(const std::vector<iastring>& flags)
{
    SY_TRACE_FUNCTION(L"unsigned long CSySecurityDescConverter::inheritanceFlagsToNative("
                      L"const std::vector<iastring> & flags)");
    unsigned long native = 0;
    for (const iastring& flag : flags)
    {
        bool known = false;
        for (const CSyNamedMask& entry : inheritanceFlagTable())
            if (flag == entry.name)
            {
                native |= entry.value;
                known = true;
            }
        if (!known)
            warn(L"syslib.account.aclUnknowenInheritanceFlag", {flag}, __LINE__);
    }
    SY_TRACE_RETURN(hexText(native));
    return native;
}

std::vector<iastring> CSySecurityDescConverter::inheritanceFlagsToText(unsigned long flags)
{
    std::vector<iastring> names;
    for (const CSyNamedMask& entry : inheritanceFlagTable())
        if (flags & entry.value)
            names.push_back(entry.name);
    return names;
}

SyAclStrings::CSyRightsExpression CSySecurityDescConverter::maskToRights(unsigned long mask,
                                                                         SecurableObjectType objectType)
{
    const CSyRightsTable& table = tableOf(objectType, L"CSySecurityDescConverter::maskToRights()");
    const unsigned long readWriteExecute = table.read | table.write | table.execute;
    const bool all = (mask & readWriteExecute) == readWriteExecute;
    // Letters r, w and x together read back as full access: write them so only when the mask has it.
    const bool full = all && (mask & table.fullAccess) == table.fullAccess;
    SyAclStrings::CSyRightsExpression rights;
    unsigned long covered = 0;
    const struct
    {
        wchar_t letter;
        unsigned long mask;
    } letters[] = {{L'r', table.read}, {L'w', table.write}, {L'x', table.execute}};
    for (const auto& letter : letters)
        if ((mask & letter.mask) == letter.mask && (letter.letter != L'x' || !all || full))
        {
            rights.appendLetters(iastring(1, letter.letter));
            covered |= letter.mask;
        }
    if (full)
        covered |= table.fullAccess;
    const unsigned long rest = mask & ~covered;
    if (rest != 0 && objectType == COMPATIBLE_FILE)
        rights.addSpecialRight(hexText(rest));
    else if (rest != 0)
        fillRightsExpression(rest, objectType, rights);
    return rights;
}

unsigned long CSySecurityDescConverter::removalMask(const SyAclStrings::CSyRightsExpression& rights,
                                                   SecurableObjectType objectType, unsigned long oldMask)
{
    const CSyRightsTable& table = tableOf(objectType, L"CSySecurityDescConverter::removalMask()");
    unsigned long removed = 0;
    unsigned long kept = 0;
    const struct
    {
        wchar_t letter;
        unsigned long mask;
    } masks[] = {{L'r', table.read}, {L'w', table.write}, {L'x', table.execute}};
    for (const auto& entry : masks)
        if (rights.getLetters().find(entry.letter) != iastring::npos)
            removed |= entry.mask;
        else if ((oldMask & entry.mask) == entry.mask)
            kept |= entry.mask;
    // The letters share bits (SYNCHRONIZE, READ_CONTROL, …): those of a letter that stays stay with it;
    // full access goes with any letter.
    if (removed != 0)
        removed = (removed & ~kept) | (table.fullAccess & ~(table.read | table.write | table.execute));
    SyAclStrings::CSyRightsExpression special;
    for (const iastring& name : rights.getSpecialRights())
        special.addSpecialRight(name);
    return removed | (special.isEmpty() ? 0 : rightsExpessionToNative(special, objectType));
}

iastring CSySecurityDescConverter::maskToLetters(unsigned long mask, SecurableObjectType objectType)
{
    const CSyRightsTable& table = tableOf(objectType, L"CSySecurityDescConverter::maskToLetters()");
    iastring letters;
    if ((mask & table.read) == table.read)
        letters += L'r';
    if ((mask & table.write) == table.write)
        letters += L'w';
    if ((mask & table.execute) == table.execute)
        letters += L'x';
    return letters;
}

namespace
{
typedef SyAclStrings::CSySecurityParser Parser;

bool hasLetter(const SyAclStrings::CSyACEExpression& ace, wchar_t letter)
{
    return ace.m_allowed.getLetters().find(letter) != iastring::npos ||
           ace.m_denied.getLetters().find(letter) != iastring::npos;
}

// "(name, , =o)" names the owner and leaves the account's rights alone.
bool changesRights(const SyAclStrings::CSyACEExpression& ace)
{
    const auto grants = [](const SyAclStrings::CSyRightsExpression& rights) {
        return rights.getLetters().find_first_of(L"rwx") != iastring::npos || !rights.getSpecialRights().empty();
    };
    const bool onlyOwnership = (hasLetter(ace, L'o') || hasLetter(ace, L'g')) && !grants(ace.m_allowed) &&
                               !grants(ace.m_denied);
    return !onlyOwnership;
}
} // namespace

namespace
{
bool isOwnEntry(const CSySecurityDesc& descriptor, const CSyACE& ace, const CSyEntryChange& change)
{
    return ace.m_deny == change.deny && descriptor.isEntryOf(ace, change.sid);
}

// What "-" takes from: the entries with the flags named, else every explicit one.
bool isRemovalTarget(const CSySecurityDesc& descriptor, const CSyACE& ace, const CSyEntryChange& change)
{
    return isOwnEntry(descriptor, ace, change) && (change.flagsNamed ? ace.m_flags == change.flags : !ace.isInherited());
}

bool isExplicitEntry(const CSySecurityDesc& descriptor, const CSyACE& ace, const CSyEntryChange& change)
{
    return isOwnEntry(descriptor, ace, change) && !ace.isInherited();
}

// Only the entries changed go when left without rights; any other stays as it was.
template <class Target>
void eraseEmptied(CSySecurityDesc& descriptor, const CSyEntryChange& change, Target target)
{
    std::vector<CSyACE>& dacl = descriptor.m_dacl;
    dacl.erase(std::remove_if(dacl.begin(), dacl.end(),
                              [&](const CSyACE& ace) { return ace.m_mask == 0 && target(descriptor, ace, change); }),
               dacl.end());
}

void addEntry(CSySecurityDesc& descriptor, const CSyEntryChange& change, unsigned long mask)
{
    CSyACE ace;
    ace.m_account = change.sid;
    ace.m_accountType = change.accountType;
    ace.m_deny = change.deny;
    ace.m_mask = mask;
    ace.m_flags = change.flags;
    descriptor.m_dacl.push_back(ace);
    descriptor.m_hasDacl = true;
}
} // namespace

class CSySecurityDesc::AddPermissions : public CSySecurityDesc::IACEOperation
{
public:
    unsigned long mask(unsigned long oldMask, unsigned long newMask) const override { return oldMask | newMask; }
    void apply(CSySecurityDesc& descriptor, const CSyEntryChange& change,
               const SyAclStrings::CSyRightsExpression& rights, SecurableObjectType objectType) const override
    {
        const unsigned long granted = CSySecurityDescConverter::rightsExpessionToNative(rights, objectType);
        if (granted == 0)
            return;
        // Merged into an entry of other flags the rights would reach other objects than asked.
        for (CSyACE& ace : descriptor.m_dacl)
            if (isOwnEntry(descriptor, ace, change) && ace.m_flags == change.flags)
            {
                ace.m_mask = mask(ace.m_mask, granted);
                return;
            }
        addEntry(descriptor, change, granted);
    }
};

class CSySecurityDesc::RemovePermissions : public CSySecurityDesc::IACEOperation
{
public:
    unsigned long mask(unsigned long oldMask, unsigned long newMask) const override { return oldMask & ~newMask; }
    void apply(CSySecurityDesc& descriptor, const CSyEntryChange& change,
               const SyAclStrings::CSyRightsExpression& rights, SecurableObjectType objectType) const override
    {
        for (CSyACE& ace : descriptor.m_dacl)
            if (isRemovalTarget(descriptor, ace, change))
                ace.m_mask = mask(ace.m_mask, CSySecurityDescConverter::removalMask(rights, objectType, ace.m_mask));
        eraseEmptied(descriptor, change, isRemovalTarget);
    }
};

class CSySecurityDesc::SetPermissions : public CSySecurityDesc::IACEOperation
{
public:
    unsigned long mask(unsigned long, unsigned long newMask) const override { return newMask; }
    void apply(CSySecurityDesc& descriptor, const CSyEntryChange& change,
               const SyAclStrings::CSyRightsExpression& rights, SecurableObjectType objectType) const override
    {
        const unsigned long granted = CSySecurityDescConverter::rightsExpessionToNative(rights, objectType);
        bool found = false;
        for (CSyACE& ace : descriptor.m_dacl)
            if (isExplicitEntry(descriptor, ace, change))
            {
                // Named flags make the explicit entries one; without, each entry keeps where it applies.
                ace.m_mask = change.flagsNamed ? 0 : mask(ace.m_mask, granted);
                found = true;
            }
        eraseEmptied(descriptor, change, isExplicitEntry);
        if ((change.flagsNamed || !found) && granted != 0)
            addEntry(descriptor, change, granted);
    }
};

const CSySecurityDesc::IACEOperation* CSySecurityDesc::IACEOperation::of(Parser::eOperation operation)
{
    static const AddPermissions add;
    static const RemovePermissions remove;
    static const SetPermissions set;
    switch (operation)
    {
    case Parser::OP_ADD:
        return &add;
    case Parser::OP_REMOVE:
        return &remove;
    case Parser::OP_SET:
        return &set;
    default:
        return nullptr;
    }
}

bool CSySecurityDesc::isEntryOf(const CSyACE& ace, const iastring& sid) const
{
    return stringToUpper(ace.m_account) == stringToUpper(sid);
}

void CSySecurityDesc::sortCanonically()
{
    std::stable_sort(m_dacl.begin(), m_dacl.end(), [](const CSyACE& a, const CSyACE& b) {
        const int rankA = (a.isInherited() ? 2 : 0) + (a.m_deny ? 0 : 1);
        const int rankB = (b.isInherited() ? 2 : 0) + (b.m_deny ? 0 : 1);
        return rankA < rankB;
    });
}

iastring CSySecurityDesc::toString(SecurableObjectType objectType) const
{
    iastring text = L"Owner id: " + (m_ownerId.empty() ? iastring(L"none") : m_ownerId) + L"\nGroup id: " +
                    (m_groupId.empty() ? iastring(L"none") : m_groupId) + L"\nDACL: ";
    if (!m_hasDacl)
        text += L"none";
    for (const CSyACE& ace : m_dacl)
    {
        iastring flags;
        for (const iastring& flag : CSySecurityDescConverter::inheritanceFlagsToText(ace.m_flags))
            flags += (flags.empty() ? L"" : L" | ") + flag;
        text += L"\nACE Tag: Account: " + ace.m_account + L", account type: " +
                SyAclStrings::toString(ace.m_accountType) + L" Access Type: " +
                (ace.m_deny ? L"ACCESS_DENIED" : L"ACCESS_ALLOWED") + L", Permissions: " +
                CSySecurityDescConverter::maskToRights(ace.m_mask, objectType).toString() +
                L", inheritance Flags: " + flags;
    }
    return text;
}

void CSySecurityDescConverter::applyACLExpressionToSecurityDesc(const SyAclStrings::CSyACEExpressionList& aces,
                                                                const std::vector<CSyResolvedAccount>& accounts,
                                                                CSySecurityDesc& descriptor,
                                                                SecurableObjectType objectType)
{
    SY_TRACE_FUNCTION(L"void CSySecurityDescConverter::applyACLExpressionToSecurityDesc(const CSyACEExpressionList "
                      L"& aces, CSySecurityDesc & descriptor, SecurableObjectType objectType)");
    if (aces.size() != accounts.size())
        syslib::throwParameterNotValid(L"accounts", L"applyACLExpressionToSecurityDesc()", __LINE__);
    int owners = 0;
    int groups = 0;
    for (const SyAclStrings::CSyACEExpression& ace : aces)
    {
        if (hasLetter(ace, L'o') && ++owners > 1)
            warn(L"syslib.account.aclTooManyOwners", {ace.toString()}, __LINE__);
        if (hasLetter(ace, L'g'))
        {
            // A primary group is a group; an entry that says it names a user cannot be one.
            if (ace.m_accountType == Parser::USER)
            {
                syslib::reportError(L"syslib.account.aclBadAccountTypeOfGroup", {ace.toString()}, __LINE__);
                throw ESySecurityDescError(L"Bad account type for group");
            }
            if (++groups > 1)
                warn(L"syslib.account.aclTooManyGroups", {ace.toString()}, __LINE__);
        }
    }
    // The last owner and group named win.
    for (std::size_t i = 0; i < aces.size(); ++i)
    {
        const SyAclStrings::CSyACEExpression& ace = aces[i];
        if (hasLetter(ace, L'o'))
            descriptor.m_ownerId = accounts[i].sid;
        if (hasLetter(ace, L'g'))
            descriptor.m_groupId = accounts[i].sid;
        const CSySecurityDesc::IACEOperation* operation = CSySecurityDesc::IACEOperation::of(ace.m_operation);
        if (!operation || !changesRights(ace))
            continue;
        const bool setting = ace.m_operation == Parser::OP_SET;
        CSyEntryChange change;
        change.sid = accounts[i].sid;
        change.accountType = accounts[i].type;
        change.flags = inheritanceFlagsToNative(ace.m_inheritanceFlags);
        change.flagsNamed = !ace.m_inheritanceFlags.empty();
        // "=" states both access types of the account; "+" and "-" only those they name.
        if (setting || !ace.m_allowed.isEmpty())
            operation->apply(descriptor, change, ace.m_allowed, objectType);
        change.deny = true;
        if (setting || !ace.m_denied.isEmpty())
            operation->apply(descriptor, change, ace.m_denied, objectType);
    }
    descriptor.sortCanonically();
}

iastring CSySecurityDescConverter::toAclExpression(const CSySecurityDesc& descriptor, SecurableObjectType objectType)
{
    SyAclStrings::CSyACEExpressionList aces;
    for (const CSyACE& entry : descriptor.m_dacl)
    {
        SyAclStrings::CSyACEExpression ace;
        ace.m_account = entry.m_account;
        ace.m_accountType = entry.m_accountType;
        ace.m_operation = Parser::OP_ADD;
        (entry.m_deny ? ace.m_denied : ace.m_allowed) = maskToRights(entry.m_mask, objectType);
        ace.m_inheritanceFlags = inheritanceFlagsToText(entry.m_flags);
        aces.push_back(ace);
    }
    return SyAclStrings::toString(aces);
}
} // namespace SySecurityImpl
