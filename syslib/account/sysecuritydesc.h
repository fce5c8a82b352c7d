// Translation between rights texts and Windows access masks for each kind of securable object.
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
};

// "0x" and upper-case hexadecimal digits.
iastring hexText(unsigned long value);
} // namespace SySecurityImpl
