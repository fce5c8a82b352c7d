// The system manager: the special directories, and restart and logoff with the automatic logon arranged
// in the registry first. The registry values are the prefix's real ones; the shutdown is the stand-in's,
// which records each request instead of ending the session.
#include "tests/account/accountteststate.h"
#include "framework/iastrutil.h"
#include "standins/system/sasystemapi.h"
#include "syslib/account/syaccountimpl.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/sywinsec.h"
#include "syslib/filesystem/sypath.h"
#include "syslib/system/sysystemmgt.h"
#include "tests/support/expectthrow.h"
#include "tests/system/logonstate.h"
#include "tests/support/recordinglogbook.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace
{
using logonstate::runOnceKey;
using logonstate::winlogonKey;
const DWORD installationReason = 0x80040002;
const wchar_t* const password = L"Pw-7f3a9c-secret";

iastring readValue(const wchar_t* key, const wchar_t* name)
{
    return logonstate::read(key, name);
}

void writeValue(const wchar_t* key, const wchar_t* name, const iastring& value)
{
    ASSERT_TRUE(logonstate::write(key, name, value));
}

void deleteValue(const wchar_t* key, const wchar_t* name)
{
    logonstate::remove(key, name);
}

std::map<iastring, iastring> logonState()
{
    return logonstate::snapshot();
}

iastring currentUser()
{
    wchar_t name[256] = {0};
    DWORD length = 256;
    ::GetUserNameW(name, &length);
    return name;
}

void setShutdownPrivilege(bool enabled)
{
    CAccessToken token;
    ASSERT_TRUE(token.openProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY));
    CTokenPrivileges previous;
    ASSERT_TRUE(token.enablePrivilege(SE_SHUTDOWN_NAME, previous, enabled));
}

LSTATUS WINAPI refuseDomainName(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (iastring(name) == L"DefaultDomainName")
        return ERROR_ACCESS_DENIED;
    return ::RegSetValueExW(key, name, reserved, type, data, size);
}

BOOL WINAPI refuseShutdown(UINT, DWORD)
{
    ::SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

class CSystemMgtTest : public ::testing::Test
{
protected:
    // COM's first start on a thread opens handles for the life of the process; the user objects start it.
    static void SetUpTestSuite()
    {
        static const HRESULT started = ::CoInitialize(nullptr);
        (void)started;
    }
    void SetUp() override { standins::clearShutdownRequests(); }
    void TearDown() override
    {
        standins::clearShutdownRequests();
        CSyAccountCache::instance().clear();
    }

    // No line of the log, text or argument, holds the password.
    void expectPasswordNotLogged() const
    {
        for (const CRecordedLine& line : m_book.lines())
        {
            EXPECT_EQ(iastring::npos, line.text.find(password)) << toMbstring(line.text);
            for (const iastring& argument : line.arguments)
                EXPECT_EQ(iastring::npos, argument.find(password)) << toMbstring(argument);
        }
    }

    void expectRequests(std::vector<DWORD> flags) const
    {
        const std::vector<standins::CShutdownRequest> requests = standins::shutdownRequests();
        ASSERT_EQ(flags.size(), requests.size());
        for (std::size_t i = 0; i < flags.size(); ++i)
        {
            EXPECT_EQ(flags[i], requests[i].flags);
            EXPECT_EQ(installationReason, requests[i].reason);
        }
    }

    CRecordingLogBook m_book;
    ISyPrivilegedSystemMgt* m_mgt = getPrivilegedSyslibFactory()->getPrivilegedSystemMgt();
    logonstate::CGuard m_saved;
};
} // namespace

