// Portable code only: rights texts to access masks and back, by the tables of the Windows half.
#include "sysecuritydesc.h"

#include "syslib/common/sytrace.h"

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
} // namespace SySecurityImpl
