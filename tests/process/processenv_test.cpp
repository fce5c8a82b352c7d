// Process environments: the description a task carries and the library process's own, live one.
#include "framework/iastrutil.h"
#include "tests/account/accountteststate.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sysysdump.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/sywinsec.h"
#include "syslib/process/syprocessmgt.h"
#include "tests/support/expectthrow.h"
#include "tests/support/tempdir.h"
#include "tests/support/wow64.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
// Account objects start COM, whose first start opens handles for the life of the process: start it before
// any test counts handles.
const HRESULT comStarted = ::CoInitialize(nullptr);
// So does the first window station call, which a user switch makes to open the desktop to the user.
const bool windowStationConnected = ::CloseWindowStation(::OpenWindowStationW(L"winsta0", FALSE, READ_CONTROL));

// A local user of the stand-ins' account database, as the account manager hands it out.
PSyUser standInUser(const wchar_t* name)
{
    clearStandInAccounts();
    addStandInUser(name, L"Secr3t!pw");
    return CSyslibFactory::getInstance()->getAccountMgt()->getUser(name);
}

PSyCurrentProcessEnvironment current()
{
    return CSyslibFactory::getInstance()->getProcessMgt()->getCurrentProcessEnvironment();
}

PSyProcessEnvironment description()
{
    return CSyslibFactory::getInstance()->getProcessMgt()->createProcessEnvironment();
}

std::vector<CSyEnvironmentVariable> variablesOf(ISyProcessEnvironment& environment)
{
    std::vector<CSyEnvironmentVariable> variables;
    PSyEnvironmentIterator it = environment.getEnvironmentVariables();
    for (it->first(); !it->isDone(); it->next())
        variables.push_back(it->get());
    return variables;
}

iastring processWorkingDirectory()
{
    wchar_t directory[MAX_PATH + 1] = {0};
    ::GetCurrentDirectoryW(MAX_PATH, directory);
    return directory;
}

bool threadHasToken()
{
    CAccessToken token;
    return token.openThreadToken(TOKEN_QUERY, true);
}

// Leaves the process's variables, directory and thread token as the test found them.
class CurrentEnvironmentTest : public ::testing::Test
{
protected:
    void SetUp() override { m_directory = processWorkingDirectory(); }
    void TearDown() override
    {
        for (const wchar_t* name : {L"SY_TEST_A", L"SY_TEST_B", L"SY_TEST_LONG", L"SY_TEST_ADDED", L"Sy_Test_Case"})
            ::SetEnvironmentVariableW(name, nullptr);
        ::SetCurrentDirectoryW(m_directory.c_str());
        ::RevertToSelf();
    }

    CRecordingLogBook m_book;
    iastring m_directory;
};
} // namespace

TEST(ProcessEnvironmentTest, DescriptionKeepsVariablesInOrderAndNamesWithoutCase)
{
    CRecordingLogBook book;
    PSyProcessEnvironment environment = description();
    environment->setEnvironmentVariable(L"Path", L"C:\\a");
    environment->setEnvironmentVariable(L"TEMP", L"C:\\t");
    environment->setEnvironmentVariable(L"", L"ignored");
    environment->setEnvironmentVariable(L"PATH", L"C:\\b");
    EXPECT_EQ((std::vector<CSyEnvironmentVariable>{{L"Path", L"C:\\b"}, {L"TEMP", L"C:\\t"}}), variablesOf(*environment));
    EXPECT_EQ(L"C:\\b", environment->getEnvironmentVariable(L"path"));
    EXPECT_EQ(L"", environment->getEnvironmentVariable(L"missing"));

    // An iterator is a copy: later changes do not reach it.
    PSyEnvironmentIterator before = environment->getEnvironmentVariables();
    environment->removeEnvironmentVariable(L"path");
    environment->removeEnvironmentVariable(L"never-set");
    EXPECT_EQ((std::vector<CSyEnvironmentVariable>{{L"TEMP", L"C:\\t"}}), variablesOf(*environment));
    before->first();
    EXPECT_EQ(L"Path", before->get().first);

    environment->setWorkingDirectory(L"C:\\work");
    environment->setUmask(022);
    EXPECT_EQ(L"C:\\work", environment->getWorkingDirectory());
    EXPECT_EQ(022u, environment->getUmask());
    EXPECT_EQ(L"Process environment\n===================\nEnvironment Variables\n=====================\n"
              L"TEMP = C:\\t\nUser: \nWorking directory: C:\\work\n\n",
              environment->dump());
}

