// Shares of this machine: what an administrator checks when an installed server's share is missing or
// refuses its users, and the share an installer would make.
#include "hostacl.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/filesystem/syfilesystemmgt.h"

namespace
{
CHostJson shareDocument(const PSyFSExport& share)
{
    return {{"name", utf8(share->getName())},
            {"path", utf8(share->getPath()->toOSString())},
            {"remark", utf8(share->getDescription())}};
}

void renderShare(const CHostJson& share, std::wostream& out)
{
    out << text(share["name"]) << L"\t" << text(share["path"]) << L"\t" << text(share["remark"]) << L"\n";
}

class CShareCommand : public CHostCommand
{
public:
    CShareCommand()
        : CHostCommand("share", "list | get NAME [--sddl] | add NAME PATH [--acl \"EXPR\"] [--remark TEXT] | delete NAME",
                       "the disk shares of this machine: all, one with its rights (or its descriptor in SDDL), a new "
                       "one, one removed",
                       "syhost share add DATA C:\\data --acl \"(Users, GROUP, +r)\" --remark \"setup data\"")
    {
    }
    void define(CLI::App& command) override
    {
        command.require_subcommand(1);
        m_list = command.add_subcommand("list", "every disk share");
        m_get = command.add_subcommand("get", "one share, its state and its rights");
        m_get->add_option("name", m_name, "the share")->required()->check(nonEmpty());
        m_get->add_flag("--sddl", m_sddl, "the descriptor Windows holds, as SDDL");
        m_add = command.add_subcommand("add", "share a directory");
        m_add->add_option("name", m_name, "the share's name")->required()->check(nonEmpty());
        m_add->add_option("path", m_path, "the directory")->required()->check(nonEmpty());
        m_add->add_option("--acl", m_acl, "the share's rights (else Everyone may read)");
        m_add->add_option("--remark", m_remark, "the share's remark");
        m_delete = command.add_subcommand("delete", "remove a share; the directory stays");
        m_delete->add_option("name", m_name, "the share")->required()->check(nonEmpty());
        for (CLI::App* verb : {m_list, m_get, m_add, m_delete})
            verb->fallthrough();
    }
    CHostResult run(CHostContext& context) override
    {
        const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
        CHostResult result;
        CHostJson& document = result.document;
        if (*m_list)
        {
            document["shares"] = CHostJson::array();
            for (const PSyFSExportIterator shares = files->getFSExports(); !shares->isDone(); shares->next())
                document["shares"].push_back(shareDocument(shares->get()));
        }
        else if (*m_get)
        {
            const PSyFSExport share = files->getFSExport(wide(m_name));
            if (m_sddl)
                document["sddl"] = utf8(share->getACL()->dumpNative());
            else
            {
                document["share"] = shareDocument(share);
                document["inUse"] = share->isInUse();
                document["rights"] = aclEntries(context, share->getACL()->toString());
            }
        }
        else if (*m_delete)
        {
            files->getFSExport(wide(m_name))->unshare();
            document["unshared"] = m_name;
        }
        else
        {
            const PSyFSExport share = files->createFSExport(files->getFSPath(wide(m_path)), wide(m_name),
                                                            wide(m_remark), static_cast<ISyFSExport::eExportOptions>(0));
            if (!m_acl.empty())
            {
                const PSyACL rights = context.factory->getAccountMgt()->getACL();
                rights->modifyRights(wide(m_acl));
                share->setACL(rights);
            }
            share->share();
            document["share"] = shareDocument(files->getFSExport(wide(m_name)));
        }
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        if (document.contains("shares"))
            for (const CHostJson& share : document["shares"])
                renderShare(share, out);
        if (document.contains("sddl"))
            out << text(document["sddl"]) << L"\n";
        if (document.contains("share"))
            renderShare(document["share"], out);
        if (document.contains("inUse"))
        {
            out << L"in use\t" << (document["inUse"].get<bool>() ? L"yes" : L"no") << L"\n";
            if (document["rights"].empty())
                out << L"rights\tnone\n";
            for (const CHostJson& entry : document["rights"])
                out << L"rights\t" << entryLine(entry) << L"\n";
        }
        if (document.contains("unshared"))
            out << L"unshared " << text(document["unshared"]) << L"\n";
    }

private:
    CLI::App* m_list = nullptr;
    CLI::App* m_get = nullptr;
    CLI::App* m_add = nullptr;
    CLI::App* m_delete = nullptr;
    std::string m_name;
    std::string m_path;
    std::string m_acl;
    std::string m_remark;
    bool m_sddl = false;
} share;
} // namespace
