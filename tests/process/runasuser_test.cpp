// Running as another user: the live environment's user switch, and the tasks that start under it.
// Wine gives every logon the process's own token, so these tests check what the library does about the
// switch (logon, profile, impersonation, the way back, the log), not which account a child ends up with.
#include "tests/account/accountteststate.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sywinsec.h"
#include "syslib/process/syprocessmgt.h"
#include "tests/support/expectthrow.h"
#include "tests/support/recordinglogbook.h"
#include "tests/support/testchild.h"
#include "standins/process/sathreadapi.h"
#include "threadtoken.h"

#include <gtest/gtest.h>

#include <userenv.h>

#include <cstdio>

namespace
{
const wchar_t* const password = L"Wh1te-Rabbit#42";

IaPtr<ISyProcessMgt> processes()
{
    return CSyslibFactory::getInstance()->getProcessMgt();
}

bool threadHasToken()
{
    CAccessToken token;
    return token.openThreadToken(TOKEN_QUERY, true);
}

iastring profileDirectoryOf(const iastring& name)
{
    wchar_t root[MAX_PATH];
    DWORD length = MAX_PATH;
    EXPECT_TRUE(::GetProfilesDirectoryW(root, &length));
    return iastring(root) + L"\\" + name;
}

bool exists(const iastring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Counts what the library does with profiles, and whether the thread was still impersonating when it
// unloaded one (it must not be: the profile goes with the logon, after the switch back).
struct CProfileSpy
{
    static int loads;
    static int unloads;
    static bool unloadedWhileImpersonating;
    static decltype(syslib::SyAccountApi::LoadUserProfileW) load;
    static decltype(syslib::SyAccountApi::UnloadUserProfile) unload;

    static BOOL WINAPI countLoad(HANDLE token, LPPROFILEINFOW profile)
    {
        const BOOL done = load(token, profile);
        loads += done ? 1 : 0;
        return done;
    }
    static BOOL WINAPI countUnload(HANDLE token, HANDLE profile)
    {
        unloadedWhileImpersonating = unloadedWhileImpersonating || threadHasToken();
        const BOOL done = unload(token, profile);
        unloads += done ? 1 : 0;
        return done;
    }
};
int CProfileSpy::loads = 0;
int CProfileSpy::unloads = 0;
bool CProfileSpy::unloadedWhileImpersonating = false;
// The stand-ins themselves, taken before any test puts a spy in their place.
decltype(syslib::SyAccountApi::LoadUserProfileW) CProfileSpy::load = standins::accountApiTable().LoadUserProfileW;
decltype(syslib::SyAccountApi::UnloadUserProfile) CProfileSpy::unload = standins::accountApiTable().UnloadUserProfile;

DWORD g_failWith = 0;
BOOL WINAPI failingLogon(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, DWORD, PHANDLE)
{
    ::SetLastError(g_failWith);
    return FALSE;
}
BOOL WINAPI failingProfileDirectory(HANDLE, LPWSTR, LPDWORD)
{
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
BOOL WINAPI failingProfileLoad(HANDLE, LPPROFILEINFOW)
{
    ::SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

class RunAsUserTest : public CStandInAccounts
{
protected:
    void SetUp() override
    {
        CStandInAccounts::SetUp();
        addStandInUser(L"runner", password);
        m_runner = CSyslibFactory::getInstance()->getAccountMgt()->getUser(L"runner");
        CProfileSpy::loads = CProfileSpy::unloads = 0;
        CProfileSpy::unloadedWhileImpersonating = false;
    }
    void TearDown() override
    {
        // Back to the process user, the library's way, so that no switch outlives the test.
        if (threadHasToken())
            processes()->getCurrentProcessEnvironment()->setUser(PSyUser(), iastring());
        ::RevertToSelf();
        CStandInAccounts::TearDown();
    }

    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LoadUserProfileW)> m_loadSpy{
        standins::accountApiTable().LoadUserProfileW, &CProfileSpy::countLoad};
    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::UnloadUserProfile)> m_unloadSpy{
        standins::accountApiTable().UnloadUserProfile, &CProfileSpy::countUnload};
    CRecordingLogBook m_book;
    PSyUser m_runner;
};

PSyProcessEnvironment environmentOf(const PSyUser& user)
{
    const PSyProcessEnvironment environment = processes()->createProcessEnvironment();
    environment->setUser(user, password);
    return environment;
}

// Whether the function's thread started with a token of its own: how a child function runs as a user.
unsigned __stdcall reportThreadToken(void*)
{
    return threadHasToken() ? 1 : 0;
}

int exitWith(const std::vector<iastring>& arguments)
{
    return arguments.empty() ? 0 : std::stoi(arguments[0]);
}
const CTestChildRegistration exitWithChild(L"exit-with", exitWith);

iastring ownProgram()
{
    wchar_t path[MAX_PATH] = {0};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Runs until its input ends.
int waitForInput(const std::vector<iastring>&)
{
    while (std::fgetc(stdin) != EOF)
        ;
    return 0;
}
const CTestChildRegistration waitForInputChild(L"wait-for-input", waitForInput);

unsigned __stdcall waitForEvent(void* event)
{
    return ::WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
}

PSyChildApplication exitingWith(const wchar_t* code)
{
    const PSyChildApplication application = processes()->createChildApplication(1);
    application->setPath(ownProgram());
    application->setArguments(iastring(L"--child=exit-with ") + code, L" ");
    return application;
}

BOOL WINAPI openThreadTokenDenied(HANDLE, DWORD, BOOL, PHANDLE)
{
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
BOOL WINAPI setThreadTokenDenied(PHANDLE, HANDLE)
{
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
} // namespace

TEST_F(RunAsUserTest, SwitchLogsOnLoadsTheProfileImpersonatesAndGoesBack)
{
    const PSyCurrentProcessEnvironment live = processes()->getCurrentProcessEnvironment();
    live->setUser(m_runner, password);

    EXPECT_TRUE(threadHasToken());
    EXPECT_TRUE(m_book.hasTrace(L"Target user and process user differ => normal user switch."));
    EXPECT_EQ(CLogArguments{L"runner"}, m_book.onlyMessage(L"syslib.process.userSwitchSuccessful").arguments);
    EXPECT_EQ(CMessage::LOG_INFO, m_book.onlyMessage(L"syslib.process.userSwitchSuccessful").type);
    EXPECT_EQ(1, CProfileSpy::loads);
    EXPECT_EQ(0, CProfileSpy::unloads);
    EXPECT_TRUE(exists(profileDirectoryOf(L"runner") + L"\\ntuser.dat"));
    // Desktop and hive are granted to the user. Wine cannot set a token's owner: that warning is the
    // only complaint allowed.
    EXPECT_FALSE(m_book.holdsAnywhere(L"Could not grant access to window station"));
    for (const CRecordedLine& message : m_book.messages())
    {
        EXPECT_NE(CMessage::LOG_ERROR, message.type) << ::testing::PrintToString(message);
        if (message.text == L"syslib.sysCallFailed")
        {
            EXPECT_EQ(L"SetTokenInformation", message.arguments.at(0));
        }
    }

    // The live environment still reports the process's user: the switch is the thread's.
    CAccessToken process;
    ASSERT_TRUE(process.openProcessToken(TOKEN_QUERY));
    CSyWinSid processUser;
    ASSERT_TRUE(syslib::getTokenSid(process.get(), processUser));
    EXPECT_EQ(SySID::toStringSID(processUser.get()), live->getUser()->getSID());

    m_book.clear();
    live->setUser(PSyUser(), iastring());
    EXPECT_FALSE(threadHasToken());
    EXPECT_TRUE(m_book.hasLog(L"Terminated current impersonation."));
    EXPECT_TRUE(m_book.hasTrace(L"Target user and process user are identical => user switch-back."));
    EXPECT_EQ(1, CProfileSpy::unloads);
    EXPECT_FALSE(CProfileSpy::unloadedWhileImpersonating);
    // Opening the desktop to the user took it from nobody else.
    EXPECT_TRUE(syslib::CSyWindowStation(
        ::OpenWindowStationW(L"winsta0", FALSE, WINSTA_ENUMDESKTOPS | WINSTA_READATTRIBUTES)))
        << ::GetLastError();
    EXPECT_TRUE(syslib::CSyDesktop(::OpenDesktopW(L"default", 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE)))
        << ::GetLastError();

    // A switch straight from one user to another ends the first one's logon.
    live->setUser(m_runner, password);
    live->setUser(m_runner, password);
    EXPECT_EQ(3, CProfileSpy::loads);
    EXPECT_EQ(2, CProfileSpy::unloads);
    EXPECT_TRUE(threadHasToken());
    EXPECT_FALSE(m_book.holdsAnywhere(password));
}

TEST_F(RunAsUserTest, ASwitchUndoneBehindTheLibrarysBackIsNotTakenForTheUser)
{
    const PSyCurrentProcessEnvironment live = processes()->getCurrentProcessEnvironment();
    live->setUser(m_runner, password);
    // Someone else ends the impersonation and impersonates the process user instead.
    ASSERT_TRUE(::RevertToSelf());
    ASSERT_TRUE(::ImpersonateSelf(SecurityImpersonation));
    m_book.clear();
    live->setUser(PSyUser(), iastring());
    EXPECT_EQ(0u, m_book.logs().at(0).find(L"Target user and current thread user are identical"));
    EXPECT_FALSE(m_book.hasLog(L"Terminated current impersonation."));
    EXPECT_TRUE(threadHasToken());
    // The forsaken logon gives its profile back, and the impersonation it did not make stays.
    EXPECT_EQ(1, CProfileSpy::unloads);
}

TEST_F(RunAsUserTest, RefusedLogonsThrowWithTheirErrorAndLeaveTheThreadAsItWas)
{
    const PSyCurrentProcessEnvironment live = processes()->getCurrentProcessEnvironment();
    try
    {
        live->setUser(m_runner, L"not-the-password");
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyException& failure)
    {
        EXPECT_EQ(ESyException::WIN32_ERROR, failure.getErrorType());
        EXPECT_EQ(ERROR_LOGON_FAILURE, static_cast<DWORD>(failure.getCode()));
    }
    const CRecordedLine logon = m_book.onlyMessage(L"syslib.sysCallFailed");
    ASSERT_FALSE(logon.arguments.empty());
    EXPECT_EQ(L"LogonUser", logon.arguments[0]);
    EXPECT_FALSE(m_book.holdsAnywhere(L"not-the-password"));
    EXPECT_TRUE(m_book.holdsAnywhere(L"*******, LOGON32_LOGON_INTERACTIVE,LOGON32_PROVIDER_DEFAULT,&hUserToken"));
    EXPECT_FALSE(threadHasToken());
    EXPECT_EQ(0, CProfileSpy::loads);

    const iastring qualified = m_runner->getDomain() + L"\\runner";
    const struct
    {
        DWORD error;
        const wchar_t* key;
    } refusals[] = {{ERROR_LOGON_TYPE_NOT_GRANTED, L"syslib.process.processEnv.logonTypeNotGranted"},
                    {ERROR_LOGON_NOT_GRANTED, L"syslib.process.processEnv.logonTypeNotGranted"},
                    {ERROR_PRIVILEGE_NOT_HELD, L"syslib.process.processEnv.privilegeNotHeld"}};
    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LogonUserW)> refuse(
        standins::accountApiTable().LogonUserW, failingLogon);
    for (const auto& refusal : refusals)
    {
        g_failWith = refusal.error;
        m_book.clear();
        try
        {
            live->setUser(m_runner, password);
            ADD_FAILURE() << "no exception for " << refusal.error;
        }
        catch (const ESyException& failure)
        {
            EXPECT_EQ(refusal.error, static_cast<DWORD>(failure.getCode()));
        }
        EXPECT_EQ(CLogArguments{qualified}, m_book.onlyMessage(refusal.key).arguments) << refusal.error;
        EXPECT_EQ(1u, m_book.messages(L"syslib.sysCallFailed").size());
    }
    EXPECT_FALSE(m_book.holdsAnywhere(password));
}

TEST_F(RunAsUserTest, AProfileThatCannotBeHadEndsTheSwitchBeforeItBegins)
{
    const PSyCurrentProcessEnvironment live = processes()->getCurrentProcessEnvironment();
    const iastring qualified = m_runner->getDomain() + L"\\runner";
    {
        standins::CAccountApiOverride<decltype(syslib::SyAccountApi::GetUserProfileDirectoryW)> noPath(
            standins::accountApiTable().GetUserProfileDirectoryW, failingProfileDirectory);
        EXPECT_THROW(live->setUser(m_runner, password), ESyException);
        EXPECT_EQ(CLogArguments{qualified},
                  m_book.onlyMessage(L"syslib.process.processEnv.obtainProfilePathFailed").arguments);
        EXPECT_FALSE(threadHasToken());
        // Loaded, then given back with the logon.
        EXPECT_EQ(1, CProfileSpy::loads);
        EXPECT_EQ(1, CProfileSpy::unloads);
    }
    {
        m_book.clear();
        standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LoadUserProfileW)> noProfile(
            standins::accountApiTable().LoadUserProfileW, failingProfileLoad);
        EXPECT_THROW(live->setUser(m_runner, password), ESyException);
        EXPECT_EQ(CLogArguments{qualified},
                  m_book.onlyMessage(L"syslib.process.processEnv.userProfileNotFound").arguments);
        EXPECT_FALSE(threadHasToken());
        EXPECT_FALSE(m_book.messages(L"syslib.process.userSwitchSuccessful").size());
    }
    EXPECT_FALSE(m_book.holdsAnywhere(password));
}

TEST_F(RunAsUserTest, TasksStartAsTheUserAndTheCallerIsSwitchedBackAfterwards)
{
    const PSyChildFunction function = processes()->createChildFunction(1);
    function->setFunction(reportThreadToken);
    function->setProcessEnvironment(environmentOf(m_runner));
    ASSERT_TRUE(function->start(true));
    EXPECT_EQ(1u, function->getExitCode(false));
    EXPECT_FALSE(threadHasToken());
    EXPECT_EQ(1u, m_book.messages(L"syslib.process.userSwitchSuccessful").size());
    EXPECT_TRUE(m_book.hasLog(L"Restoring current processenvironment"));
    EXPECT_EQ(1, CProfileSpy::unloads);

    m_book.clear();
    const PSyChildApplication application = processes()->createChildApplication(2);
    application->setPath(ownProgram());
    application->setArguments(L"--child=exit-with 6", L" ");
    application->setProcessEnvironment(environmentOf(m_runner));
    ASSERT_TRUE(application->start(true));
    EXPECT_EQ(6u, application->getExitCode(false));
    EXPECT_FALSE(threadHasToken());
    EXPECT_EQ(1u, m_book.messages(L"syslib.process.userSwitchSuccessful").size());
    EXPECT_TRUE(m_book.hasLog(L"Terminated current impersonation."));
    EXPECT_EQ(2, CProfileSpy::unloads);
    EXPECT_FALSE(m_book.holdsAnywhere(password));

    // A child that cannot be started still gives the caller back its own user.
    m_book.clear();
    const PSyChildApplication missing = processes()->createChildApplication(3);
    missing->setPath(L"C:\\no\\such\\program.exe");
    missing->setProcessEnvironment(environmentOf(m_runner));
    EXPECT_THROW(missing->start(true), ESyException);
    EXPECT_FALSE(threadHasToken());
    EXPECT_EQ(3, CProfileSpy::unloads);
}

TEST_F(RunAsUserTest, SimpleInterfaceLogsOnOnlyForAnotherUser)
{
    const PSySimpleProcessInterface simple = processes()->createSimpleProcessInterface();
    const PSyChildFunction asRunner =
        simple->runFunctionAsUser(L"runner", iastring(), password, reportThreadToken, nullptr, PSyTaskIO(), PSyTaskIO());
    EXPECT_EQ(1u, asRunner->getExitCode(true));
    EXPECT_EQ(1u, m_book.messages(L"syslib.process.userSwitchSuccessful").size());
    EXPECT_FALSE(threadHasToken());

    // The process's own user needs no logon: the password is not even looked at.
    m_book.clear();
    const iastring self = processes()->getCurrentProcessEnvironment()->getUser()->getName();
    const PSyChildApplication asSelf = simple->runApplicationAsUser(self, iastring(), L"wrong", ownProgram(),
                                                                    L"--child=exit-with 9", L" ", PSyTaskIO(),
                                                                    PSyTaskIO());
    EXPECT_EQ(9u, asSelf->getExitCode(true));
    EXPECT_TRUE(m_book.messages(L"syslib.process.userSwitchSuccessful").empty());
    EXPECT_FALSE(m_book.hasTrace(L"Target user and process user differ => normal user switch."));
    EXPECT_EQ(1, CProfileSpy::loads);

    // An unknown user fails before anything starts.
    EXPECT_ANY_THROW(simple->runApplicationAsUser(L"nobody-here", iastring(), password, ownProgram(),
                                                  L"--child=exit-with 1", L" ", PSyTaskIO(), PSyTaskIO()));
    EXPECT_FALSE(m_book.holdsAnywhere(password));
}

TEST_F(RunAsUserTest, ATaskThatNamesNoUserRunsAsTheUserTheCallerImpersonates)
{
    const PSyCurrentProcessEnvironment live = processes()->getCurrentProcessEnvironment();
    live->setUser(m_runner, password);
    const unsigned long caller = threadTokenId();
    ASSERT_NE(0u, caller);
    const PSyProcessEnvironment variablesOnly = processes()->createProcessEnvironment();
    variablesOnly->setEnvironmentVariable(L"SYTEST_DURING_START", L"1");
    m_book.clear();

    const PSyChildFunction function = processes()->createChildFunction(1);
    function->setFunction(reportThreadTokenId);
    function->setProcessEnvironment(variablesOnly);
    ASSERT_TRUE(function->start(true));
    EXPECT_EQ(caller, function->getExitCode(false));
    const PSyChildApplication application = exitingWith(L"3");
    application->setProcessEnvironment(variablesOnly);
    ASSERT_TRUE(application->start(true));
    EXPECT_EQ(3u, application->getExitCode(false));

    EXPECT_EQ(caller, threadTokenId());
    EXPECT_FALSE(m_book.hasLog(L"Terminated current impersonation."));
    EXPECT_FALSE(m_book.hasLog(L"Target user and process user are identical => impersonating process user."));
    EXPECT_EQ(0, CProfileSpy::unloads);
    // The library still knows the switch as its own: ending it gives the profile back.
    live->setUser(PSyUser(), iastring());
    EXPECT_TRUE(m_book.hasLog(L"Terminated current impersonation."));
    EXPECT_EQ(1, CProfileSpy::unloads);
    EXPECT_FALSE(threadHasToken());
}

TEST_F(RunAsUserTest, ATaskAsAnotherUserGivesTheCallerItsOwnSwitchBack)
{
    addStandInUser(L"other", password);
    const PSyUser other = CSyslibFactory::getInstance()->getAccountMgt()->getUser(L"other");
    const PSyCurrentProcessEnvironment live = processes()->getCurrentProcessEnvironment();
    live->setUser(m_runner, password);
    const unsigned long caller = threadTokenId();
    m_book.clear();

    const PSyChildFunction function = processes()->createChildFunction(1);
    function->setFunction(reportThreadTokenId);
    function->setProcessEnvironment(environmentOf(other));
    ASSERT_TRUE(function->start(true));
    const unsigned long during = function->getExitCode(false);
    EXPECT_NE(0u, during);
    EXPECT_NE(caller, during) << "the task's own logon";
    EXPECT_EQ(caller, threadTokenId());
    EXPECT_TRUE(m_book.hasLog(L"The thread impersonates again the user it impersonated before the task."));
    // The task's profile went with its end, the caller's stays with its switch.
    EXPECT_EQ(2, CProfileSpy::loads);
    EXPECT_EQ(1, CProfileSpy::unloads);

    // A task as the process's own user runs without the caller's token, which it gets back after.
    const PSyUser self = live->getUser();
    const PSyChildFunction asSelf = processes()->createChildFunction(2);
    asSelf->setFunction(reportThreadTokenId);
    asSelf->setProcessEnvironment(environmentOf(self));
    ASSERT_TRUE(asSelf->start(true));
    EXPECT_EQ(0u, asSelf->getExitCode(false));
    EXPECT_EQ(caller, threadTokenId());
    EXPECT_EQ(1, CProfileSpy::unloads);

    live->setUser(PSyUser(), iastring());
    EXPECT_EQ(2, CProfileSpy::unloads);
    EXPECT_FALSE(m_book.holdsAnywhere(password));
}

TEST_F(RunAsUserTest, AProfileStaysLoadedUntilTheTaskThatRunsAsItsUserHasEnded)
{
    const PSyChildApplication application = processes()->createChildApplication(1);
    application->setPath(ownProgram());
    application->setArguments(L"--child=wait-for-input", L" ");
    const PSyTaskIO input = processes()->createTaskIO();
    application->setInputStream(input);
    application->setProcessEnvironment(environmentOf(m_runner));
    ASSERT_TRUE(application->start(false));
    EXPECT_FALSE(threadHasToken());
    EXPECT_EQ(ISyTask::TST_RUNNING, application->getStatus());
    EXPECT_EQ(1, CProfileSpy::loads);
    EXPECT_EQ(0, CProfileSpy::unloads) << "the child runs as the user";
    input->close();
    EXPECT_EQ(0u, application->getExitCode(true));
    EXPECT_EQ(1, CProfileSpy::unloads);
    EXPECT_FALSE(CProfileSpy::unloadedWhileImpersonating);

    // A function's thread too; one let go while it runs gives the profile back at the next end seen.
    const syslib::CSyKernelHandle go(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    PSyChildFunction function = processes()->createChildFunction(2);
    function->setFunction(waitForEvent);
    function->setArgument(go.get());
    function->setProcessEnvironment(environmentOf(m_runner));
    ASSERT_TRUE(function->start(false));
    syslib::CSyKernelHandle thread;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), function->getHandle(), ::GetCurrentProcess(),
                                  thread.receive(), SYNCHRONIZE, FALSE, 0));
    function = PSyChildFunction();
    EXPECT_EQ(1, CProfileSpy::unloads);
    ::SetEvent(go.get());
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread.get(), 60000));
    EXPECT_EQ(1, CProfileSpy::unloads);
    const PSyChildApplication next = exitingWith(L"5");
    ASSERT_TRUE(next->start(true));
    EXPECT_EQ(2, CProfileSpy::unloads);
    EXPECT_FALSE(CProfileSpy::unloadedWhileImpersonating);
}

