// Users and groups as an installer makes them: create, inspect, change passwords, join and leave groups,
// delete. Passwords come from standard input only, so that no process list ever shows one.
#include "hostcommand.h"
#include "syslib/account/syaccountmgt.h"

#include <windows.h>

#include <algorithm>

namespace
{
// A path's text from its components: syhost reaches the library through its interfaces only, so it
// cannot call the path's own printing.
iastring pathText(const CSyPath& path)
{
    iastring text;
    for (std::size_t i = 0; i < path.size(); ++i)
    {
        if (i > 0 && !text.empty() && text.back() != L'\\')
            text += L'\\';
        text += path[i].getText();
    }
    return text;
}

const char* kindName(int type)
{
    return (type & 3) == ISyAccountMgt::GROUP ? "group" : "user";
}

CHostJson accountList(const PSyAccountIterator& accounts)
{
    std::vector<std::pair<iastring, CHostJson>> sorted;
    for (; !accounts->isDone(); accounts->next())
    {
        const PSyAccount account = accounts->get();
        sorted.emplace_back(account->getName(), CHostJson({{"name", utf8(account->getName())},
                                                          {"kind", kindName(account->getType())},
                                                          {"sid", utf8(account->getSID())}}));
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const std::pair<iastring, CHostJson>& a, const std::pair<iastring, CHostJson>& b) {
                  return a.first < b.first;
              });
    CHostJson list = CHostJson::array();
    for (const auto& entry : sorted)
        list.push_back(entry.second);
    return list;
}

void renderAccounts(const CHostJson& list, std::wostream& out)
{
    for (const CHostJson& account : list)
        out << text(account["name"]) << L"\t" << text(account["kind"]) << L"\t" << text(account["sid"]) << L"\n";
}

// A verb that takes a name.
CLI::App* verb(CLI::App& command, const char* name, const char* summary, std::string& account)
{
    CLI::App* parser = command.add_subcommand(name, summary);
    parser->add_option("name", account, "the account's name")->required()->check(nonEmpty());
    parser->fallthrough();
    return parser;
}

// "list [PATTERN]".
CLI::App* listVerb(CLI::App& command, const char* summary, std::string& pattern)
{
    CLI::App* parser = command.add_subcommand("list", summary);
    parser->add_option("pattern", pattern, "'*' any characters, '?' one");
    parser->fallthrough();
    return parser;
}

CHostJson created(const PSyAccount& account)
{
    return {{"name", utf8(account->getName())}, {"sid", utf8(account->getSID())}};
}

void renderCreated(const CHostJson& document, std::wostream& out)
{
    if (document.contains("created"))
        out << L"created\t" << text(document["created"]["name"]) << L"\t" << text(document["created"]["sid"]) << L"\n";
}

// The password the verb reads, wiped when the command is done.
class CPassword
{
public:
    CPassword() = default;
    ~CPassword() { wipe(m_text); }
    CPassword(const CPassword&) = delete;
    CPassword& operator=(const CPassword&) = delete;
    // A new user may start without a password; a password to set or check is a line.
    void read(bool lineNeeded)
    {
        if (!readPasswordLine(m_text) && lineNeeded)
            throw CHostUsageError(L"--password-stdin found no line on standard input");
    }
    const iastring& text() const { return m_text; }

private:
    iastring m_text;
};

