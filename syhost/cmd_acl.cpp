// Access-rights expressions and the rights of files and directories: what the library makes of an
// expression, what a node carries, and the change an installer would make.
#include "hostcommand.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/account/syaclparser.h"
#include "syslib/filesystem/syfilesystemmgt.h"

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

void printAcl(CHostContext& context, const PSyACL& acl)
{
    const iastring owner = acl->getOwnerId();
    const iastring group = acl->getGroupId();
    context.out << L"owner\t" << (owner.empty() ? L"none" : owner) << L"\n"
                << L"group\t" << (group.empty() ? L"none" : group) << L"\n";
    // One entry a line: the text form holds them one after the other.
    const iastring entries = acl->toString();
    for (iastring::size_type start = 0; start < entries.size();)
    {
        const iastring::size_type end = entries.find(L')', start);
        context.out << entries.substr(start, end == iastring::npos ? iastring::npos : end + 1 - start) << L"\n";
        start = end == iastring::npos ? entries.size() : end + 1;
    }
}

// "(account, TYPE, ...)": an account name ends at its first comma.
PSyAccount accountOfEntry(CHostContext& context, const iastring& entryText)
{
    const iastring::size_type comma = entryText.find(L',');
    const iastring::size_type typeEnd = entryText.find(L',', comma + 1);
    const iastring type = entryText.substr(comma + 2, typeEnd - comma - 2);
    const ISyAccountMgt::eAccountType kind =
        type == L"USER" ? ISyAccountMgt::USER : type == L"GROUP" ? ISyAccountMgt::GROUP : ISyAccountMgt::NONE;
    return context.factory->getAccountMgt()->getAccount(kind, entryText.substr(1, comma - 1));
}

int changeNodeAcl(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.size() != 3 || arguments[1].empty())
        return usageError(context, L"acl");
    const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
    const PSyNode node = files->getNode(files->getFSPath(arguments[1]));
    const iastring& operation = arguments[0];
    PSyACL acl = node->getACL();
    if (operation == L"set")
    {
        // A new list: the node's entries go, its owner stays.
        acl = context.factory->getAccountMgt()->getACL();
        acl->modifyRights(arguments[2]);
    }
    else if (operation == L"add")
        acl->modifyRights(arguments[2]);
    else
    {
        const PSyACLExpression expression =
            context.factory->getAccountMgt()->parseACLExpression(arguments[2], FILESYSTEM);
        for (unsigned int i = 0; i < expression->getEntryCount(); ++i)
            acl->deleteEntry(accountOfEntry(context, expression->getEntryText(i)));
    }
    node->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    printAcl(context, node->getACL());
    return HOST_OK;
}

int runAcl(CHostContext& context, const std::vector<iastring>& arguments)
{
    const bool sddl = arguments.size() == 3 && arguments[2] == L"--sddl";
    if ((arguments.size() == 2 || sddl) && arguments[0] == L"get" && !arguments[1].empty())
    {
        const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
        const PSyACL acl = files->getNode(files->getFSPath(arguments[1]))->getACL();
        if (sddl)
            context.out << acl->dumpNative() << L"\n";
        else
            printAcl(context, acl);
        return HOST_OK;
    }
    if (!arguments.empty() && (arguments[0] == L"set" || arguments[0] == L"add" || arguments[0] == L"remove"))
        return changeNodeAcl(context, arguments);
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
                                    L"parse \"EXPR\" [--type file|registry|service] [--compatibility LEVEL] | "
                                    L"get PATH [--sddl] | set|add|remove PATH \"EXPR\"",
                                    L"the entries and access masks of an ACL expression; the owner, group and "
                                    L"entries of a file or directory (or its descriptor in SDDL); a new list, added "
                                    L"rights, removed accounts",
                                    runAcl});
} // namespace
