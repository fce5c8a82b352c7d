// System commands: the directories an installer writes to, and the restart that lets an installation go
// on after it (or after logging on as another user).
#include "hostcommand.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/common/syswin.h"
#include "syslib/system/sysystemmgt.h"

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

int runRestart(CHostContext& context, const std::vector<iastring>& arguments)
{
    iastring command, user;
    bool withPassword = false, logoff = false;
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        if (arguments[i] == L"--command" && i + 1 < arguments.size())
            command = arguments[++i];
        else if (arguments[i] == L"--user" && i + 1 < arguments.size() && !arguments[i + 1].empty())
            user = arguments[++i];
        else if (arguments[i] == L"--password-stdin")
            withPassword = true;
        else if (arguments[i] == L"--logoff")
            logoff = true;
        else
            return usageError(context, L"restart");
    }
    // A restart logs the current user on again; only a logoff can switch to another one.
    if ((!user.empty() && !logoff) || (withPassword && logoff && user.empty()))
        return usageError(context, L"restart");

    iastring password;
    if (withPassword)
        readPasswordLine(password);
    ISyPrivilegedSystemMgt* mgt = context.factory->getPrivilegedSystemMgt();
    if (logoff)
    {
        const PSyUser account = user.empty() ? PSyUser() : context.factory->getAccountMgt()->getUser(user);
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
    {L"restart", L"[--command CMD] [--user NAME --password-stdin] [--logoff]",
     L"arrange the automatic logon (and CMD to run once) in the registry, then restart, or log off with "
     L"--logoff",
     runRestart});
} // namespace
