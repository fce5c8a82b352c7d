// System commands: the directories an installer writes to, and the restart that lets an installation go
// on after it (or after logging on as another user).
#include "hostcommand.h"
#include "syslib/filesystem/syfspath.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/common/syswin.h"
#include "syslib/system/sysystemmgt.h"

#include <sddl.h>

#include <string>

namespace
{
#ifdef SYSLIB_STANDINS
// The test build's shutdown stand-in keeps each request; the last one is this run's.
CHostJson recordedRequest()
{
    wchar_t requests[4096] = {0};
    DWORD size = sizeof(requests) - 2 * sizeof(wchar_t);
    syslib::CSyRegKey state;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vantix\\StandIns\\System", 0,
                        KEY_QUERY_VALUE | syslib::nativeRegistryView, state.receive()) != ERROR_SUCCESS ||
        ::RegGetValueW(state.get(), nullptr, L"ShutdownRequests", RRF_RT_REG_MULTI_SZ, nullptr, requests, &size) !=
            ERROR_SUCCESS)
        return CHostJson();
    const wchar_t* last = requests;
    for (const wchar_t* entry = requests; *entry; entry += wcslen(entry) + 1)
        last = entry;
    const iastring request(last);
    return {{"flags", utf8(request.substr(0, request.find(L' ')))}, {"reason", utf8(request.substr(request.find(L' ') + 1))}};
}
#endif

const wchar_t* const runOnceKey = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t* const winlogonKey = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

// The account syhost runs as, by its token's SID, as the library finds it for a restart.
PSyUser processUser(CHostContext& context)
{
    syslib::CSyKernelHandle token;
    alignas(TOKEN_USER) BYTE buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    DWORD size = 0;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive()) ||
        !::GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &size))
        return PSyUser();
    syslib::CSyLocalMem<wchar_t*> sid;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid.receive()))
        return PSyUser();
    return context.factory->getAccountMgt()->getUser(sid.get());
}

CHostJson registryWrite(const wchar_t* key, const wchar_t* name, const iastring& value)
{
    return {{"key", utf8(key)}, {"name", utf8(name)}, {"value", utf8(value)}};
}

// What a restart writes, without writing it: the password masked, nothing asked of the system.
CHostJson arrangement(const PSyUser& user, bool withPassword, const iastring& command)
{
    CHostJson writes = CHostJson::array();
    if (!command.empty())
        writes.push_back(registryWrite(runOnceKey, L"Qel Installation", command));
    if (withPassword)
    {
        writes.push_back(registryWrite(winlogonKey, L"AutoAdminLogon", L"1"));
        if (user)
        {
            writes.push_back(registryWrite(winlogonKey, L"DefaultUserName", user->getName()));
            writes.push_back(registryWrite(winlogonKey, L"DefaultDomainName", user->getDomain()));
            writes.push_back(registryWrite(winlogonKey, L"ForceAutoLogon", L"1"));
        }
        writes.push_back(registryWrite(winlogonKey, L"AutoLogonCount", L"1"));
    }
    return {{"writes", writes},
            {"secret", withPassword ? CHostJson("DefaultPassword") : CHostJson()},
            {"removes", withPassword ? CHostJson::array({registryWrite(winlogonKey, L"DefaultPassword", L"")})
                                     : CHostJson::array()}};
}

class CDirsCommand : public CHostCommand
{
public:
    CDirsCommand() : CHostCommand("dirs", "", "the Windows and system directories", "syhost dirs") {}
    void define(CLI::App&) override {}
    CHostResult run(CHostContext& context) override
    {
        ISySystemMgt* system = context.factory->getSystemMgt();
        CHostResult result;
        result.document = {{"WINDOWS", utf8(system->getSpecialPath(ISySystemMgt::WINDOWS)->toOSString())},
                           {"SYSTEM", utf8(system->getSpecialPath(ISySystemMgt::SYSTEM)->toOSString())}};
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        for (const auto& directory : document.items())
            out << wide(directory.key()) << L"\t" << text(directory.value()) << L"\n";
    }
} dirs;