TEST(ProcessEnvironmentTest, UsersAreKeptButTheirPasswordsNeverLogged)
{
    CRecordingLogBook book;
    PSyProcessEnvironment environment = description();
    PSyUser alice = standInUser(L"alice");
    book.clear();
    environment->setUser(alice, L"Secr3t!pw");
    environment->setEffectiveUser(alice, L"Secr3t!pw");
    EXPECT_EQ(alice, environment->getUser());
    EXPECT_EQ(alice, environment->getEffectiveUser());
    EXPECT_TRUE(book.hasTrace(L"begin of function"));
    EXPECT_EQ(L"CSyProcessEnvironmentImpl::setUser(alice, pasword)", book.lines().front().functionName);
    EXPECT_TRUE(environment->dump().find(L"\nUser: alice\n") != iastring::npos);
    EXPECT_FALSE(book.holdsAnywhere(L"Secr3t!pw"));

    PSyGroup none;
    environment->setGroup(none);
    EXPECT_FALSE(environment->getGroup());
}

TEST(ProcessEnvironmentTest, ResourceLimitsAreNotSupported)
{
    CRecordingLogBook book;
    PSyProcessEnvironment environment = description();
    const ESyPrecondition failure = expectLoggedThrow<ESyPrecondition>(
        book, [&] { environment->getResourceLimit(ISyProcessEnvironment::RES_OPEN_FILES); },
        L"common.functionNotSupported",
        {L"CSyProcessEnvironmentImpl::getResourceLimit(ISyProcessEnvironment::Resource)"});
    EXPECT_EQ(ESyPrecondition::FUNCTION_NOT_SUPPORTED, failure.getCode());
    expectLoggedThrow<ESyPrecondition>(
        book, [&] { environment->setResourceLimit(ISyProcessEnvironment::RES_CPU_TIME, 1); },
        L"common.functionNotSupported",
        {L"CSyProcessEnvironmentImpl::setResourceLimit(ISyProcessEnvironment::Resource, unsigned long)"});
    expectLoggedThrow<ESyPrecondition>(
        book, [&] { current()->getAvailableResources(ISyProcessEnvironment::RES_CPU_TIME); },
        L"common.functionNotSupported",
        {L"CSyCurrentProcessEnvironmentImpl::getAvailableResources(ISyProcessEnvironment::Resource)"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { current()->getUmask(); }, L"common.functionNotSupported",
                                       {L"CSyCurrentProcessEnvironmentImpl::getUmask()"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { current()->setEffectiveGroup(PSyGroup()); },
                                       L"common.functionNotSupported",
                                       {L"CSyCurrentProcessEnvironmentImpl::setGroup(PSyGroup)"});

    std::wostringstream names;
    names << ISyProcessEnvironment::RES_STACK_SIZE << L" " << static_cast<ISyProcessEnvironment::Resource>(42);
    EXPECT_EQ(L"RES_STACK_SIZE unknown (42)", names.str());
}

TEST_F(CurrentEnvironmentTest, VariablesReachTheProcessWithWindowsNaming)
{
    PSyCurrentProcessEnvironment environment = current();
    environment->setEnvironmentVariable(L"SY_TEST_A", L"one = two");
    wchar_t value[64] = {0};
    ASSERT_EQ(9u, ::GetEnvironmentVariableW(L"SY_TEST_A", value, 64));
    EXPECT_EQ(iastring(L"one = two"), value);
    EXPECT_EQ(L"one = two", environment->getEnvironmentVariable(L"sy_test_a"));

    // Names differing only in case are one variable.
    environment->setEnvironmentVariable(L"Sy_Test_Case", L"first");
    environment->setEnvironmentVariable(L"SY_TEST_CASE", L"second");
    const std::vector<CSyEnvironmentVariable> variables = variablesOf(*environment);
    EXPECT_EQ(1, std::count_if(variables.begin(), variables.end(), [](const CSyEnvironmentVariable& variable) {
                  return _wcsicmp(variable.first.c_str(), L"SY_TEST_CASE") == 0;
              }));
    EXPECT_EQ(L"second", environment->getEnvironmentVariable(L"sy_test_case"));
    // Per-drive directories ("=C:") are no variables.
    EXPECT_TRUE(std::none_of(variables.begin(), variables.end(),
                             [](const CSyEnvironmentVariable& variable) { return variable.first.empty() || variable.first[0] == L'='; }));

    environment->setEnvironmentVariable(L"", L"x");
    m_book.clear();
    environment->removeEnvironmentVariable(L"SY_TEST_A");
    EXPECT_EQ(0u, ::GetEnvironmentVariableW(L"SY_TEST_A", value, 64));
    EXPECT_EQ(L"", environment->getEnvironmentVariable(L"SY_TEST_A"));
    const CRecordedLine removed = m_book.onlyMessage(L"utlmod.generic");
    EXPECT_EQ(CMessage::LOG_INFO, removed.type);
    EXPECT_EQ(CLogArguments{L"Removed environment variable SY_TEST_A from current process environment."},
              removed.arguments);
}

TEST_F(CurrentEnvironmentTest, LongValuesAreNeitherCutNorLost)
{
    PSyCurrentProcessEnvironment environment = current();
    // The longest value Windows keeps: read back whole, from the variable and from the block.
    iastring longest;
    for (int i = 0; longest.size() < 32766; ++i)
        longest += std::to_wstring(i % 10);
    environment->setEnvironmentVariable(L"SY_TEST_LONG", longest);
    EXPECT_TRUE(longest == environment->getEnvironmentVariable(L"SY_TEST_LONG"));
    const std::vector<CSyEnvironmentVariable> variables = variablesOf(*environment);
    const auto found = std::find_if(variables.begin(), variables.end(),
                                    [](const CSyEnvironmentVariable& variable) { return variable.first == L"SY_TEST_LONG"; });
    ASSERT_NE(variables.end(), found);
    EXPECT_EQ(longest.size(), found->second.size());
    EXPECT_TRUE(longest == found->second);

    // Longer would come back cut: refused, and the value before stays.
    const iastring tooLong = longest + L"x" + iastring(8000, L'y');
    const ESyPutenvError failure = expectLoggedThrow<ESyPutenvError>(
        m_book, [&] { environment->setEnvironmentVariable(L"SY_TEST_LONG", tooLong); },
        L"syslib.process.currentProcessEnv.notEnvironmentVariableSet", {L"SY_TEST_LONG", tooLong});
    EXPECT_EQ(ESyException::C_ERRNO, failure.getErrorType());
    EXPECT_TRUE(longest == environment->getEnvironmentVariable(L"SY_TEST_LONG"));
}

TEST_F(CurrentEnvironmentTest, AValueTheCodePageCannotCarryFailsAndKeepsTheOldOne)
{
    PSyCurrentProcessEnvironment environment = current();
    environment->setEnvironmentVariable(L"SY_TEST_B", L"kept");
    const iastring snowman = L"snow \u2603 man \u4E2D";
    const ESyPutenvError failure = expectLoggedThrow<ESyPutenvError>(
        m_book, [&] { environment->setEnvironmentVariable(L"SY_TEST_B", snowman); },
        L"syslib.process.currentProcessEnv.notEnvironmentVariableSet", {L"SY_TEST_B", snowman});
    EXPECT_EQ(ESyException::C_ERRNO, failure.getErrorType());
    EXPECT_EQ(0u, failure.getText().find(L"ESyPutenvError "));
    EXPECT_EQ(L"kept", environment->getEnvironmentVariable(L"SY_TEST_B"));
}

TEST_F(CurrentEnvironmentTest, WorkingDirectoryChangesAndRefusals)
{
    PSyCurrentProcessEnvironment environment = current();
    CTempDir dir;
    m_book.clear();
    environment->setWorkingDirectory(dir.path());
    EXPECT_EQ(CMessage::LOG_INFO, m_book.onlyMessage(L"syslib.process.currentProcessEnv.cwdSuccessful").type);
    EXPECT_EQ(_wcsicmp(dir.path().c_str(), processWorkingDirectory().c_str()), 0);
    EXPECT_EQ(processWorkingDirectory(), environment->getWorkingDirectory());

    expectLoggedThrow<ESyPrecondition>(
        m_book, [&] { environment->setWorkingDirectory(L""); }, L"common.parameterEmpty",
        {L"sDirectory", L"CSyCurrentProcessEnvironmentImpl::setWorkingDirectory(iastring)"});
    const ESyChangeDir failure = expectLoggedThrow<ESyChangeDir>(
        m_book, [&] { environment->setWorkingDirectory(dir / L"missing"); },
        L"syslib.process.currentProcessEnv.notSetWorkdir", {});
    EXPECT_EQ(L"ESyChangeDir", failure.getText());
    EXPECT_EQ(std::vector<iastring>{L"The working directory could not be changed."}, m_book.logs());
    EXPECT_EQ(_wcsicmp(dir.path().c_str(), processWorkingDirectory().c_str()), 0);
    ::SetCurrentDirectoryW(m_directory.c_str());
}

TEST_F(CurrentEnvironmentTest, SnapshotChangeRestoreAlsoWhenAStepThrows)
{
    PSyCurrentProcessEnvironment environment = current();
    ::SetEnvironmentVariableW(L"SY_TEST_A", L"original");
    PSyProcessEnvironment snapshot = description();
    environment->fill(snapshot);
    EXPECT_EQ(L"original", snapshot->getEnvironmentVariable(L"SY_TEST_A"));
    EXPECT_EQ(m_directory, snapshot->getWorkingDirectory());

    CTempDir dir;
    PSyProcessEnvironment task = description();
    task->setEnvironmentVariable(L"SY_TEST_A", L"changed");
    task->setEnvironmentVariable(L"SY_TEST_ADDED", L"new");
    task->setWorkingDirectory(dir.path());
    environment->set(task);
    EXPECT_EQ(L"changed", environment->getEnvironmentVariable(L"SY_TEST_A"));
    EXPECT_EQ(L"new", environment->getEnvironmentVariable(L"SY_TEST_ADDED"));
    EXPECT_EQ(_wcsicmp(dir.path().c_str(), processWorkingDirectory().c_str()), 0);

    // A description whose directory does not exist fails before its variables are applied.
    PSyProcessEnvironment broken = description();
    broken->setWorkingDirectory(dir / L"missing");
    broken->setEnvironmentVariable(L"SY_TEST_A", L"broken");
    EXPECT_THROW(environment->set(broken), ESyChangeDir);
    EXPECT_EQ(L"changed", environment->getEnvironmentVariable(L"SY_TEST_A"));

    environment->set(snapshot);
    EXPECT_EQ(L"original", environment->getEnvironmentVariable(L"SY_TEST_A"));
    EXPECT_EQ(m_directory, processWorkingDirectory());
    // Applying a description never removes: what was added in between stays.
    EXPECT_EQ(L"new", environment->getEnvironmentVariable(L"SY_TEST_ADDED"));

    // Without a working directory the current one stays.
    PSyProcessEnvironment variablesOnly = description();
    variablesOnly->setEnvironmentVariable(L"SY_TEST_B", L"b");
    environment->set(variablesOnly);
    EXPECT_EQ(m_directory, processWorkingDirectory());

    expectLoggedThrow<ESyPrecondition>(m_book, [&] { environment->set(PSyProcessEnvironment()); },
                                       L"common.attributeEmpty", {L"pEnv", L"CSyCurrentProcessEnvironmentImpl::set()"});
}

TEST_F(CurrentEnvironmentTest, SwitchingToTheProcessUserImpersonatesItselfOnce)
{
    PSyCurrentProcessEnvironment environment = current();
    ASSERT_FALSE(threadHasToken());
    environment->setUser(PSyUser(), L"Secr3t!pw");
    EXPECT_TRUE(threadHasToken());
    const std::vector<iastring> first = m_book.logs();
    EXPECT_NE(first.end(), std::find(first.begin(), first.end(),
                                     L"Target user and process user are identical => impersonating process user."));

    m_book.clear();
    environment->setUser(PSyUser(), L"Secr3t!pw");
    EXPECT_TRUE(threadHasToken());
    ASSERT_EQ(1u, m_book.logs().size());
    EXPECT_EQ(0u, m_book.logs()[0].find(L"Target user and current thread user are identical"));

    // Another account needs a logon: the impersonation of the process user ends first.
    m_book.clear();
    PSyUser other = standInUser(L"other");
    environment->setUser(other, L"Secr3t!pw");
    EXPECT_TRUE(threadHasToken());
    EXPECT_TRUE(m_book.hasTrace(L"Target user and process user differ => normal user switch."));
    const std::vector<iastring> logs = m_book.logs();
    EXPECT_NE(logs.end(), std::find(logs.begin(), logs.end(), L"Terminated current impersonation."));
    EXPECT_TRUE(m_book.hasTrace(L"parameter(s): other, ********"));
    EXPECT_FALSE(m_book.holdsAnywhere(L"Secr3t!pw"));
    environment->setUser(PSyUser(), iastring());
    EXPECT_FALSE(threadHasToken());
}

TEST_F(CurrentEnvironmentTest, DumpShowsVariablesUserAndDirectory)
{
    ::SetEnvironmentVariableW(L"SY_TEST_A", L"dumped");
    const iastring dump = current()->dump();
    EXPECT_EQ(0u, dump.find(L"Process environment\n===================\nEnvironment Variables\n=====================\n"));
    EXPECT_NE(iastring::npos, dump.find(L"\nSY_TEST_A = dumped\n"));
    EXPECT_NE(iastring::npos, dump.find(L"\nWorking directory: " + m_directory + L"\n"));
    const std::size_t user = dump.find(L"\nUser: ");
    ASSERT_NE(iastring::npos, user);
    EXPECT_NE(L'\n', dump[user + 7]) << "a user name";
    EXPECT_EQ(iastring::npos, dump.find(L"<"));

    const iastring token = current()->dumpToken();
    EXPECT_EQ(0u, token.find(L"user S-1-"));
    // Administrators is enabled for the wine user; the attribute names are those of the set bits only.
    const std::size_t administrators = token.find(L"\ngroup S-1-5-32-544 ");
    ASSERT_NE(iastring::npos, administrators);
    const iastring line = token.substr(administrators + 1, token.find(L'\n', administrators + 1) - administrators - 1);
    EXPECT_NE(iastring::npos, line.find(L" mandatory,enabled-by-default,enabled")) << toMbstring(line);
    EXPECT_EQ(iastring::npos, line.find(L"deny-only")) << toMbstring(line);
}

TEST_F(CurrentEnvironmentTest, AccessFailuresAndTheSupportDumpCarryTheEnvironment)
{
    ::SetEnvironmentVariableW(L"SY_TEST_A", L"reported");
    for (const syslib::SyOSError error : {5ul, 13ul})
    {
        m_book.clear();
        ::SetLastError(error);
        syslib::printOSError(error, L"OpenProcessToken", 9, L"", CMessage::LOG_ERROR, L"f");
        EXPECT_EQ(error, ::GetLastError()) << "callers throw with it after the report";
        const std::vector<CRecordedLine>& lines = m_book.lines();
        const auto dump = std::find_if(lines.begin(), lines.end(), [](const CRecordedLine& line) {
            return line.kind == CLogBookBase::LINE_LOG && line.text.find(L"\nSY_TEST_A = reported\n") != iastring::npos;
        });
        const auto message = std::find_if(lines.begin(), lines.end(), [](const CRecordedLine& line) {
            return line.text == L"syslib.sysCallFailed";
        });
        ASSERT_NE(lines.end(), dump) << error;
        EXPECT_LT(dump, message) << error;
    }

    m_book.clear();
    syslib::logSystemState();
    std::vector<iastring> logs = m_book.logs();
    // A 32-bit process on a 64-bit system says so while the system facts are read.
    if (runsUnderWow64())
    {
        ASSERT_GE(logs.size(), 2u);
        EXPECT_EQ(L"We are running under WOW64!", logs[1]);
        logs.erase(logs.begin() + 1);
    }
    ASSERT_EQ(2u, logs.size());
    EXPECT_EQ(0u, logs[0].find(L"Process environment\n"));
    EXPECT_EQ(0u, logs[1].find(L"System information\n"));
}
