// Windows code: the logon, profile and impersonation behind a user switch.
#include "syuserswitch.h"

#include "sythreadapi.h"

#include "syslib/account/syaccountapi.h"
#include "syslib/common/sylock.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/sywinsec.h"

#include <aclapi.h>

#include <map>
#include <memory>
#include <vector>

SY_SOURCE_FILE(L"synxusrsw")

namespace
{
struct CSwitch
{
    iastring userSid;
    // The thread token the impersonation made: a thread whose token is another one was switched by
    // someone else since.
    LUID threadTokenId = {0, 0};
    // Reverts and unloads the profile when it goes.
    std::unique_ptr<CAccessToken> logon;
};

syslib::CSyLock g_switchesLock;
// Never destroyed: reverting at unload would act on whatever thread unloads the library.
std::map<DWORD, CSwitch>& switches()
{
    static std::map<DWORD, CSwitch>* const all = new std::map<DWORD, CSwitch>;
    return *all;
}
// The switch a thread ran under when one of its tasks switched it to the task's user: back at the end.
std::map<DWORD, CSwitch>& setAside()
{
    static std::map<DWORD, CSwitch>* const all = new std::map<DWORD, CSwitch>;
    return *all;
}

// The logon of a task that was still running when its start ended: the task's process or thread runs as
// that user, so its profile stays until the task has ended.
struct CKeptLogon
{
    syslib::CSyKernelHandle task;
    std::unique_ptr<CAccessToken> logon;
};
std::vector<CKeptLogon>& keptLogons()
{
    static std::vector<CKeptLogon>* const all = new std::vector<CKeptLogon>;
    return *all;
}

bool threadImpersonates()
{
    CAccessToken token;
    return token.openThreadToken(TOKEN_QUERY, true) || ::GetLastError() != ERROR_NO_TOKEN;
}

bool tokenId(HANDLE token, LUID& id)
{
    TOKEN_STATISTICS statistics;
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenStatistics, &statistics, sizeof(statistics), &size))
        return false;
    id = statistics.TokenId;
    return true;
}

bool sameId(const LUID& a, const LUID& b)
{
    return a.LowPart == b.LowPart && a.HighPart == b.HighPart;
}

[[noreturn]] void throwWin32(DWORD error)
{
    throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
}

// A caller's switch that does not come back is over: its logon goes, as the process, and the cached
// HKEY_CURRENT_USER, opened for whoever the thread was, with it.
void endCallersSwitch(CSwitch& caller)
{
    if (caller.logon)
    {
        caller.logon->forgetImpersonation();
        caller.logon.reset();
    }
    ::RegCloseKey(HKEY_CURRENT_USER);
}

// Called once the thread no longer impersonates the logon's user, so that the profile goes as the process.
void keepWhileRunning(std::unique_ptr<CAccessToken> logon, HANDLE task)
{
    if (!logon || !task || ::WaitForSingleObject(task, 0) != WAIT_TIMEOUT)
        return;
    syslib::CSyKernelHandle waitable;
    if (!::DuplicateHandle(::GetCurrentProcess(), task, ::GetCurrentProcess(), waitable.receive(), SYNCHRONIZE, FALSE,
                           0))
    {
        syslib::printOSError(::GetLastError(), L"DuplicateHandle", __LINE__, L"SYNCHRONIZE", CMessage::LOG_WARNING,
                             syThisSourceFile);
        return;
    }
    std::lock_guard<syslib::CSyLock> lock(g_switchesLock);
    keptLogons().push_back({std::move(waitable), std::move(logon)});
}

// One allow entry more in the DACL of an object the caller holds open with READ_CONTROL | WRITE_DAC.
DWORD grantAccess(HANDLE object, SE_OBJECT_TYPE type, PSID sid, DWORD access, DWORD inheritance)
{
    PACL dacl = nullptr;
    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> descriptor;
    DWORD error = ::GetSecurityInfo(object, type, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                                    descriptor.receive());
    if (error != ERROR_SUCCESS)
        return error;
    // No DACL grants everyone everything already; one made from it would grant this user alone.
    if (dacl == nullptr)
        return ERROR_SUCCESS;
    EXPLICIT_ACCESSW entry = {};
    entry.grfAccessPermissions = access;
    entry.grfAccessMode = GRANT_ACCESS;
    entry.grfInheritance = inheritance;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_USER;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    syslib::CSyLocalMem<PACL> granted;
    error = ::SetEntriesInAclW(1, &entry, dacl, granted.receive());
    if (error != ERROR_SUCCESS)
        return error;
    return ::SetSecurityInfo(object, type, DACL_SECURITY_INFORMATION, nullptr, nullptr, granted.get(), nullptr);
}