TEST_F(CSystemMgtTest, SpecialPathsAreTheWindowsAndSystemDirectories)
{
    wchar_t windows[MAX_PATH] = {0}, system[MAX_PATH] = {0};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    ::GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(CSyPath(windows).toString(), m_mgt->getSpecialPath(ISySystemMgt::WINDOWS)->toString());
    EXPECT_EQ(CSyPath(system).toString(), m_mgt->getSpecialPath(ISySystemMgt::SYSTEM)->toString());

    std::wostringstream names;
    names << ISySystemMgt::WINDOWS << L" " << ISySystemMgt::SYSTEM << L" " << static_cast<ISySystemMgt::osDir>(7);
    EXPECT_EQ(L"WINDOWS SYSTEM unknown (7)", names.str());
    expectLoggedThrow<ESyPrecondition>(
        m_book, [&] { m_mgt->getSpecialPath(static_cast<ISySystemMgt::osDir>(7)); }, L"common.parameterNotValid",
        {L"osDir", L"unknown (7)", L"CSySystemMgtImpl::getSpecialPath()"});
}

TEST_F(CSystemMgtTest, RebootArrangesTheLogonOfTheCurrentUserAndAsksForARestart)
{
    // The library enables the privilege itself; the stand-in refuses a restart without it.
    setShutdownPrivilege(false);
    const PSyUser me = getPrivilegedSyslibFactory()->getAccountMgt()->getUser(currentUser());
    const std::map<iastring, iastring> redirectedView = logonstate::snapshot(KEY_WOW64_32KEY);
    m_mgt->reboot(password, L"C:\\setup\\continue.exe /resume");
    // Winlogon and RunOnce are read in the native view; a 32-bit library that wrote into its redirected one
    // (Wow6432Node) would arrange a logon that never happens, and leave the password where nothing reads it.
    EXPECT_EQ(redirectedView, logonstate::snapshot(KEY_WOW64_32KEY));

    EXPECT_EQ(L"C:\\setup\\continue.exe /resume", readValue(runOnceKey, L"Qel Installation"));
    EXPECT_EQ(L"1", readValue(winlogonKey, L"AutoAdminLogon"));
    EXPECT_EQ(me->getName(), readValue(winlogonKey, L"DefaultUserName"));
    EXPECT_EQ(password, readValue(winlogonKey, L"DefaultPassword"));
    EXPECT_EQ(me->getDomain(), readValue(winlogonKey, L"DefaultDomainName"));
    EXPECT_EQ(L"1", readValue(winlogonKey, L"ForceAutoLogon"));
    // Stored as REG_SZ with exactly one terminating NUL, as Winlogon reads it.
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, ::RegGetValueW(logonstate::open(winlogonKey).get(), nullptr, L"DefaultPassword",
                                            RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ((wcslen(password) + 1) * sizeof(wchar_t), size);
    expectRequests({EWX_REBOOT | EWX_FORCEIFHUNG});
    EXPECT_EQ(CMessage::LOG_INFO, m_book.onlyMessage(L"syslib.system.rebootNow").type);
    expectPasswordNotLogged();
}

TEST_F(CSystemMgtTest, RebootWithoutPasswordOrCommandLeavesRunOnceAloneAndNoAutomaticLogon)
{
    writeValue(runOnceKey, L"Qel Installation", L"earlier.exe");
    m_mgt->reboot(L"");
    EXPECT_EQ(L"earlier.exe", readValue(runOnceKey, L"Qel Installation"));
    EXPECT_EQ(L"0", readValue(winlogonKey, L"AutoAdminLogon"));
    EXPECT_EQ(L"", readValue(winlogonKey, L"DefaultPassword"));
    expectRequests({EWX_REBOOT | EWX_FORCEIFHUNG});
}

TEST_F(CSystemMgtTest, ALogoffWithoutUserWritesNoUserAndNoRestartCommand)
{
    deleteValue(runOnceKey, L"Qel Installation");
    deleteValue(winlogonKey, L"DefaultUserName");
    deleteValue(winlogonKey, L"DefaultPassword");
    m_mgt->reLogin(PSyUser(), L"", L"");
    EXPECT_EQ(L"(none)", readValue(runOnceKey, L"Qel Installation"));
    EXPECT_EQ(L"0", readValue(winlogonKey, L"AutoAdminLogon"));
    EXPECT_EQ(L"(none)", readValue(winlogonKey, L"DefaultUserName"));
    EXPECT_EQ(L"(none)", readValue(winlogonKey, L"DefaultPassword"));
    expectRequests({EWX_LOGOFF | EWX_FORCEIFHUNG});
    const CRecordedLine now = m_book.onlyMessage(L"syslib.system.switchUserNow");
    EXPECT_EQ(CLogArguments{L"(unknown)"}, now.arguments);
}

TEST_F(CSystemMgtTest, ALogoffForAnAdministratorArrangesItsLogon)
{
    const PSyUser me = getPrivilegedSyslibFactory()->getAccountMgt()->getUser(currentUser());
    m_mgt->reLogin(me, password, L"next.exe");
    EXPECT_EQ(L"next.exe", readValue(runOnceKey, L"Qel Installation"));
    EXPECT_EQ(me->getName(), readValue(winlogonKey, L"DefaultUserName"));
    EXPECT_EQ(password, readValue(winlogonKey, L"DefaultPassword"));
    expectRequests({EWX_LOGOFF | EWX_FORCEIFHUNG});
    EXPECT_EQ(CLogArguments{me->getName()}, m_book.onlyMessage(L"syslib.system.switchUserNow").arguments);
    expectPasswordNotLogged();
}

TEST_F(CSystemMgtTest, ALogoffForAUserWhoIsNoAdministratorIsRefusedBeforeAnythingIsWritten)
{
    const std::map<iastring, iastring> before = logonState();
    clearStandInAccounts();
    addStandInUser(L"visitor", L"pw");
    const PSyUser visitor = CSyslibFactory::getInstance()->getAccountMgt()->getUser(L"visitor");
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_mgt->reLogin(visitor, password, L"x.exe"); },
                                       L"syslib.account.isRootSucceededFalse", {L"visitor"});
    clearStandInAccounts();
    EXPECT_EQ(before, logonState());
    expectRequests({});
}

