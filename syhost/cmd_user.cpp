// Users and groups as an installer makes them: create, inspect, change passwords, join and leave groups,
// delete. Passwords come from standard input only, so that no process list ever shows one.
#include "hostcommand.h"
#include "syslib/account/syaccountmgt.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace
{
struct COptions
{
    std::vector<iastring> positional;
    iastring description;
    iastring home;
    std::vector<iastring> groups;
    bool passwordStdin = false;
    bool removeHome = false;
    bool hasDescription = false;
};

// false for an unknown option or one without its value.
bool parse(const std::vector<iastring>& arguments, std::size_t from, COptions& options)
{
    for (std::size_t i = from; i < arguments.size(); ++i)
    {
        const iastring& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == L"--password-stdin")
            options.passwordStdin = true;
        else if (argument == L"--remove-home")
            options.removeHome = true;
        else if (argument == L"--description" && hasValue)
        {
            options.description = arguments[++i];
            options.hasDescription = true;
        }
        else if (argument == L"--home" && hasValue)
            options.home = arguments[++i];
        else if (argument == L"--group" && hasValue)
            options.groups.push_back(arguments[++i]);
        else if (argument.compare(0, 2, L"--") == 0)
            return false;
        else
            options.positional.push_back(argument);
    }
    return true;
}

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

const wchar_t* kindName(int type)
{
    return (type & 3) == ISyAccountMgt::GROUP ? L"group" : L"user";
}

void printList(CHostContext& context, const PSyAccountIterator& accounts)
{
    std::vector<std::pair<iastring, iastring>> lines;
    for (; !accounts->isDone(); accounts->next())
    {
        const PSyAccount account = accounts->get();
        lines.emplace_back(account->getName(), iastring(kindName(account->getType())) + L"\t" + account->getSID());
    }
    std::sort(lines.begin(), lines.end());
    for (const auto& line : lines)
        context.out << line.first << L"\t" << line.second << L"\n";
}

int runUser(CHostContext& context, const std::vector<iastring>& arguments)
{
    COptions options;
    if (arguments.empty() || !parse(arguments, 1, options))
        return usageError(context, L"user");
    const iastring& verb = arguments[0];
    ISyAccountMgt& accounts = *context.factory->getAccountMgt();
    const std::size_t names = options.positional.size();
    if (verb == L"list" && names <= 1)
    {
        printList(context, accounts.getAccounts(ISyAccountMgt::USER, names ? options.positional[0] : L"", false));
        return HOST_OK;
    }
    if (names != 1)
        return usageError(context, L"user");
    const iastring& name = options.positional[0];
    const bool needsPassword = verb == L"add" || verb == L"passwd" || verb == L"check";
    if (needsPassword != options.passwordStdin)
        return usageError(context, L"user");
    iastring password;
    if (options.passwordStdin && !readPasswordLine(password) && verb != L"add")
        return usageError(context, L"user");
    if (verb == L"add")
    {
        CUserData data;
        data.m_name = name;
        data.m_password = password;
        data.m_description = options.description;
        data.m_homeDirectory = options.home;
        data.m_groups = options.groups;
        const PSyUser user = accounts.createUser(data);
        context.out << L"created\t" << user->getName() << L"\t" << user->getSID() << L"\n";
    }
    else if (verb == L"get")
    {
        const PSyUser user = accounts.getUser(name);
        context.out << L"name\t" << user->getName() << L"\nsid\t" << user->getSID() << L"\ndomain\t"
                    << user->getDomain() << L"\ndescription\t" << user->getDescription() << L"\nhome\t"
                    << pathText(user->getHomeDirectory()) << L"\npassword\t"
                    << (user->hasPassword() ? L"set" : L"none (disabled)") << L"\n";
        std::vector<iastring> groups;
        const PSyAccountIterator membership = user->getMembership();
        for (; !membership->isDone(); membership->next())
            groups.push_back(membership->get()->getName());
        std::sort(groups.begin(), groups.end());
        for (const iastring& group : groups)
            context.out << L"group\t" << group << L"\n";
    }
    else if (verb == L"delete")
    {
        const PSyUser user = accounts.getUser(name);
        if (options.removeHome)
            user->remove();
        else
            user->removeWithoutHome();
        context.out << L"deleted\t" << name << L"\n";
    }
    else if (verb == L"passwd")
    {
        accounts.getUser(name)->setPassword(password);
        context.out << L"password set\t" << name << L"\n";
    }
    else if (verb == L"check")
    {
        const bool right = accounts.getUser(name)->checkPassword(password);
        context.out << (right ? L"password is right\n" : L"password is wrong\n");
        ::SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
        return right ? HOST_OK : HOST_FAILED;
    }
    else
        return usageError(context, L"user");
    if (!password.empty())
        ::SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
    return HOST_OK;
}

int runGroup(CHostContext& context, const std::vector<iastring>& arguments)
{
    COptions options;
    if (arguments.empty() || !parse(arguments, 1, options) || options.passwordStdin || options.removeHome ||
        !options.home.empty() || !options.groups.empty())
        return usageError(context, L"group");
    const iastring& verb = arguments[0];
    const std::vector<iastring>& names = options.positional;
    ISyAccountMgt& accounts = *context.factory->getAccountMgt();
    if (verb == L"list" && names.size() <= 1)
        printList(context, accounts.getAccounts(ISyAccountMgt::GROUP, names.empty() ? L"" : names[0], false));
    else if (verb == L"add" && names.size() == 1)
    {
        const PSyGroup group = accounts.createGroup(names[0], L"");
        if (options.hasDescription)
            group->setDescription(options.description);
        context.out << L"created\t" << group->getName() << L"\t" << group->getSID() << L"\n";
    }
    else if (verb == L"delete" && names.size() == 1)
    {
        accounts.getGroup(names[0])->remove();
        context.out << L"deleted\t" << names[0] << L"\n";
    }
    else if (verb == L"members" && names.size() == 1)
        printList(context, accounts.getGroup(names[0])->getMembers(ISyAccountMgt::NONE, L"", false));
    else if ((verb == L"add-member" || verb == L"remove-member") && names.size() == 2)
    {
        const PSyGroup group = accounts.getGroup(names[0]);
        const PSyAccount member = accounts.getAccount(ISyAccountMgt::NONE, names[1]);
        if (verb == L"add-member")
            group->addMember(member);
        else
            group->removeMember(member);
        context.out << (verb == L"add-member" ? L"added\t" : L"removed\t") << member->getName() << L"\n";
    }
    else
        return usageError(context, L"group");
    return HOST_OK;
}

const CHostCommandRegistration user(
    {L"user",
     L"add NAME [--description D] [--home DIR] [--group G]... --password-stdin | get NAME | delete NAME "
     L"[--remove-home] | passwd NAME --password-stdin | check NAME --password-stdin | list [PATTERN]",
     L"local users: create, inspect, set or check a password (read from standard input), delete, list; check exits "
     L"1 for a wrong password",
     runUser});
const CHostCommandRegistration group(
    {L"group",
     L"add NAME [--description D] | delete NAME | members NAME | add-member GROUP ACCOUNT | remove-member GROUP "
     L"ACCOUNT | list [PATTERN]",
     L"local groups: create, delete, list, and their members", runGroup});
} // namespace