// A program the user starts must be able to open the interactive desktop; without it, it fails at start.
void grantDesktopAccess(PSID sid, const iastring& qualifiedName)
{
    syslib::CSyWindowStation station(
        ::OpenWindowStationW(L"winsta0", FALSE, READ_CONTROL | WRITE_DAC));
    syslib::CSyDesktop desktop(::OpenDesktopW(L"default", 0, FALSE, READ_CONTROL | WRITE_DAC));
    const bool granted = station && desktop &&
                         grantAccess(station.get(), SE_WINDOW_OBJECT, sid, WINSTA_ALL_ACCESS | READ_CONTROL,
                                     NO_INHERITANCE) == ERROR_SUCCESS &&
                         grantAccess(desktop.get(), SE_WINDOW_OBJECT, sid, GENERIC_ALL, NO_INHERITANCE) == ERROR_SUCCESS;
    if (!granted)
        syslib::logBook().log(
            L"Could not grant access to window station winsta0 and desktop default to user " + qualifiedName, __LINE__);
}

void logOn(CAccessToken& token, const iastring& name, const iastring& domain, const iastring& password,
           const iastring& qualifiedName)
{
    if (syslib::accountApi().LogonUserW(name.c_str(), domain.c_str(), password.c_str(), LOGON32_LOGON_INTERACTIVE,
                                        LOGON32_PROVIDER_DEFAULT, token.receive()))
        return;
    const DWORD error = ::GetLastError();
    if (error == ERROR_LOGON_NOT_GRANTED || error == ERROR_LOGON_TYPE_NOT_GRANTED)
        syslib::reportError(L"syslib.process.processEnv.logonTypeNotGranted", {qualifiedName}, __LINE__);
    else if (error == ERROR_PRIVILEGE_NOT_HELD)
        syslib::reportError(L"syslib.process.processEnv.privilegeNotHeld", {qualifiedName}, __LINE__);
    SY_PRINT_OS_ERROR(error, L"LogonUser",
                      domain + L", " + name +
                          L", *******, LOGON32_LOGON_INTERACTIVE,LOGON32_PROVIDER_DEFAULT,&hUserToken");
    throwWin32(error);
}

// Files the new user creates through this token belong to the administrators, so that the installer can
// still change them after the switch back.
void makeAdministratorsOwner(CAccessToken& token)
{
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(administrators);
    TOKEN_OWNER owner = {administrators};
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
        !::SetTokenInformation(token.get(), TokenOwner, &owner, sizeof(owner)))
        syslib::printOSError(::GetLastError(), L"SetTokenInformation", __LINE__, L"TokenOwner, S-1-5-32-544",
                             CMessage::LOG_WARNING, syThisSourceFile);
}

// Loading a hive under HKEY_USERS takes the restore and backup privileges; they are given back after.
class CPrivilegesForProfile
{
public:
    CPrivilegesForProfile()
    {
        if (m_process.openProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY))
        {
            m_process.enablePrivilege(L"SeRestorePrivilege", m_restore);
            m_process.enablePrivilege(L"SeBackupPrivilege", m_backup);
        }
    }
    ~CPrivilegesForProfile()
    {
        if (m_process.isValid())
        {
            m_process.restorePrivileges(m_backup);
            m_process.restorePrivileges(m_restore);
        }
    }
    CPrivilegesForProfile(const CPrivilegesForProfile&) = delete;
    CPrivilegesForProfile& operator=(const CPrivilegesForProfile&) = delete;

private:
    CAccessToken m_process;
    CTokenPrivileges m_restore;
    CTokenPrivileges m_backup;
};

[[noreturn]] void throwProfileFailure(DWORD error, const iastring& call, const iastring& messageKey,
                                      const iastring& qualifiedName, int line)
{
    syslib::printOSError(error, call, line, qualifiedName, CMessage::LOG_ERROR, syThisSourceFile);
    syslib::reportError(messageKey, {qualifiedName}, line);
    throwWin32(error);
}