TEST_F(CSystemMgtTest, AFailingRegistryWriteLeavesNoHalfWrittenLogon)
{
    writeValue(winlogonKey, L"AutoAdminLogon", L"marker");
    deleteValue(winlogonKey, L"DefaultPassword");
    const std::map<iastring, iastring> before = logonState();
    {
        standins::CApiOverride<decltype(syslib::SySystemApi::RegSetValueExW)> refused(
            standins::systemApiTable().RegSetValueExW, refuseDomainName);
        m_book.clear();
        EXPECT_THROW(m_mgt->reboot(password, L"resume.exe"), ESySystem);
    }
    EXPECT_EQ(L"RegSetValueEx", m_book.onlyMessage(L"syslib.sysCallFailed").arguments.at(0));
    EXPECT_EQ(before, logonState());
    expectRequests({});
    expectPasswordNotLogged();
}

TEST_F(CSystemMgtTest, ARefusedShutdownIsReportedAndTakesTheLogonBack)
{
    deleteValue(winlogonKey, L"DefaultPassword");
    const std::map<iastring, iastring> before = logonState();
    standins::CApiOverride<decltype(syslib::SySystemApi::ExitWindowsEx)> refused(
        standins::systemApiTable().ExitWindowsEx, refuseShutdown);
    const ESySystem e = expectLoggedThrow<ESySystem>(m_book, [&] { m_mgt->reLogin(PSyUser(), password, L"r.exe"); },
                                                     L"common.fatalSystemError",
                                                     {L"ExitWindowsEx", L"error = 1314"});
    EXPECT_EQ(ESyException::SPECIFIC_CODE, e.getErrorType());
    EXPECT_EQ(ESySystem::SYSTEM_CALL_FAILED, e.getCode());
    EXPECT_EQ(before, logonState());
}
