// The process syhost runs in, as the library sees it: who it runs as, and its environment.
#include "hostcommand.h"
#include "syslib/process/syprocessmgt.h"

#include <sstream>

namespace
{
// "SID (DOMAIN\name)[ rest]", as the library's token dump writes an account.
CHostJson tokenAccount(const iastring& line)
{
    const iastring::size_type sidEnd = std::min(line.find(L' '), line.size());
    CHostJson account = {{"sid", utf8(line.substr(0, sidEnd))}, {"name", nullptr}};
    iastring rest = sidEnd < line.size() ? line.substr(sidEnd + 1) : iastring();
    if (!rest.empty() && rest[0] == L'(')
    {
        const iastring::size_type close = rest.find(L')');
        account["name"] = utf8(rest.substr(1, close - 1));
        rest = close + 2 <= rest.size() ? rest.substr(close + 2) : iastring();
    }
    account["attributes"] = utf8(rest);
    return account;
}

class CWhoamiCommand : public CHostCommand
{
public:
    CWhoamiCommand()
        : CHostCommand("whoami", "",
                       "the user's SID, then each group with its attributes and each privilege with its state",
                       "syhost whoami")
    {
    }
    void define(CLI::App&) override {}
    CHostResult run(CHostContext& context) override
    {
        CHostResult result;
        CHostJson& document = result.document;
        document["user"] = nullptr;
        document["groups"] = CHostJson::array();
        document["privileges"] = CHostJson::array();
        std::wistringstream dump(context.factory->getProcessMgt()->getCurrentProcessEnvironment()->dumpToken());
        for (iastring line; std::getline(dump, line);)
        {
            const iastring::size_type space = line.find(L' ');
            const iastring kind = line.substr(0, space);
            const iastring rest = space == iastring::npos ? iastring() : line.substr(space + 1);
            if (kind == L"user")
                document["user"] = tokenAccount(rest);
            else if (kind == L"group")
                document["groups"].push_back(tokenAccount(rest));
            else if (kind == L"privilege")
            {
                const iastring::size_type state = rest.rfind(L' ');
                document["privileges"].push_back(
                    {{"name", utf8(rest.substr(0, state))}, {"enabled", rest.substr(state + 1) == L"enabled"}});
            }
        }
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        auto account = [&](const wchar_t* kind, const CHostJson& entry) {
            out << kind << L" " << text(entry["sid"]);
            if (!entry["name"].is_null())
                out << L" (" << text(entry["name"]) << L")";
            if (!text(entry["attributes"]).empty())
                out << L" " << text(entry["attributes"]);
            out << L"\n";
        };
        if (!document["user"].is_null())
            account(L"user", document["user"]);
        for (const CHostJson& group : document["groups"])
            account(L"group", group);
        for (const CHostJson& privilege : document["privileges"])
            out << L"privilege " << text(privilege["name"])
                << (privilege["enabled"].get<bool>() ? L" enabled\n" : L" disabled\n");
    }
} whoami;

class CEnvCommand : public CHostCommand
{
public:
    CEnvCommand()
        : CHostCommand("env", "", "the process environment: variables, user and working directory", "syhost env")
    {
    }
    void define(CLI::App&) override {}
    CHostResult run(CHostContext& context) override
    {
        CHostResult result;
        result.document["lines"] = CHostJson::array();
        std::wistringstream dump(context.factory->getProcessMgt()->getCurrentProcessEnvironment()->dump());
        for (iastring line; std::getline(dump, line);)
            result.document["lines"].push_back(utf8(line));
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        for (const CHostJson& line : document["lines"])
            out << text(line) << L"\n";
    }
} env;
} // namespace
