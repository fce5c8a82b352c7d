// Access-rights expressions: what the library makes of one, as an installer author checks it.
#include "hostcommand.h"
#include "syslib/account/syaclparser.h"

#include <iomanip>

namespace
{
bool objectTypeNamed(const iastring& name, SecurableObjectType& type)
{
    const struct
    {
        const wchar_t* name;
        SecurableObjectType type;
    } types[] = {{L"file", FILESYSTEM}, {L"registry", REGISTRY_KEY}, {L"service", SERVICE}};
    for (const auto& candidate : types)
        if (name == candidate.name)
        {
            type = candidate.type;
            return true;
        }
    return false;
}

std::wostream& writeMask(std::wostream& out, unsigned long mask)
{
    return out << L"0x" << std::hex << std::uppercase << std::setw(8) << std::setfill(L'0') << mask << std::dec
               << std::setfill(L' ');
}

int runAcl(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.size() < 2 || arguments[0] != L"parse")
        return usageError(context, L"acl");
    SecurableObjectType type = FILESYSTEM;
    iastring typeName = L"file";
    int compatibility = context.factory->getCompatibility();
    for (std::size_t i = 2; i < arguments.size(); i += 2)
    {
        if (i + 1 >= arguments.size())
            return usageError(context, L"acl");
        if (arguments[i] == L"--type" && objectTypeNamed(arguments[i + 1], type))
        {
            typeName = arguments[i + 1];
            continue;
        }
        if (arguments[i] == L"--compatibility" && !arguments[i + 1].empty() &&
            arguments[i + 1].find_first_not_of(L"0123456789") == iastring::npos && arguments[i + 1].size() < 9)
        {
            compatibility = std::stoi(arguments[i + 1]);
            continue;
        }
        return usageError(context, L"acl");
    }

    const int previous = context.factory->getCompatibility();
    context.factory->setCompatibility(compatibility);
    try
    {
        const PSyACLExpression expression = context.factory->getAccountMgt()->parseACLExpression(arguments[1], type);
        context.factory->setCompatibility(previous);
        context.out << expression->getEntryCount() << L" entries, masks for " << typeName << L"\n";
        for (unsigned int i = 0; i < expression->getEntryCount(); ++i)
        {
            context.out << expression->getEntryText(i) << L"\n  allowed ";
            writeMask(context.out, expression->getAllowedMask(i)) << L"  denied ";
            writeMask(context.out, expression->getDeniedMask(i)) << L"  inheritance ";
            writeMask(context.out, expression->getInheritanceFlags(i)) << L"\n";
        }
        return HOST_OK;
    }
    catch (const SyAclStrings::CSySecurityParser::ESecuritySyntaxError& error)
    {
        context.factory->setCompatibility(previous);
        context.out << describeException(error) << L" (position " << error.getPosition() << L")\n";
        return HOST_FAILED;
    }
}

const CHostCommandRegistration acl({L"acl",
                                    L"parse \"EXPR\" [--type file|registry|service] [--compatibility LEVEL]",
                                    L"show the entries and access masks of an ACL expression", runAcl});
} // namespace
