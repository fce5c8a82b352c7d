// Shares of this machine: what an administrator checks when an installed server's share is missing or
// refuses its users, and the share an installer would make.
#include "hostcommand.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/filesystem/syfilesystemmgt.h"

namespace
{
void printShare(CHostContext& context, const PSyFSExport& share)
{
    context.out << share->getName() << L"\t" << share->getPath()->toString() << L"\t" << share->getDescription()
                << L"\n";
}

// NAME PATH [--acl EXPR] [--remark TEXT]; false on anything else.
bool readAddArguments(const std::vector<iastring>& arguments, iastring& acl, iastring& remark)
{
    if (arguments.size() < 3 || arguments[1].empty() || arguments[2].empty())
        return false;
    for (std::size_t i = 3; i < arguments.size(); i += 2)
    {
        if (i + 1 >= arguments.size())
            return false;
        if (arguments[i] == L"--acl")
            acl = arguments[i + 1];
        else if (arguments[i] == L"--remark")
            remark = arguments[i + 1];
        else
            return false;
    }
    return true;
}

int runShare(CHostContext& context, const std::vector<iastring>& arguments)
{
    const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
    const iastring operation = arguments.empty() ? iastring() : arguments[0];
    if (operation == L"list" && arguments.size() == 1)
    {
        for (const PSyFSExportIterator shares = files->getFSExports(); !shares->isDone(); shares->next())
            printShare(context, shares->get());
        return HOST_OK;
    }
    const bool sddl = arguments.size() == 3 && arguments[2] == L"--sddl";
    if (operation == L"get" && (arguments.size() == 2 || sddl) && !arguments[1].empty())
    {
        const PSyFSExport share = files->getFSExport(arguments[1]);
        if (sddl)
        {
            context.out << share->getACL()->dumpNative() << L"\n";
            return HOST_OK;
        }
        printShare(context, share);
        context.out << L"in use\t" << (share->isInUse() ? L"yes" : L"no") << L"\n";
        const iastring entries = share->getACL()->toString();
        context.out << L"rights\t" << (entries.empty() ? L"none" : entries) << L"\n";
        return HOST_OK;
    }
    if (operation == L"delete" && arguments.size() == 2 && !arguments[1].empty())
    {
        files->getFSExport(arguments[1])->unshare();
        context.out << L"unshared " << arguments[1] << L"\n";
        return HOST_OK;
    }
    iastring acl;
    iastring remark;
    if (operation != L"add" || !readAddArguments(arguments, acl, remark))
        return usageError(context, L"share");
    const PSyFSExport share = files->createFSExport(files->getFSPath(arguments[2]), arguments[1], remark,
                                                    static_cast<ISyFSExport::eExportOptions>(0));
    if (!acl.empty())
    {
        const PSyACL rights = context.factory->getAccountMgt()->getACL();
        rights->modifyRights(acl);
        share->setACL(rights);
    }
    share->share();
    printShare(context, files->getFSExport(arguments[1]));
    return HOST_OK;
}

const CHostCommandRegistration share({L"share",
                                      L"list | get NAME [--sddl] | add NAME PATH [--acl \"EXPR\"] [--remark TEXT] | "
                                      L"delete NAME",
                                      L"the disk shares of this machine: all, one with its rights (or its descriptor "
                                      L"in SDDL), a new one, one removed",
                                      runShare});
} // namespace