// The profile and its registry hive, loaded and open to the user for as long as the token lives.
void loadProfile(CAccessToken& token, const iastring& name, PSID sid, const iastring& qualifiedName)
{
    const syslib::SyAccountApi& api = syslib::accountApi();
    PROFILEINFOW profile = {};
    profile.dwSize = sizeof(profile);
    profile.dwFlags = PI_NOUI;
    profile.lpUserName = const_cast<LPWSTR>(name.c_str());
    {
        CPrivilegesForProfile privileges;
        if (!api.LoadUserProfileW(token.get(), &profile))
            throwProfileFailure(::GetLastError(), L"LoadUserProfile", L"syslib.process.processEnv.userProfileNotFound",
                                qualifiedName, __LINE__);
    }
    token.setProfile(profile.hProfile);

    DWORD length = 0;
    api.GetUserProfileDirectoryW(token.get(), nullptr, &length);
    std::vector<wchar_t> directory(length + 1, L'\0');
    if (length == 0 || !api.GetUserProfileDirectoryW(token.get(), directory.data(), &length))
        throwProfileFailure(::GetLastError(), L"GetUserProfileDirectory",
                            L"syslib.process.processEnv.obtainProfilePathFailed", qualifiedName, __LINE__);
    const iastring hive = iastring(directory.data()) + L"\\ntuser.dat";
    if (::GetFileAttributesW(hive.c_str()) == INVALID_FILE_ATTRIBUTES)
        throwProfileFailure(::GetLastError(), L"GetFileAttributes(" + hive + L")",
                            L"syslib.process.processEnv.userProfileNotFound", qualifiedName, __LINE__);

    const DWORD error = grantAccess(profile.hProfile, SE_REGISTRY_KEY, sid, KEY_ALL_ACCESS,
                                    SUB_CONTAINERS_AND_OBJECTS_INHERIT);
    if (error != ERROR_SUCCESS)
        syslib::printOSError(error, L"SetSecurityInfo", __LINE__, L"HKEY_USERS hive of " + qualifiedName,
                             CMessage::LOG_WARNING, syThisSourceFile);
}
} // namespace

namespace syslib
{
iastring threadUserSid(HANDLE threadToken)
{
    LUID id;
    std::unique_ptr<CAccessToken> stale;
    if (tokenId(threadToken, id))
    {
        std::lock_guard<syslib::CSyLock> lock(g_switchesLock);
        const auto found = switches().find(::GetCurrentThreadId());
        if (found != switches().end())
        {
            if (sameId(found->second.threadTokenId, id))
                return found->second.userSid;
            // Someone else has switched the thread since: the logon is over, its profile goes now.
            stale = std::move(found->second.logon);
            stale->forgetImpersonation();
            switches().erase(found);
        }
        else
        {
            // While a task starts as its user, the token the thread had still stands for the caller's.
            const auto aside = setAside().find(::GetCurrentThreadId());
            if (aside != setAside().end() && sameId(aside->second.threadTokenId, id))
                return aside->second.userSid;
        }
    }
    CSyWinSid user;
    return getTokenSid(threadToken, user) ? SySID::toStringSID(user.get()) : iastring();
}

void switchToUser(ISyUser& user, const iastring& password)
{
    const iastring name = user.getName();
    const iastring domain = user.getDomain();
    const iastring qualifiedName = domain.empty() ? name : domain + L"\\" + name;
    // A switch left from a thread that was reverted behind the library's back.
    endUserSwitch();
    CSwitch made;
    made.userSid = user.getSID();
    const CSyLocalMem<PSID> sid = SySID::fromStringSID(made.userSid);

    grantDesktopAccess(sid.get(), qualifiedName);
    made.logon.reset(new CAccessToken);
    logOn(*made.logon, name, domain, password, qualifiedName);
    makeAdministratorsOwner(*made.logon);
    loadProfile(*made.logon, name, sid.get(), qualifiedName);
    if (!made.logon->impersonate())
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"ImpersonateLoggedOnUser", qualifiedName);
        throwWin32(error);
    }
    CAccessToken threadToken;
    if (threadToken.openThreadToken(TOKEN_QUERY, true))
        tokenId(threadToken.get(), made.threadTokenId);
    {
        std::lock_guard<syslib::CSyLock> lock(g_switchesLock);
        switches()[::GetCurrentThreadId()] = std::move(made);
    }
    syslib::reportMessage(L"syslib.process.userSwitchSuccessful", {name}, CMessage::LOG_INFO, __LINE__);
    // The cached HKEY_CURRENT_USER is the previous user's; the next use opens the new one's.
    ::RegCloseKey(HKEY_CURRENT_USER);
}