class CUserCommand : public CHostCommand
{
public:
    CUserCommand()
        : CHostCommand("user",
                       "add NAME [--description D] [--home DIR] [--group G]... --password-stdin | get NAME | delete "
                       "NAME [--remove-home] | passwd NAME --password-stdin | check NAME --password-stdin | list "
                       "[PATTERN]",
                       "local users: create, inspect, set or check a password (read from standard input), delete, "
                       "list; check exits 1 for a wrong password",
                       "echo %PASSWORD%| syhost user add svcapp --description \"App service\" --password-stdin")
    {
    }
    void define(CLI::App& command) override
    {
        command.require_subcommand(1);
        m_add = verb(command, "add", "create a local user", m_name);
        m_add->add_option("--description", m_description, "the user's description");
        m_add->add_option("--home", m_home, "the user's home directory");
        m_add->add_option("--group", m_groups, "a group the user joins (once per group)")->allow_extra_args(false);
        m_get = verb(command, "get", "the user's SID, description, home, password state and groups", m_name);
        m_delete = verb(command, "delete", "delete the user", m_name);
        m_delete->add_flag("--remove-home", m_removeHome, "and its home directory");
        m_passwd = verb(command, "passwd", "set the user's password", m_name);
        m_check = verb(command, "check", "check the user's password; exit 1 when it is wrong", m_name);
        for (CLI::App* needsPassword : {m_add, m_passwd, m_check})
            needsPassword->add_flag("--password-stdin", m_passwordStdin, "the password is the first line of standard input")
                ->required();
        m_list = listVerb(command, "the users whose names match", m_pattern);
    }
    CHostResult run(CHostContext& context) override
    {
        ISyAccountMgt& accounts = *context.factory->getAccountMgt();
        const iastring name = wide(m_name);
        CHostResult result;
        CHostJson& document = result.document;
        CPassword password;
        if (m_passwordStdin)
            password.read(!*m_add);
        if (*m_list)
            document["accounts"] = accountList(accounts.getAccounts(ISyAccountMgt::USER, wide(m_pattern), false));
        else if (*m_add)
        {
            CUserData data;
            data.m_name = name;
            data.m_password = password.text();
            data.m_description = wide(m_description);
            data.m_homeDirectory = wide(m_home);
            for (const std::string& group : m_groups)
                data.m_groups.push_back(wide(group));
            const PSyUser user = accounts.createUser(data);
            wipe(data.m_password);
            document["created"] = created(user);
        }
        else if (*m_get)
        {
            const PSyUser user = accounts.getUser(name);
            document = {{"name", utf8(user->getName())},
                        {"sid", utf8(user->getSID())},
                        {"domain", utf8(user->getDomain())},
                        {"description", utf8(user->getDescription())},
                        {"home", utf8(pathText(user->getHomeDirectory()))},
                        {"password", user->hasPassword() ? "set" : "none (disabled)"},
                        {"groups", CHostJson::array()}};
            std::vector<std::string> groups;
            for (const PSyAccountIterator membership = user->getMembership(); !membership->isDone(); membership->next())
                groups.push_back(utf8(membership->get()->getName()));
            std::sort(groups.begin(), groups.end());
            for (const std::string& group : groups)
                document["groups"].push_back(group);
        }
        else if (*m_delete)
        {
            const PSyUser user = accounts.getUser(name);
            if (m_removeHome)
                user->remove();
            else
                user->removeWithoutHome();
            document["deleted"] = m_name;
        }
        else if (*m_passwd)
        {
            accounts.getUser(name)->setPassword(password.text());
            document["passwordSet"] = m_name;
        }
        else
        {
            const bool right = accounts.getUser(name)->checkPassword(password.text());
            document = {{"name", m_name}, {"passwordRight", right}};
            if (!right)
                result.fail(L"WrongPassword", L"the password of " + name + L" is wrong");
        }
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        if (document.contains("accounts"))
            renderAccounts(document["accounts"], out);
        else if (document.contains("created"))
            renderCreated(document, out);
        else if (document.contains("deleted"))
            out << L"deleted\t" << text(document["deleted"]) << L"\n";
        else if (document.contains("passwordSet"))
            out << L"password set\t" << text(document["passwordSet"]) << L"\n";
        else if (document.contains("passwordRight"))
            out << (document["passwordRight"].get<bool>() ? L"password is right\n" : L"password is wrong\n");
        else
        {
            for (const char* key : {"name", "sid", "domain", "description", "home", "password"})
                out << wide(key) << L"\t" << text(document[key]) << L"\n";
            for (const CHostJson& group : document["groups"])
                out << L"group\t" << text(group) << L"\n";
        }
    }

private:
    CLI::App* m_add = nullptr;
    CLI::App* m_get = nullptr;
    CLI::App* m_delete = nullptr;
    CLI::App* m_passwd = nullptr;
    CLI::App* m_check = nullptr;
    CLI::App* m_list = nullptr;
    std::string m_name;
    std::string m_description;
    std::string m_home;
    std::vector<std::string> m_groups;
    std::string m_pattern;
    bool m_removeHome = false;
    bool m_passwordStdin = false;
} user;

class CGroupCommand : public CHostCommand
{
public:
    CGroupCommand()
        : CHostCommand("group",
                       "add NAME [--description D] | delete NAME | members NAME | add-member GROUP ACCOUNT | "
                       "remove-member GROUP ACCOUNT | list [PATTERN]",
                       "local groups: create, delete, list, and their members", "syhost group add-member Svcs svcapp")
    {
    }
    void define(CLI::App& command) override
    {
        command.require_subcommand(1);
        m_add = verb(command, "add", "create a local group", m_name);
        m_add->add_option("--description", m_description, "the group's description");
        m_delete = verb(command, "delete", "delete the group", m_name);
        m_members = verb(command, "members", "the group's members", m_name);
        m_addMember = verb(command, "add-member", "an account joins the group", m_name);
        m_removeMember = verb(command, "remove-member", "an account leaves the group", m_name);
        for (CLI::App* membership : {m_addMember, m_removeMember})
            membership->add_option("account", m_member, "the user or group")->required()->check(nonEmpty());
        m_list = listVerb(command, "the groups whose names match", m_pattern);
    }
    CHostResult run(CHostContext& context) override
    {
        ISyAccountMgt& accounts = *context.factory->getAccountMgt();
        const iastring name = wide(m_name);
        CHostResult result;
        CHostJson& document = result.document;
        if (*m_list)
            document["accounts"] = accountList(accounts.getAccounts(ISyAccountMgt::GROUP, wide(m_pattern), false));
        else if (*m_add)
        {
            const PSyGroup group = accounts.createGroup(name, L"");
            if (!m_description.empty())
                group->setDescription(wide(m_description));
            document["created"] = created(group);
        }
        else if (*m_delete)
        {
            accounts.getGroup(name)->remove();
            document["deleted"] = m_name;
        }
        else if (*m_members)
            document["accounts"] = accountList(accounts.getGroup(name)->getMembers(ISyAccountMgt::NONE, L"", false));
        else
        {
            const PSyGroup group = accounts.getGroup(name);
            const PSyAccount member = accounts.getAccount(ISyAccountMgt::NONE, wide(m_member));
            if (*m_addMember)
                group->addMember(member);
            else
                group->removeMember(member);
            document[*m_addMember ? "added" : "removed"] = utf8(member->getName());
        }
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        if (document.contains("accounts"))
            renderAccounts(document["accounts"], out);
        renderCreated(document, out);
        for (const char* done : {"deleted", "added", "removed"})
            if (document.contains(done))
                out << wide(done) << L"\t" << text(document[done]) << L"\n";
    }

private:
    CLI::App* m_add = nullptr;
    CLI::App* m_delete = nullptr;
    CLI::App* m_members = nullptr;
    CLI::App* m_addMember = nullptr;
    CLI::App* m_removeMember = nullptr;
    CLI::App* m_list = nullptr;
    std::string m_name;
    std::string m_description;
    std::string m_member;
    std::string m_pattern;
} group;
} // namespace