class CRestartCommand : public CHostCommand
{
public:
    CRestartCommand()
        : CHostCommand("restart", "[--command CMD] [--user NAME --password-stdin] [--logoff] [--dry-run]",
                       "arrange the automatic logon (and CMD to run once) in the registry, then restart, or log off "
                       "with --logoff; --dry-run only says what would be written",
                       "syhost restart --command \"C:\\setup\\resume.exe /phase 2\" --dry-run")
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("--command", m_command, "the command Windows runs once after the logon")->check(nonEmpty());
        command.add_option("--user", m_user, "the user who logs on next (with --logoff)")->check(nonEmpty());
        command.add_flag("--password-stdin", m_withPassword, "the password of the automatic logon is the first line of standard input");
        command.add_flag("--logoff", m_logoff, "log off instead of restarting");
        command.add_flag("--dry-run", m_dryRun, "say what would be written; write nothing, restart nothing");
    }
    CHostResult run(CHostContext& context) override
    {
        if (!m_user.empty() && !m_logoff)
            throw CHostUsageError(L"only --logoff can switch to another user: a restart logs the current user on again");
        if (!m_user.empty() && !m_withPassword)
            throw CHostUsageError(L"--user needs --password-stdin: without a password no automatic logon is arranged");
        if (m_withPassword && m_logoff && m_user.empty())
            throw CHostUsageError(L"a logoff with a password needs the --user who logs on with it");
        iastring password;
        if (m_withPassword && (!readPasswordLine(password) || password.empty()))
            throw CHostUsageError(L"--password-stdin found no password on the first line of standard input");

        const iastring user = wide(m_user);
        const iastring command = wide(m_command);
        const PSyUser account = !user.empty() ? context.factory->getAccountMgt()->getUser(user)
                                : m_logoff    ? PSyUser()
                                              : processUser(context);
        CHostResult result;
        result.document = arrangement(account, m_withPassword, command);
        result.document["action"] = m_logoff ? "logoff" : "restart";
        result.document["dryRun"] = m_dryRun;
        result.document["nextUser"] = user.empty() ? CHostJson() : CHostJson(m_user);
        if (!m_dryRun)
        {
            ISyPrivilegedSystemMgt* system = context.factory->getPrivilegedSystemMgt();
            if (m_logoff)
                system->reLogin(account, password, command);
            else
                system->reboot(password, command);
#ifdef SYSLIB_STANDINS
            result.document["recorded"] = recordedRequest();
#endif
        }
        wipe(password);
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        const bool logoff = text(document["action"]) == L"logoff";
        if (!document["dryRun"].get<bool>())
        {
            out << (logoff ? L"logoff requested" : L"restart requested")
                << (document["nextUser"].is_null() ? iastring() : L"; " + text(document["nextUser"]) + L" logs on next")
                << L"\n";
            if (document.contains("recorded") && !document["recorded"].is_null())
                out << L"test build: the shutdown stand-in recorded the request (flags "
                    << text(document["recorded"]["flags"]) << L", reason " << text(document["recorded"]["reason"])
                    << L"); nothing restarts\n";
            return;
        }
        out << L"dry run: nothing is written and nothing " << (logoff ? L"logs off" : L"restarts") << L"\n";
        for (const CHostJson& write : document["writes"])
            out << L"would write " << text(write["key"]) << L": " << text(write["name"]) << L" = "
                << text(write["value"]) << L"\n";
        if (!document["secret"].is_null())
            out << L"would store the LSA secret " << text(document["secret"]) << L" = ********\n";
        for (const CHostJson& removal : document["removes"])
            out << L"would remove " << text(removal["key"]) << L": " << text(removal["name"])
                << L", if an earlier setup left it\n";
        if (document["secret"].is_null())
            out << L"the automatic logon stays as it is (no password)\n";
        out << L"would then " << (logoff ? L"log off" : L"restart") << L"\n";
    }

private:
    std::string m_command;
    std::string m_user;
    bool m_withPassword = false;
    bool m_logoff = false;
    bool m_dryRun = false;
} restart;
} // namespace
