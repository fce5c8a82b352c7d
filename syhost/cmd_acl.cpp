// Access-rights expressions and the rights of files and directories: what the library makes of an
// expression, what a node carries, and the change an installer would make.
#include "hostacl.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/account/syaclparser.h"
#include "syslib/filesystem/syfilesystemmgt.h"

#include <iomanip>
#include <sstream>

namespace
{
std::string maskText(unsigned long mask)
{
    std::ostringstream out;
    out << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << mask;
    return out.str();
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

class CAclCommand : public CHostCommand
{
public:
    CAclCommand()
        : CHostCommand("acl",
                       "parse \"EXPR\" [--type file|registry|service] [--compatibility LEVEL] | get PATH [--sddl] | "
                       "set|add|remove PATH \"EXPR\"",
                       "the entries and access masks of an ACL expression; the owner, group and entries of a file or "
                       "directory (or its descriptor in SDDL); a new list, added rights, removed accounts",
                       "syhost acl add C:\\data \"(Users, GROUP, +rw, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)\"")
    {
    }
    void define(CLI::App& command) override
    {
        command.require_subcommand(1);
        m_parse = command.add_subcommand("parse", "the entries and masks of an expression");
        m_parse->add_option("expression", m_expression, "the rights expression")->required();
        m_parse->add_option("--type", m_type, "the kind of object the masks are for (file)")
            ->check(CLI::IsMember({"file", "registry", "service"}));
        m_parse->add_option("--compatibility", m_compatibility, "the compatibility level to parse with")
            ->check(CLI::Range(0, 99999999));
        m_get = command.add_subcommand("get", "the owner, group and entries of a file or directory");
        m_get->add_option("path", m_path, "the file or directory")->required()->check(nonEmpty());
        m_get->add_flag("--sddl", m_sddl, "the descriptor Windows holds, as SDDL");
        m_set = command.add_subcommand("set", "a new list of entries; the owner stays");
        m_add = command.add_subcommand("add", "the expression's rights added");
        m_remove = command.add_subcommand("remove", "every entry of the accounts the expression names removed");
        for (CLI::App* change : {m_set, m_add, m_remove})
        {
            change->add_option("path", m_path, "the file or directory")->required()->check(nonEmpty());
            change->add_option("expression", m_expression, "the rights expression")->required();
        }
        for (CLI::App* verb : {m_parse, m_get, m_set, m_add, m_remove})
            verb->fallthrough();
    }
    CHostResult run(CHostContext& context) override
    {
        if (*m_parse)
            return parse(context);
        const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
        const PSyNode node = files->getNode(files->getFSPath(wide(m_path)));
        CHostResult result;
        if (*m_get && m_sddl)
        {
            result.document["sddl"] = utf8(node->getACL()->dumpNative());
            return result;
        }
        if (!*m_get)
            change(context, *node);
        result.document = aclDocument(context, node->getACL());
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        if (document.contains("sddl"))
            out << text(document["sddl"]) << L"\n";
        else if (document.contains("masksFor"))
        {
            const CHostJson& entries = document["entries"];
            out << entries.size() << L" entries, masks for " << text(document["masksFor"]) << L"\n";
            for (const CHostJson& entry : entries)
                out << text(entry["text"]) << L"\n  allowed " << text(entry["allowed"]) << L"  denied "
                    << text(entry["denied"]) << L"  inheritance " << text(entry["inheritance"]) << L"\n";
        }
        else if (document.contains("owner"))
            renderAcl(document, out);
    }

private:
    void change(CHostContext& context, ISyNode& node)
    {
        const iastring expression = wide(m_expression);
        PSyACL acl = node.getACL();
        if (*m_set)
        {
            // A new list: the node's entries go, its owner stays.
            acl = context.factory->getAccountMgt()->getACL();
            acl->modifyRights(expression);
        }
        else if (*m_add)
            acl->modifyRights(expression);
        else
        {
            const PSyACLExpression parsed = context.factory->getAccountMgt()->parseACLExpression(expression, FILESYSTEM);
            for (unsigned int i = 0; i < parsed->getEntryCount(); ++i)
                acl->deleteEntry(accountOfEntry(context, parsed->getEntryText(i)));
        }
        node.setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    }

    CHostResult parse(CHostContext& context)
    {
        const SecurableObjectType type = m_type == "registry" ? REGISTRY_KEY : m_type == "service" ? SERVICE : FILESYSTEM;
        const int previous = context.factory->getCompatibility();
        context.factory->setCompatibility(m_compatibility < 0 ? previous : m_compatibility);
        CHostResult result;
        try
        {
            const PSyACLExpression expression =
                context.factory->getAccountMgt()->parseACLExpression(wide(m_expression), type);
            context.factory->setCompatibility(previous);
            result.document["masksFor"] = m_type;
            result.document["entries"] = CHostJson::array();
            for (unsigned int i = 0; i < expression->getEntryCount(); ++i)
                result.document["entries"].push_back({{"text", utf8(expression->getEntryText(i))},
                                                      {"allowed", maskText(expression->getAllowedMask(i))},
                                                      {"denied", maskText(expression->getDeniedMask(i))},
                                                      {"inheritance", maskText(expression->getInheritanceFlags(i))}});
        }
        catch (const SyAclStrings::CSySecurityParser::ESecuritySyntaxError& error)
        {
            context.factory->setCompatibility(previous);
            result.fail(error, *context.logBook);
            result.error["text"] = utf8(text(result.error["text"]) + L" (position " +
                                        std::to_wstring(error.getPosition()) + L")");
            result.document["position"] = error.getPosition();
        }
        return result;
    }

    CLI::App* m_parse = nullptr;
    CLI::App* m_get = nullptr;
    CLI::App* m_set = nullptr;
    CLI::App* m_add = nullptr;
    CLI::App* m_remove = nullptr;
    std::string m_expression;
    std::string m_path;
    std::string m_type = "file";
    int m_compatibility = -1; // the factory's
    bool m_sddl = false;
} acl;
} // namespace
