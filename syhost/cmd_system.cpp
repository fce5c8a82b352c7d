// System commands: the directories an installer writes to, and the restart that lets an installation go
// on after it (or after logging on as another user).
#include "hostcommand.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/common/syswin.h"
#include "syslib/system/sysystemmgt.h"

#include <sddl.h>

#include <string>

namespace
{
int runDirs(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (!arguments.empty())
        return usageError(context, L"dirs");
    ISySystemMgt* mgt = context.factory->getSystemMgt();
    context.out << L"WINDOWS\t" << mgt->getSpecialPath(ISySystemMgt::WINDOWS)->toString() << L"\n"
                << L"SYSTEM\t" << mgt->getSpecialPath(ISySystemMgt::SYSTEM)->toString() << L"\n";
    return HOST_OK;
}

#ifdef SYSLIB_STANDINS
// The test build's shutdown stand-in keeps each request; the last one is this run's.
void reportRecordedRequest(std::wostream& out)
{
    wchar_t requests[4096] = {0};
    DWORD size = sizeof(requests) - 2 * sizeof(wchar_t);
    syslib::CSyRegKey state;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vantix\\StandIns\\System", 0,
                        KEY_QUERY_VALUE | syslib::nativeRegistryView, state.receive()) != ERROR_SUCCESS ||
        ::RegGetValueW(state.get(), nullptr, L"ShutdownRequests", RRF_RT_REG_MULTI_SZ, nullptr, requests, &size) !=
            ERROR_SUCCESS)
        return;
    const wchar_t* last = requests;
    for (const wchar_t* entry = requests; *entry; entry += wcslen(entry) + 1)
        last = entry;
    const iastring request(last);
    out << L"test build: the shutdown stand-in recorded the request (flags " << request.substr(0, request.find(L' '))
        << L", reason " << request.substr(request.find(L' ') + 1) << L"); nothing restarts\n";
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

// What a restart would write, without writing it: the password masked, nothing asked of the system.
void describeArrangement(CHostContext& context, const PSyUser& user, bool withPassword, const iastring& command,
                         bool logoff)
{
    std::wostream& out = context.out;
    out << L"dry run: nothing is written and nothing " << (logoff ? L"logs off" : L"restarts") << L"\n";
    if (!command.empty())
        out << L"would write " << runOnceKey << L": Qel Installation = " << command << L"\n";
    if (withPassword)
    {
        out << L"would write " << winlogonKey << L": AutoAdminLogon = 1\n";
        if (user)
            out << L"would write " << winlogonKey << L": DefaultUserName = " << user->getName() << L"\n"
                << L"would write " << winlogonKey << L": DefaultDomainName = " << user->getDomain() << L"\n"
                << L"would write " << winlogonKey << L": ForceAutoLogon = 1\n";
        out << L"would write " << winlogonKey << L": AutoLogonCount = 1\n"
            << L"would store the LSA secret DefaultPassword = ********\n"
            << L"would remove " << winlogonKey << L": DefaultPassword, if an earlier setup left it\n";
    }
    else
        out << L"the automatic logon stays as it is (no password)\n";
    out << L"would then " << (logoff ? L"log off" : L"restart") << L"\n";
}

int runRestart(CHostContext& context, const std::vector<iastring>& arguments)
{
    iastring command, user;
    bool withPassword = false, logoff = false, dryRun = false;
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        if (arguments[i] == L"--command")
        {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty())
                return usageError(context, L"restart", L"--command needs the command to run once after the restart");
            command = arguments[++i];
        }
        else if (arguments[i] == L"--user")
        {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty())
                return usageError(context, L"restart", L"--user needs the name of the user who logs on next");
            user = arguments[++i];
        }
        else if (arguments[i] == L"--password-stdin")
            withPassword = true;
        else if (arguments[i] == L"--logoff")
            logoff = true;
        else if (arguments[i] == L"--dry-run")
            dryRun = true;
        else
            return usageError(context, L"restart", L"unknown argument " + arguments[i]);
    }
    if (!user.empty() && !logoff)
        return usageError(context, L"restart",
                          L"only --logoff can switch to another user: a restart logs the current user on again");
    if (!user.empty() && !withPassword)
        return usageError(context, L"restart",
                          L"--user needs --password-stdin: without a password no automatic logon is arranged");
    if (withPassword && logoff && user.empty())
        return usageError(context, L"restart", L"a logoff with a password needs the --user who logs on with it");

    iastring password;
    if (withPassword && (!readPasswordLine(password) || password.empty()))
        return usageError(context, L"restart", L"--password-stdin found no password on the first line of standard input");
    ISyPrivilegedSystemMgt* mgt = context.factory->getPrivilegedSystemMgt();
    const PSyUser account = !user.empty() ? context.factory->getAccountMgt()->getUser(user)
                            : logoff     ? PSyUser()
                                         : processUser(context);
    if (dryRun)
    {
        describeArrangement(context, account, withPassword, command, logoff);
        return HOST_OK;
    }
    if (logoff)
    {
        mgt->reLogin(account, password, command);
        context.out << L"logoff requested" << (user.empty() ? L"" : L"; " + user + L" logs on next") << L"\n";
    }
    else
    {
        mgt->reboot(password, command);
        context.out << L"restart requested\n";
    }
#ifdef SYSLIB_STANDINS
    reportRecordedRequest(context.out);
#endif
    return HOST_OK;
}

const CHostCommandRegistration dirs({L"dirs", L"", L"the Windows and system directories", runDirs});
const CHostCommandRegistration restart(
    {L"restart", L"[--command CMD] [--user NAME --password-stdin] [--logoff] [--dry-run]",
     L"arrange the automatic logon (and CMD to run once) in the registry, then restart, or log off with "
     L"--logoff; --dry-run only says what would be written",
     runRestart});
} // namespace
