// The system manager: the special directories, and restart and logoff with the automatic logon arranged
// in the registry first. The registry values are the prefix's real ones; the shutdown is the stand-in's,
// which records each request instead of ending the session.
#include "tests/account/accountteststate.h"
#include "framework/iastrutil.h"
#include "standins/common/saregistry.h"
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

// Whether the bytes of a value hold text (as UTF-16, the way every value here is written).
bool holds(const std::vector<BYTE>& bytes, const iastring& text)
{
    const std::string needle(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return std::string(bytes.begin(), bytes.end()).find(needle) != std::string::npos;
}

// The names of the values of a key (and, deep, of its subkeys) that hold text.
void findIn(HKEY key, const iastring& path, const iastring& text, bool deep, std::vector<iastring>& found)
{
    wchar_t name[512];
    std::vector<BYTE> data(65536);
    for (DWORD i = 0;; ++i)
    {
        DWORD nameLength = 512;
        DWORD size = static_cast<DWORD>(data.size());
        if (::RegEnumValueW(key, i, name, &nameLength, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS)
            break;
        if (holds(std::vector<BYTE>(data.begin(), data.begin() + size), text))
            found.push_back(path + L"\\" + name);
    }
    for (DWORD i = 0; deep; ++i)
    {
        DWORD nameLength = 512;
        if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        syslib::CSyRegKey subKey;
        if (::RegOpenKeyExW(key, name, 0, KEY_READ, subKey.receive()) == ERROR_SUCCESS)
            findIn(subKey.get(), path + L"\\" + name, text, deep, found);
    }
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
    void SetUp() override
    {
        standins::clearShutdownRequests();
        standins::clearSecrets();
    }
    void TearDown() override
    {
        standins::clearShutdownRequests();
        standins::clearSecrets();
        CSyAccountCache::instance().clear();
    }

    // The automatic logon's secret as the LSA keeps it; empty when there is none.
    iastring storedSecret()
    {
        m_secret.clear();
        standins::storedSecret(L"DefaultPassword", m_secret);
        return m_secret;
    }

    // A secret an earlier setup left, stored as any program would.
    static void storeSecret(const iastring& value)
    {
        const syslib::SySystemApi& api = syslib::systemApi();
        LSA_OBJECT_ATTRIBUTES attributes = {};
        LSA_HANDLE policy = nullptr;
        ASSERT_EQ(0, api.LsaOpenPolicy(nullptr, &attributes, POLICY_CREATE_SECRET, &policy));
        const iastring name = L"DefaultPassword";
        LSA_UNICODE_STRING key = {static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2),
                                  const_cast<wchar_t*>(name.c_str())};
        LSA_UNICODE_STRING data = {static_cast<USHORT>(value.size() * 2), static_cast<USHORT>(value.size() * 2),
                                   const_cast<wchar_t*>(value.c_str())};
        EXPECT_EQ(0, api.LsaStorePrivateData(policy, &key, &data));
        api.LsaClose(policy);
    }

    // No line of the log (text or argument), no value of Winlogon or RunOnce in either view of the registry,
    // and no value of the stand-ins' plain state holds the password.
    void expectPasswordNowhereInPlainText() const
    {
        for (const CRecordedLine& line : m_book.lines())
        {
            EXPECT_EQ(iastring::npos, line.text.find(password)) << toMbstring(line.text);
            for (const iastring& argument : line.arguments)
                EXPECT_EQ(iastring::npos, argument.find(password)) << toMbstring(argument);
        }
        std::vector<iastring> found;
        for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
            for (const wchar_t* key : {winlogonKey, runOnceKey})
                findIn(logonstate::open(key, view).get(), key, password, false, found);
        findIn(standins::openMachineKey(L"Software\\Vantix\\StandIns", false).get(), L"StandIns", password, true,
               found);
        EXPECT_TRUE(found.empty()) << toMbstring(found.front());
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
    std::wstring m_secret;
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

TEST_F(CSystemMgtTest, RebootArrangesTheLogonOfTheCurrentUserWithThePasswordAsTheLsaSecret)
{
    // The library enables the privilege itself; the stand-in refuses a restart without it.
    setShutdownPrivilege(false);
    writeValue(winlogonKey, L"DefaultPassword", L"an-earlier-clear-text-password");
    const PSyUser me = getPrivilegedSyslibFactory()->getAccountMgt()->getUser(currentUser());
    const std::map<iastring, iastring> redirectedView = logonstate::snapshot(KEY_WOW64_32KEY);
    m_mgt->reboot(password, L"C:\\setup\\continue.exe /resume");
    // Winlogon and RunOnce are read in the native view; a 32-bit library that wrote into its redirected one
    // (Wow6432Node) would arrange a logon that never happens, and leave the password where nothing reads it.
    EXPECT_EQ(redirectedView, logonstate::snapshot(KEY_WOW64_32KEY));

    EXPECT_EQ(L"C:\\setup\\continue.exe /resume", readValue(runOnceKey, L"Qel Installation"));
    EXPECT_EQ(L"1", readValue(winlogonKey, L"AutoAdminLogon"));
    EXPECT_EQ(me->getName(), readValue(winlogonKey, L"DefaultUserName"));
    EXPECT_EQ(me->getDomain(), readValue(winlogonKey, L"DefaultDomainName"));
    EXPECT_EQ(L"1", readValue(winlogonKey, L"ForceAutoLogon"));
    // One logon, then Windows clears the automatic logon and the secret itself.
    EXPECT_EQ(L"dword:1", readValue(winlogonKey, L"AutoLogonCount"));
    // No password in the registry, not even the one an earlier setup left there.
    EXPECT_EQ(logonstate::none, readValue(winlogonKey, L"DefaultPassword"));
    EXPECT_EQ(password, storedSecret());
    // The account comes from the token's SID, not from a bare name that a local account could match.
    EXPECT_TRUE(m_book.hasTrace(L"parameter(s): " + me->getSID()));
    expectRequests({EWX_REBOOT | EWX_FORCEIFHUNG});
    EXPECT_EQ(CMessage::LOG_INFO, m_book.onlyMessage(L"syslib.system.rebootNow").type);
    expectPasswordNowhereInPlainText();
}

TEST_F(CSystemMgtTest, WithoutAPasswordTheLogonOfAnEarlierSetupStaysAsItWas)
{
    writeValue(runOnceKey, L"Qel Installation", L"earlier.exe");
    writeValue(winlogonKey, L"AutoAdminLogon", L"1");
    writeValue(winlogonKey, L"DefaultUserName", L"operator");
    writeValue(winlogonKey, L"ForceAutoLogon", L"0");
    const std::map<iastring, iastring> before = logonState();
    m_mgt->reboot(L"");
    EXPECT_EQ(before, logonState()) << "nothing written, RunOnce kept";
    expectRequests({EWX_REBOOT | EWX_FORCEIFHUNG});

    m_mgt->reLogin(PSyUser(), L"", L"again.exe");
    std::map<iastring, iastring> expected = before;
    expected[L"Qel Installation"] = L"again.exe";
    EXPECT_EQ(expected, logonState()) << "only the restart command";
    EXPECT_FALSE(standins::storedSecret(L"DefaultPassword", m_secret));
    expectRequests({EWX_REBOOT | EWX_FORCEIFHUNG, EWX_LOGOFF | EWX_FORCEIFHUNG});
    EXPECT_EQ(CLogArguments{L"(unknown)"}, m_book.onlyMessage(L"syslib.system.switchUserNow").arguments);
}

TEST_F(CSystemMgtTest, ALogoffForAnAdministratorArrangesItsLogon)
{
    const PSyUser me = getPrivilegedSyslibFactory()->getAccountMgt()->getUser(currentUser());
    m_mgt->reLogin(me, password, L"next.exe");
    EXPECT_EQ(L"next.exe", readValue(runOnceKey, L"Qel Installation"));
    EXPECT_EQ(me->getName(), readValue(winlogonKey, L"DefaultUserName"));
    EXPECT_EQ(logonstate::none, readValue(winlogonKey, L"DefaultPassword"));
    EXPECT_EQ(password, storedSecret());
    expectRequests({EWX_LOGOFF | EWX_FORCEIFHUNG});
    EXPECT_EQ(CLogArguments{me->getName()}, m_book.onlyMessage(L"syslib.system.switchUserNow").arguments);
    expectPasswordNowhereInPlainText();
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
    EXPECT_FALSE(standins::storedSecret(L"DefaultPassword", m_secret));
    expectRequests({});
}

namespace
{
// Which step of the arrangement fails, and whether the rollback's first write fails too.
enum eFailingStep
{
    FAIL_NONE,
    FAIL_DOMAIN_NAME,    // a registry write
    FAIL_QUERY,          // reading what a value held before
    FAIL_SECRET,         // storing the secret
    FAIL_REMOVE,         // removing the clear-text password
    FAIL_SHUTDOWN        // the system refuses the end of the session
};
eFailingStep g_failing = FAIL_NONE;
bool g_rollbackFails = false;
bool g_failed = false;

LSTATUS WINAPI failingSet(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (g_failing == FAIL_DOMAIN_NAME && iastring(name) == L"DefaultDomainName" && !g_failed)
    {
        g_failed = true;
        return ERROR_ACCESS_DENIED;
    }
    if (g_failed && g_rollbackFails && iastring(name) == L"AutoAdminLogon")
        return ERROR_WRITE_FAULT;
    return ::RegSetValueExW(key, name, reserved, type, data, size);
}

LSTATUS WINAPI failingQuery(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size)
{
    // Only the second call (the data) fails: the first said that the value exists.
    if (g_failing == FAIL_QUERY && iastring(name) == L"ForceAutoLogon" && data != nullptr)
    {
        g_failed = true;
        ::SetLastError(ERROR_SUCCESS);
        return ERROR_MORE_DATA;
    }
    return ::RegQueryValueExW(key, name, reserved, type, data, size);
}

LSTATUS WINAPI failingDelete(HKEY key, LPCWSTR name)
{
    if (g_failing == FAIL_REMOVE && !g_failed)
    {
        g_failed = true;
        return ERROR_ACCESS_DENIED;
    }
    return ::RegDeleteValueW(key, name);
}

NTSTATUS NTAPI failingStore(LSA_HANDLE policy, PLSA_UNICODE_STRING key, PLSA_UNICODE_STRING data)
{
    if (g_failing == FAIL_SECRET && !g_failed)
    {
        g_failed = true;
        return static_cast<NTSTATUS>(0xC0000022); // STATUS_ACCESS_DENIED
    }
    return standins::unchangedSystemApi().LsaStorePrivateData(policy, key, data);
}

BOOL WINAPI failingShutdown(UINT flags, DWORD reason)
{
    if (g_failing == FAIL_SHUTDOWN)
    {
        g_failed = true;
        ::SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    return standins::unchangedSystemApi().ExitWindowsEx(flags, reason);
}
} // namespace

// Each step of the arrangement fails in turn: the registry values (both views), the secret and an earlier
// setup's clear-text password are then exactly as before, nothing restarts, and the password is nowhere.
TEST_F(CSystemMgtTest, AFailureAtAnyStepTakesTheWholeArrangementBack)
{
    standins::CApiOverride<decltype(syslib::SySystemApi::RegSetValueExW)> set(standins::systemApiTable().RegSetValueExW,
                                                                             failingSet);
    standins::CApiOverride<decltype(syslib::SySystemApi::RegQueryValueExW)> query(
        standins::systemApiTable().RegQueryValueExW, failingQuery);
    standins::CApiOverride<decltype(syslib::SySystemApi::RegDeleteValueW)> remove(
        standins::systemApiTable().RegDeleteValueW, failingDelete);
    standins::CApiOverride<decltype(syslib::SySystemApi::LsaStorePrivateData)> store(
        standins::systemApiTable().LsaStorePrivateData, failingStore);
    standins::CApiOverride<decltype(syslib::SySystemApi::ExitWindowsEx)> shutdown(
        standins::systemApiTable().ExitWindowsEx, failingShutdown);
    const PSyUser me = getPrivilegedSyslibFactory()->getAccountMgt()->getUser(currentUser());
    const struct
    {
        eFailingStep step;
        const wchar_t* key;
        CLogArguments firstArguments;
    } cases[] = {{FAIL_DOMAIN_NAME, L"syslib.sysCallFailed", {L"RegSetValueEx"}},
                 {FAIL_QUERY, L"syslib.sysCallFailed", {L"RegQueryValueEx"}},
                 {FAIL_SECRET, L"syslib.sysCallFailed", {L"LsaStorePrivateData"}},
                 {FAIL_REMOVE, L"syslib.sysCallFailed", {L"RegDeleteValue"}},
                 {FAIL_SHUTDOWN, L"common.fatalSystemError", {L"ExitWindowsEx", L"error = 1314"}}};
    for (const auto& c : cases)
    {
        writeValue(winlogonKey, L"AutoAdminLogon", L"marker");
        writeValue(winlogonKey, L"ForceAutoLogon", L"0");
        writeValue(winlogonKey, L"DefaultPassword", L"an-earlier-clear-text-password");
        standins::clearSecrets();
        storeSecret(L"an-earlier-secret");
        const std::map<iastring, iastring> before = logonState();
        const std::map<iastring, iastring> redirectedView = logonstate::snapshot(KEY_WOW64_32KEY);
        g_failing = c.step;
        g_failed = false;
        m_book.clear();
        EXPECT_THROW(m_mgt->reLogin(me, password, L"resume.exe"), ESySystem) << c.step;
        g_failing = FAIL_NONE;
        EXPECT_TRUE(g_failed) << c.step;
        const CRecordedLine report = m_book.messages(c.key).at(0);
        for (std::size_t i = 0; i < c.firstArguments.size(); ++i)
            EXPECT_EQ(c.firstArguments[i], report.arguments.at(i)) << c.step;
        EXPECT_EQ(before, logonState()) << c.step;
        EXPECT_EQ(redirectedView, logonstate::snapshot(KEY_WOW64_32KEY)) << c.step;
        EXPECT_EQ(L"an-earlier-secret", storedSecret()) << c.step;
        expectRequests({});
        expectPasswordNowhereInPlainText();
    }
    // A failed query reports the status the call returned: the last error says nothing of it.
    g_failing = FAIL_QUERY;
    g_failed = false;
    m_book.clear();
    EXPECT_THROW(m_mgt->reLogin(me, password, L""), ESySystem);
    g_failing = FAIL_NONE;
    EXPECT_EQ(L"234", m_book.onlyMessage(L"syslib.sysCallFailed").arguments.at(2));

    // A value that cannot be put back is an error in the log, not a trace line.
    g_failing = FAIL_DOMAIN_NAME;
    g_failed = false;
    g_rollbackFails = true;
    m_book.clear();
    EXPECT_THROW(m_mgt->reLogin(me, password, L""), ESySystem);
    g_failing = FAIL_NONE;
    g_rollbackFails = false;
    const std::vector<CRecordedLine> reports = m_book.messages(L"syslib.sysCallFailed");
    ASSERT_EQ(2u, reports.size());
    EXPECT_EQ(CMessage::LOG_ERROR, reports[1].type);
    EXPECT_EQ(L"RegSetValueEx", reports[1].arguments.at(0));
    EXPECT_EQ(L"29", reports[1].arguments.at(2));
}

namespace
{
struct CRawValue
{
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const CRawValue& other) const { return type == other.type && bytes == other.bytes; }
};

CRawValue rawValue(const wchar_t* key, const wchar_t* name)
{
    CRawValue value;
    const syslib::CSyRegKey opened = logonstate::open(key);
    DWORD size = 0;
    if (::RegQueryValueExW(opened.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return CRawValue();
    value.bytes.resize(size);
    ::RegQueryValueExW(opened.get(), name, nullptr, &value.type, value.bytes.data(), &size);
    value.bytes.resize(size);
    return value;
}

void setRawValue(const wchar_t* key, const wchar_t* name, const CRawValue& value)
{
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(logonstate::open(key).get(), name, 0, value.type, value.bytes.data(),
                                              static_cast<DWORD>(value.bytes.size())));
}

CRawValue textOf(DWORD type, const iastring& text, bool terminated = true)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    CRawValue value;
    value.type = type;
    value.bytes.assign(bytes, bytes + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
    return value;
}
} // namespace

// What an earlier setup left may be of any type and length, empty or without its terminator: a failed
// arrangement puts each value back byte for byte, with its type.
TEST_F(CSystemMgtTest, AValueOfAnyTypeOrLengthIsPutBackAsItWas)
{
    const DWORD one = 1;
    CRawValue number;
    number.type = REG_DWORD;
    number.bytes.assign(reinterpret_cast<const BYTE*>(&one), reinterpret_cast<const BYTE*>(&one) + sizeof(one));
    CRawValue empty;
    empty.type = REG_SZ;
    const std::map<const wchar_t*, CRawValue> earlier = {
        {L"AutoAdminLogon", number},
        {L"DefaultUserName", textOf(REG_EXPAND_SZ, L"%USERNAME%-\u0142\U0001F600")},
        {L"DefaultDomainName", empty},
        {L"ForceAutoLogon", textOf(REG_SZ, iastring(40000, L'f'))},
        {L"AutoLogonCount", textOf(REG_SZ, L"3", false)},
    };
    for (const auto& value : earlier)
        setRawValue(winlogonKey, value.first, value.second);
    for (const auto& value : earlier)
        ASSERT_EQ(value.second, rawValue(winlogonKey, value.first)) << "the prefix keeps " << value.first;

    standins::CApiOverride<decltype(syslib::SySystemApi::ExitWindowsEx)> shutdown(
        standins::systemApiTable().ExitWindowsEx, failingShutdown);
    g_failing = FAIL_SHUTDOWN;
    g_failed = false;
    const PSyUser me = getPrivilegedSyslibFactory()->getAccountMgt()->getUser(currentUser());
    EXPECT_THROW(m_mgt->reLogin(me, password, L"resume.exe"), ESySystem);
    g_failing = FAIL_NONE;
    ASSERT_TRUE(g_failed);
    for (const auto& value : earlier)
        EXPECT_EQ(value.second, rawValue(winlogonKey, value.first)) << toMbstring(value.first);
    expectPasswordNowhereInPlainText();
}