void endUserSwitch()
{
    std::unique_ptr<CAccessToken> logon;
    {
        std::lock_guard<syslib::CSyLock> lock(g_switchesLock);
        const auto found = switches().find(::GetCurrentThreadId());
        if (found == switches().end())
            return;
        logon = std::move(found->second.logon);
        switches().erase(found);
    }
    // Reverts first, then unloads the profile with the logon's token.
    logon.reset();
    releaseEndedLogons();
}

void releaseEndedLogons()
{
    if (threadImpersonates())
        return;
    std::vector<std::unique_ptr<CAccessToken>> ended;
    {
        std::lock_guard<syslib::CSyLock> lock(g_switchesLock);
        std::vector<CKeptLogon>& kept = keptLogons();
        for (auto it = kept.begin(); it != kept.end();)
        {
            if (::WaitForSingleObject(it->task.get(), 0) == WAIT_TIMEOUT)
            {
                ++it;
                continue;
            }
            ended.push_back(std::move(it->logon));
            it = kept.erase(it);
        }
    }
    // The profiles go here, outside the lock.
}

CSyThreadUser::CSyThreadUser() : m_restored(false)
{
    if (!threadApi().OpenThreadToken(::GetCurrentThread(), TOKEN_IMPERSONATE | TOKEN_QUERY, TRUE, m_token.receive()))
    {
        const DWORD error = ::GetLastError();
        if (error != ERROR_NO_TOKEN)
        {
            SY_PRINT_OS_ERROR(error, L"OpenThreadToken", L"TOKEN_IMPERSONATE | TOKEN_QUERY");
            throwWin32(error);
        }
    }
    std::lock_guard<syslib::CSyLock> lock(g_switchesLock);
    const auto found = switches().find(::GetCurrentThreadId());
    if (found != switches().end())
    {
        setAside()[found->first] = std::move(found->second);
        switches().erase(found);
    }
}

CSyThreadUser::~CSyThreadUser()
{
    try
    {
        restore(nullptr);
    }
    catch (...)
    {
        // Reported where it failed; the thread runs as the process's user then.
    }
}

void CSyThreadUser::restore(HANDLE task)
{
    if (m_restored)
        return;
    m_restored = true;
    const DWORD thread = ::GetCurrentThreadId();
    std::unique_ptr<CAccessToken> taskLogon;
    CSwitch caller;
    {
        std::lock_guard<syslib::CSyLock> lock(g_switchesLock);
        const auto made = switches().find(thread);
        if (made != switches().end())
        {
            taskLogon = std::move(made->second.logon);
            switches().erase(made);
        }
        const auto aside = setAside().find(thread);
        if (aside != setAside().end())
        {
            caller = std::move(aside->second);
            setAside().erase(aside);
        }
    }
    ILogBook& book = logBook();
    // The task's user goes first: its profile is given back, or kept, as the process.
    ::RevertToSelf();
    if (taskLogon)
    {
        taskLogon->forgetImpersonation();
        book.log(L"Terminated current impersonation.", __LINE__);
    }
    keepWhileRunning(std::move(taskLogon), task);
    if (!m_token)
    {
        endCallersSwitch(caller);
        book.trace(L"Target user and process user are identical => user switch-back.", __LINE__);
        return;
    }
    if (!threadApi().SetThreadToken(nullptr, m_token.get()))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"SetThreadToken", L"NULL, the token the thread had before the task");
        endCallersSwitch(caller);
        throwWin32(error);
    }
    if (caller.logon)
    {
        CAccessToken now;
        if (now.openThreadToken(TOKEN_QUERY, true))
            tokenId(now.get(), caller.threadTokenId);
        std::lock_guard<syslib::CSyLock> lock(g_switchesLock);
        switches()[thread] = std::move(caller);
    }
    book.log(L"The thread impersonates again the user it impersonated before the task.", __LINE__);
    // The cached HKEY_CURRENT_USER is the task user's; the next use opens the caller's.
    ::RegCloseKey(HKEY_CURRENT_USER);
}
} // namespace syslib