TEST_F(RunAsUserTest, AThreadTokenThatCannotBeTakenOrPutBackLeavesNoTaskUserBehind)
{
    // Wine cannot set a token's owner: that report comes with every logon.
    const auto failedCalls = [this](const wchar_t* call) {
        std::size_t count = 0;
        for (const CRecordedLine& message : m_book.messages(L"syslib.sysCallFailed"))
            count += message.arguments.at(0) == call ? 1 : 0;
        return count;
    };
    syslib::SyThreadApi& api = standins::threadApiTable();
    {
        // Unread, it could not be put back: nothing of the task is applied.
        const standins::CApiOverride<decltype(api.OpenThreadToken)> denied(api.OpenThreadToken, openThreadTokenDenied);
        const PSyProcessEnvironment environment = environmentOf(m_runner);
        environment->setEnvironmentVariable(L"SYTEST_DURING_START", L"1");
        const PSyChildApplication application = exitingWith(L"0");
        application->setProcessEnvironment(environment);
        try
        {
            application->start(true);
            ADD_FAILURE() << "no exception";
        }
        catch (const ESyException& failure)
        {
            EXPECT_EQ(ESyException::WIN32_ERROR, failure.getErrorType());
            EXPECT_EQ(ERROR_ACCESS_DENIED, static_cast<DWORD>(failure.getCode()));
        }
        EXPECT_EQ(1u, failedCalls(L"OpenThreadToken"));
        EXPECT_EQ(0, CProfileSpy::loads);
        EXPECT_EQ(nullptr, _wgetenv(L"SYTEST_DURING_START"));
        EXPECT_EQ(ISyTask::TST_INITIAL, application->getStatus());
    }

    const PSyCurrentProcessEnvironment live = processes()->getCurrentProcessEnvironment();
    live->setUser(m_runner, password);
    m_book.clear();
    const standins::CApiOverride<decltype(api.SetThreadToken)> denied(api.SetThreadToken, setThreadTokenDenied);
    const PSyChildApplication application = exitingWith(L"4");
    application->setProcessEnvironment(environmentOf(m_runner));
    try
    {
        application->start(true);
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyException& failure)
    {
        EXPECT_EQ(ERROR_ACCESS_DENIED, static_cast<DWORD>(failure.getCode()));
    }
    EXPECT_EQ(1u, failedCalls(L"SetThreadToken"));
    // The program ran; the thread runs as the process then, neither as the task's user nor the caller's.
    EXPECT_EQ(4u, application->getExitCode(false));
    EXPECT_FALSE(threadHasToken());
    EXPECT_EQ(2, CProfileSpy::unloads) << "both logons are over";
}
