// Child applications and child functions, run for real: the child is this test program started again.
#include "syslib/process/sytaskimpl.h"
#include "framework/iastrutil.h"
#include "syslib/process/syprocessenvimpl.h"
#include "syslib/process/sytaskioimpl.h"
#include "standins/process/sathreadapi.h"

#include "tests/support/expectthrow.h"
#include "tests/support/tempdir.h"
#include "tests/support/testchild.h"
#include "threadtoken.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

namespace
{
iastring ownProgram()
{
    wchar_t program[MAX_PATH + 1] = {0};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    return program;
}

int exitWith(const std::vector<iastring>& arguments)
{
    return std::stoi(arguments.at(0));
}
const CTestChildRegistration exitWithChild(L"exit-with", exitWith);

// Copies its input to its output, line by line, until the input ends.
int echoInput(const std::vector<iastring>&)
{
    char line[256];
    while (std::fgets(line, sizeof(line), stdin) != nullptr)
        std::printf("echo %s", line);
    return 0;
}
const CTestChildRegistration echoInputChild(L"echo-input", echoInput);

// Its working directory, then the value of each variable named, one a line.
int printEnvironment(const std::vector<iastring>& arguments)
{
    wchar_t directory[MAX_PATH + 1] = {0};
    ::GetCurrentDirectoryW(MAX_PATH, directory);
    std::printf("%s\n", hexUnits(directory).c_str());
    for (const iastring& name : arguments)
    {
        const wchar_t* value = _wgetenv(name.c_str());
        std::printf("%s\n", value ? hexUnits(value).c_str() : "unset");
    }
    return 0;
}
const CTestChildRegistration printEnvironmentChild(L"print-environment", printEnvironment);

// Many lines to standard output and standard error in turn: more than one pipe buffer.
int writeBoth(const std::vector<iastring>& arguments)
{
    const int lines = std::stoi(arguments.at(0));
    const std::string filler(200, 'x');
    for (int i = 0; i < lines; ++i)
        std::fprintf(i % 2 ? stderr : stdout, "%d %s\n", i, filler.c_str());
    return 0;
}
const CTestChildRegistration writeBothChild(L"write-both", writeBoth);

// Waits until the file exists, for a minute at most.
int waitForFile(const std::vector<iastring>& arguments)
{
    for (int i = 0; i < 600; ++i)
    {
        if (::GetFileAttributesW(arguments.at(0).c_str()) != INVALID_FILE_ATTRIBUTES)
            return 0;
        ::Sleep(100);
    }
    return 3;
}
const CTestChildRegistration waitForFileChild(L"wait-for-file", waitForFile);

PSyChildApplication childApplication(const iastring& mode, const iastring& arguments = iastring(), int id = 1)
{
    const PSyChildApplication application(new CSyChildApplication(id));
    application->setPath(ownProgram());
    application->setArguments(L"--child=" + mode + (arguments.empty() ? iastring() : L" " + arguments), L" ");
    return application;
}

PSyTaskIO newStream()
{
    return PSyTaskIO(new CSyTaskIO());
}

std::vector<iastring> readLines(const PSyTaskIO& stream)
{
    std::vector<iastring> lines;
    while (true)
    {
        const iastring line = stream->getLine();
        if (stream->isEof())
        {
            if (!line.empty())
                lines.push_back(line);
            return lines;
        }
        lines.push_back(line);
    }
}

unsigned __stdcall returnFive(void*)
{
    return 5;
}

unsigned __stdcall throwSomething(void*)
{
    throw std::runtime_error("thrown by the caller's function");
}

unsigned __stdcall countCalls(void* counter)
{
    ++*static_cast<int*>(counter);
    return 0;
}

unsigned __stdcall removeDirectory(void* directory)
{
    return ::RemoveDirectoryW(static_cast<const iastring*>(directory)->c_str()) ? 0 : 1;
}

iastring environmentValue(const wchar_t* name, bool& present)
{
    wchar_t value[256] = {0};
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length = ::GetEnvironmentVariableW(name, value, 256);
    present = length > 0 || ::GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    return iastring(value, length);
}

DWORD g_failWith = 0;
BOOL WINAPI failingOpenThreadToken(HANDLE, DWORD, BOOL, PHANDLE)
{
    ::SetLastError(g_failWith);
    return FALSE;
}
BOOL WINAPI failingSetThreadToken(PHANDLE, HANDLE)
{
    ::SetLastError(g_failWith);
    return FALSE;
}
DWORD WINAPI failingResumeThread(HANDLE)
{
    ::SetLastError(g_failWith);
    return static_cast<DWORD>(-1);
}
} // namespace

TEST(ChildApplicationTest, StatusAndExitCodeFollowTheChild)
{
    CRecordingLogBook book;
    const PSyChildApplication child = childApplication(L"exit-with", L"7", 42);
    EXPECT_EQ(ISyTask::TTY_APPLICATION, child->getType());
    EXPECT_EQ(42, child->getId());
    EXPECT_EQ(ISyTask::TST_INITIAL, child->getStatus());
    EXPECT_EQ(static_cast<unsigned long>(-1), child->getProcessId());
    EXPECT_EQ(nullptr, child->getHandle());
    // Never started: nothing to cancel, and the status stays.
    EXPECT_FALSE(child->cancel());
    EXPECT_EQ(ISyTask::TST_INITIAL, child->getStatus());

    EXPECT_TRUE(child->start(true));
    EXPECT_EQ(7u, child->getExitCode(false));
    EXPECT_EQ(ISyTask::TST_FINISHED, child->getStatus());
    EXPECT_NE(static_cast<unsigned long>(-1), child->getProcessId());
    EXPECT_NE(nullptr, child->getHandle());
    // A finished task is not cancelled: the result says whether it is in error.
    EXPECT_FALSE(child->cancel());
    EXPECT_EQ(ISyTask::TST_FINISHED, child->getStatus());
}

TEST(ChildApplicationTest, ANonZeroExitIsNoFailureOfTheTask)
{
    const PSyChildApplication child = childApplication(L"exit-with", L"3");
    EXPECT_TRUE(child->start(false));
    EXPECT_EQ(3u, child->getExitCode(true));
    EXPECT_EQ(ISyTask::TST_FINISHED, child->getStatus());
}

TEST(ChildApplicationTest, CommandLineQuotesAPathWithABlankAndEndsInABlankWithoutArguments)
{
    CSyChildApplicationImpl plain(1);
    plain.setPath(L"C:\\bin\\tool.exe");
    EXPECT_EQ(L"C:\\bin\\tool.exe ", plain.commandLine());
    CSyChildApplicationImpl spaced(1);
    spaced.setPath(L"C:\\Program Files\\tool.exe");
    spaced.setArguments(L"a \"b c\"", L" ");
    EXPECT_EQ(L"\"C:\\Program Files\\tool.exe\" a \"b c\"", spaced.commandLine());
}

TEST(ChildApplicationTest, TheCommandLineIsLoggedOnlyWhenAskedForWithTheExactValue)
{
    CRecordingLogBook book;
    const iastring secret = L"pw=Geheim42";
    const auto logged = [&](const wchar_t* value) {
        ::SetEnvironmentVariableW(L"VANTIX_TRACE_PROGRAM_ARGUMENTS", value);
        book.clear();
        const PSyChildApplication child = childApplication(L"exit-with", L"0 " + secret);
        child->start(true);
        for (const CRecordedLine& line : book.lines())
            if (line.text.find(secret) != iastring::npos)
                return line.text;
        return iastring();
    };
    EXPECT_EQ(iastring(), logged(nullptr));
    EXPECT_EQ(iastring(), logged(L"Q7TZ4"));
    EXPECT_EQ(iastring(), logged(L"q7tz4 "));
    const iastring line = logged(L"q7tz4");
    ::SetEnvironmentVariableW(L"VANTIX_TRACE_PROGRAM_ARGUMENTS", nullptr);
    EXPECT_EQ(L"Going to call CreateProcess/CreateProcessAsUser with command line (delimited by '<' and '>'):\n<" +
                  ownProgram() + L" --child=exit-with 0 " + secret + L">",
              line);
    // With it, the environment the child inherits is logged too.
    const std::vector<iastring> logs = book.logs();
    EXPECT_NE(logs.end(), std::find_if(logs.begin(), logs.end(), [](const iastring& text) {
                  return text.find(L"Environment Variables") != iastring::npos;
              }));
}

TEST(ChildApplicationTest, InputReachesTheChildAndItsOutputComesBack)
{
    const PSyChildApplication child = childApplication(L"echo-input");
    const PSyTaskIO input = newStream(), output = newStream();
    child->setInputStream(input);
    child->setOutputStream(output);
    EXPECT_EQ(input, child->getInputStream());
    EXPECT_EQ(output, child->getOutputStream());
    ASSERT_TRUE(child->start(false));
    input->putLine(L"first");
    input->putLine(L"");
    input->putLine(L"third line");
    input->close();
    EXPECT_EQ((std::vector<iastring>{L"echo first", L"echo ", L"echo third line"}), readLines(output));
    EXPECT_EQ(0u, child->getExitCode(true));
}

// A stream the host implemented itself: it has no place for a pipe end.
class CHostStream : public ISyTaskIO
{
public:
    int addRef() override { return ++m_references; }
    int release() override { return --m_references; }
    int getRefCount() override { return m_references; }
    ILogBook* setLogBook(ILogBook* logBook) override { return logBook; }
    iastring getLine() override { return L""; }
    void putLine(const iastring&) override {}
    bool isEof() const override { return true; }
    void close() override {}
    iachar getChar() override { return L' '; }
    void put(iachar) override {}

private:
    int m_references = 1;
};

TEST(ChildApplicationTest, AStreamTheHostMadeIsRefusedAndTheOwnOneKept)
{
    CRecordingLogBook book;
    CHostStream hostStream;
    const PSyChildApplication child = childApplication(L"echo-input");
    const PSyTaskIO input = newStream(), output = newStream();
    child->setInputStream(input);
    child->setOutputStream(output);
    expectLoggedThrow<ESyPrecondition>(
        book, [&] { child->setInputStream(&hostStream); }, L"common.parameterNotValid",
        {L"stream", L"CSyTaskImpl::setInputStream(PSyTaskIO)"});
    expectLoggedThrow<ESyPrecondition>(
        book, [&] { child->setOutputStream(&hostStream); }, L"common.parameterNotValid",
        {L"stream", L"CSyTaskImpl::setOutputStream(PSyTaskIO)"});
    EXPECT_EQ(input, child->getInputStream());
    EXPECT_EQ(output, child->getOutputStream());
    EXPECT_EQ(1, hostStream.getRefCount()) << "not kept";
    // No stream at all is still a choice.
    child->setInputStream(PSyTaskIO());
    child->setOutputStream(PSyTaskIO());
    EXPECT_EQ(PSyTaskIO(), child->getOutputStream());
}

TEST(ChildApplicationTest, OutputOfBothStreamsBeyondThePipeBufferArrivesWhole)
{
    const PSyChildApplication child = childApplication(L"write-both", L"2000");
    const PSyTaskIO output = newStream();
    child->setOutputStream(output);
    ASSERT_TRUE(child->start(false));
    const std::vector<iastring> lines = readLines(output);
    ASSERT_EQ(2000u, lines.size());
    EXPECT_EQ(L"1999 " + iastring(200, L'x'), lines.back());
    EXPECT_EQ(0u, child->getExitCode(true));
}

TEST(ChildApplicationTest, TheEnvironmentReachesTheChildAndTheLibraryGetsItsOwnBack)
{
    CRecordingLogBook book;
    const CTempDir directory;
    wchar_t before[MAX_PATH + 1] = {0};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    ::SetEnvironmentVariableW(L"SYTEST_KEPT", L"library");
    // Values the ANSI code page cannot carry, one beyond the basic plane, and an empty one.
    const iastring chinese = L"\u4e2d\u6587 \U0001D11E";
    ::SetEnvironmentVariableW(L"SYTEST_CJK", chinese.c_str());
    ::SetEnvironmentVariableW(L"SYTEST_CJK_CHANGED", chinese.c_str());
    ::SetEnvironmentVariableW(L"SYTEST_EMPTY", L"");

    const PSyProcessEnvironment environment(new CSyProcessEnvironment());
    environment->setWorkingDirectory(directory.path());
    environment->setEnvironmentVariable(L"SYTEST_KEPT", L"child");
    environment->setEnvironmentVariable(L"SYTEST_NEW", L"neu \u00e9");
    environment->setEnvironmentVariable(L"sytest_cjk_changed", L"ascii");
    environment->setEnvironmentVariable(L"SYTEST_EMPTY", L"filled");
    const PSyChildApplication child =
        childApplication(L"print-environment", L"SYTEST_KEPT SYTEST_NEW SYTEST_EMPTY SYTEST_CJK SYTEST_CJK_CHANGED");
    child->setProcessEnvironment(environment);
    const PSyTaskIO output = newStream();
    child->setOutputStream(output);
    ASSERT_TRUE(child->start(true));
    const std::vector<iastring> lines = readLines(output);
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ(directory.path(), fromHexUnits(toMbstring(lines[0])));
    EXPECT_EQ(L"child", fromHexUnits(toMbstring(lines[1])));
    EXPECT_EQ(L"neu \u00e9", fromHexUnits(toMbstring(lines[2])));
    EXPECT_EQ(L"filled", fromHexUnits(toMbstring(lines[3])));
    EXPECT_EQ(chinese, fromHexUnits(toMbstring(lines[4])));
    EXPECT_EQ(L"ascii", fromHexUnits(toMbstring(lines[5])));

    wchar_t after[MAX_PATH + 1] = {0};
    ::GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_EQ(iastring(before), iastring(after));
    EXPECT_EQ(L"library", iastring(_wgetenv(L"SYTEST_KEPT")));
    EXPECT_EQ(nullptr, _wgetenv(L"SYTEST_NEW"));
    bool present = false;
    EXPECT_EQ(L"", environmentValue(L"SYTEST_NEW", present));
    EXPECT_FALSE(present);
    EXPECT_EQ(chinese, environmentValue(L"SYTEST_CJK", present));
    EXPECT_EQ(chinese, environmentValue(L"SYTEST_CJK_CHANGED", present));
    EXPECT_EQ(chinese, iastring(_wgetenv(L"SYTEST_CJK_CHANGED"))) << "the runtime's copy too";
    EXPECT_EQ(L"", environmentValue(L"SYTEST_EMPTY", present));
    EXPECT_TRUE(present) << "an empty variable is still a variable";
    for (const CRecordedLine& message : book.messages())
        EXPECT_NE(CMessage::LOG_ERROR, message.type) << ::testing::PrintToString(message);
    const std::vector<iastring> logs = book.logs();
    EXPECT_NE(logs.end(), std::find(logs.begin(), logs.end(), L"Changing current processenvironment"));
    EXPECT_NE(logs.end(), std::find(logs.begin(), logs.end(), L"Restoring current processenvironment"));
    for (const wchar_t* name : {L"SYTEST_KEPT", L"SYTEST_CJK", L"SYTEST_CJK_CHANGED", L"SYTEST_EMPTY"})
        ::SetEnvironmentVariableW(name, nullptr);
}

TEST(ChildApplicationTest, AMissingProgramIsReportedAndTheEnvironmentIsStillRestored)
{
    CRecordingLogBook book;
    const PSyProcessEnvironment environment(new CSyProcessEnvironment());
    environment->setEnvironmentVariable(L"SYTEST_DURING_START", L"1");
    const PSyChildApplication child(new CSyChildApplication(1));
    child->setPath(L"C:\\no\\such\\program.exe");
    child->setArguments(L"--secret=x", L" ");
    child->setProcessEnvironment(environment);
    try
    {
        child->start(true);
        FAIL() << "no exception";
    }
    catch (const ESyException& caught)
    {
        EXPECT_EQ(ESyException::WIN32_ERROR, caught.getErrorType());
        EXPECT_TRUE(caught.getCode() == ERROR_FILE_NOT_FOUND || caught.getCode() == ERROR_PATH_NOT_FOUND)
            << caught.getCode();
    }
    const CRecordedLine reported = book.onlyMessage(L"syslib.NT.generic");
    EXPECT_EQ(L"CreateProcess", reported.arguments.at(0));
    EXPECT_EQ(L"C:\\no\\such\\program.exe ...", reported.arguments.at(4));
    EXPECT_EQ(ISyTask::TST_ERROR, child->getStatus());
    EXPECT_EQ(nullptr, _wgetenv(L"SYTEST_DURING_START"));
    // The arguments may hold a password: never in the log without being asked for.
    for (const CRecordedLine& line : book.lines())
        EXPECT_EQ(iastring::npos, line.text.find(L"--secret")) << line.text;
}

TEST(ChildApplicationTest, AMissingWorkingDirectoryStopsTheStartBeforeAnyProcess)
{
    CRecordingLogBook book;
    const CTempDir directory;
    wchar_t before[MAX_PATH + 1] = {0};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    const PSyProcessEnvironment environment(new CSyProcessEnvironment());
    environment->setWorkingDirectory(directory / L"missing");
    const PSyChildApplication child = childApplication(L"exit-with", L"0");
    child->setProcessEnvironment(environment);
    EXPECT_THROW(child->start(true), ESyChangeDir);
    EXPECT_EQ(1u, book.messages(L"syslib.process.currentProcessEnv.notSetWorkdir").size());
    EXPECT_EQ(ISyTask::TST_INITIAL, child->getStatus());
    EXPECT_EQ(nullptr, child->getHandle());
    wchar_t after[MAX_PATH + 1] = {0};
    ::GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_EQ(iastring(before), iastring(after));
}

TEST(ChildApplicationTest, AThreadTokenThatCannotBeReadStartsNoProcess)
{
    CRecordingLogBook book;
    g_failWith = ERROR_ACCESS_DENIED;
    const standins::CApiOverride<decltype(syslib::SyThreadApi::OpenThreadToken)> refuse(
        standins::threadApiTable().OpenThreadToken, failingOpenThreadToken);
    const PSyChildApplication child = childApplication(L"exit-with", L"0");
    try
    {
        child->start(true);
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyException& failure)
    {
        EXPECT_EQ(ERROR_ACCESS_DENIED, static_cast<DWORD>(failure.getCode()));
    }
    EXPECT_EQ(L"OpenThreadToken", book.onlyMessage(L"syslib.NT.generic").arguments.at(0));
    EXPECT_EQ(ISyTask::TST_ERROR, child->getStatus());
    EXPECT_EQ(nullptr, child->getHandle());
}

TEST(ChildApplicationTest, CancelEndsARunningChild)
{
    const CTempDir directory;
    const PSyChildApplication child = childApplication(L"wait-for-file", directory / L"never");
    ASSERT_TRUE(child->start(false));
    EXPECT_EQ(ISyTask::TST_RUNNING, child->getStatus());
    EXPECT_TRUE(child->cancel());
    EXPECT_EQ(ISyTask::TST_ERROR, child->getStatus());
    EXPECT_EQ(static_cast<unsigned long>(-1), child->getExitCode(true));
    // Cancelled already: the result tells the error state.
    EXPECT_TRUE(child->cancel());
}

TEST(ChildApplicationTest, PriorityValuesMapToTheirClasses)
{
    EXPECT_EQ(static_cast<DWORD>(IDLE_PRIORITY_CLASS), CSyChildApplicationImpl::priorityClass(-2));
    EXPECT_EQ(static_cast<DWORD>(IDLE_PRIORITY_CLASS), CSyChildApplicationImpl::priorityClass(-1));
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), CSyChildApplicationImpl::priorityClass(0));
    EXPECT_EQ(static_cast<DWORD>(HIGH_PRIORITY_CLASS), CSyChildApplicationImpl::priorityClass(1));
    EXPECT_EQ(static_cast<DWORD>(HIGH_PRIORITY_CLASS), CSyChildApplicationImpl::priorityClass(2));
    EXPECT_EQ(static_cast<DWORD>(REALTIME_PRIORITY_CLASS), CSyChildApplicationImpl::priorityClass(3));
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), CSyChildApplicationImpl::priorityClass(4));
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), CSyChildApplicationImpl::priorityClass(-3));

    // Wine creates every process in the normal class, so the class a child really gets is not visible here.
}

TEST(ChildApplicationTest, ArgumentsComeBackAsGivenAndJoined)
{
    const PSyChildApplication child(new CSyChildApplication(1));
    child->setArguments(L"a;\"b c\";d", L";");
    EXPECT_EQ(L"a \"b c\" d", child->getArguments(L' '));
    std::vector<iastring> seen;
    for (const PSyStringIterator it = child->getArgumentIterator(); !it->isDone(); it->next())
        seen.push_back(it->get());
    EXPECT_EQ((std::vector<iastring>{L"a", L"b c", L"d"}), seen);
}

TEST(ChildApplicationTest, TheArgumentListWritesToTheLogBookCurrentWhenItSpeaks)
{
    CRecordingLogBook earlier;
    const PSyChildApplication child(new CSyChildApplication(1));
    {
        // The host replaces its log book after making the task, and later destroys this one too.
        CRecordingLogBook later;
        expectLoggedThrow<ESyPrecondition>(
            later, [&] { child->setArguments(L"a b", L""); }, L"syslib.process.childApplication.badSeparator",
            {L""});
        EXPECT_TRUE(earlier.messages().empty());
    }
    expectLoggedThrow<ESyPrecondition>(
        earlier, [&] { child->setArguments(L"a b", L""); }, L"syslib.process.childApplication.badSeparator", {L""});
}

TEST(ChildFunctionTest, RunsOnAThreadAndEndsWithItsResult)
{
    const PSyChildFunction function(new CSyChildFunction(3));
    EXPECT_EQ(ISyTask::TTY_FUNCTION, function->getType());
    function->setFunction(returnFive);
    EXPECT_TRUE(function->start(true));
    EXPECT_EQ(5u, function->getExitCode(false));
    EXPECT_EQ(ISyTask::TST_FINISHED, function->getStatus());

    // What the function throws ends its task, not the installer.
    const PSyChildFunction throwing(new CSyChildFunction(5));
    throwing->setFunction(throwSomething);
    EXPECT_TRUE(throwing->start(true));
    EXPECT_EQ(static_cast<unsigned long>(-1), throwing->getExitCode(false));

    int calls = 0;
    const PSyChildFunction counting(new CSyChildFunction(4));
    counting->setFunction(countCalls);
    counting->setArgument(&calls);
    counting->start(true);
    EXPECT_EQ(1, calls);
}

TEST(ChildFunctionTest, AStepThatFailsEndsTheThreadBeforeTheFunctionRuns)
{
    CRecordingLogBook book;
    // With a token of its own, the thread hands it on: SetThreadToken is called.
    ASSERT_TRUE(::ImpersonateSelf(SecurityImpersonation));
    syslib::SyThreadApi& api = standins::threadApiTable();
    const auto failedStart = [&](const wchar_t* call, int priority, DWORD error) {
        int calls = 0;
        const PSyChildFunction function(new CSyChildFunction(1));
        function->setFunction(countCalls);
        function->setArgument(&calls);
        function->setPriority(priority);
        book.clear();
        try
        {
            // Not waiting: a thread left suspended would never end.
            function->start(false);
            ADD_FAILURE() << "no exception for " << toMbstring(call);
        }
        catch (const ESyException& failure)
        {
            EXPECT_EQ(ESyException::WIN32_ERROR, failure.getErrorType());
            EXPECT_EQ(error, static_cast<DWORD>(failure.getCode())) << toMbstring(call);
        }
        EXPECT_EQ(call, book.onlyMessage(L"syslib.NT.generic").arguments.at(0));
        EXPECT_EQ(ISyTask::TST_ERROR, function->getStatus());
        EXPECT_EQ(nullptr, function->getHandle());
        EXPECT_EQ(static_cast<unsigned long>(-1), function->getProcessId());
        // A thread let go by mistake has run by now.
        ::Sleep(200);
        EXPECT_EQ(0, calls) << toMbstring(call);
    };
    g_failWith = ERROR_ACCESS_DENIED;
    {
        const standins::CApiOverride<decltype(api.OpenThreadToken)> refuse(api.OpenThreadToken,
                                                                             failingOpenThreadToken);
        failedStart(L"OpenThreadToken", 0, ERROR_ACCESS_DENIED);
    }
    {
        const standins::CApiOverride<decltype(api.SetThreadToken)> refuse(api.SetThreadToken, failingSetThreadToken);
        failedStart(L"SetThreadToken", 0, ERROR_ACCESS_DENIED);
    }
    // No thread priority has this value.
    failedStart(L"SetThreadPriority", 7, ERROR_INVALID_PARAMETER);
    {
        g_failWith = ERROR_NOT_ENOUGH_MEMORY;
        const standins::CApiOverride<decltype(api.ResumeThread)> refuse(api.ResumeThread, failingResumeThread);
        failedStart(L"ResumeThread", 0, ERROR_NOT_ENOUGH_MEMORY);
    }
    ::RevertToSelf();
}

TEST(ChildFunctionTest, ATaskThatNamesNoUserLeavesTheCallersTokenAsItIs)
{
    CRecordingLogBook book;
    const PSyProcessEnvironment environment(new CSyProcessEnvironment());
    environment->setEnvironmentVariable(L"SYTEST_DURING_START", L"1");
    const auto tokenOfFunction = [&] {
        const PSyChildFunction function(new CSyChildFunction(1));
        function->setFunction(reportThreadTokenId);
        function->setProcessEnvironment(environment);
        EXPECT_TRUE(function->start(true));
        return function->getExitCode(false);
    };
    // Without a token before, none during the start and none after.
    EXPECT_EQ(0u, tokenOfFunction());
    EXPECT_EQ(0u, threadTokenId());
    EXPECT_FALSE(book.hasLog(L"Target user and process user are identical => impersonating process user."));

    ASSERT_TRUE(::ImpersonateSelf(SecurityImpersonation));
    const unsigned long caller = threadTokenId();
    ASSERT_NE(0u, caller);
    EXPECT_EQ(caller, tokenOfFunction());
    EXPECT_EQ(caller, threadTokenId());
    EXPECT_FALSE(book.hasLog(L"Terminated current impersonation."));
    ::RevertToSelf();
}

TEST(ChildFunctionTest, WhatCannotBePutBackFailsTheStartAndTheRestIsStillPutBack)
{
    CRecordingLogBook book;
    wchar_t before[MAX_PATH + 1] = {0};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    const CTempDir directory;
    // The library's directory goes while the task runs elsewhere: it cannot be gone back to.
    iastring left = directory / L"left";
    ASSERT_TRUE(::CreateDirectoryW(left.c_str(), nullptr));
    ASSERT_TRUE(::SetCurrentDirectoryW(left.c_str()));
    const PSyProcessEnvironment environment(new CSyProcessEnvironment());
    environment->setWorkingDirectory(directory.path());
    environment->setEnvironmentVariable(L"SYTEST_ADDED", L"1");
    const PSyChildFunction function(new CSyChildFunction(1));
    function->setFunction(removeDirectory);
    function->setArgument(&left);
    function->setProcessEnvironment(environment);
    book.clear();
    EXPECT_THROW(function->start(true), ESyChangeDir);
    EXPECT_EQ(CMessage::LOG_ERROR, book.onlyMessage(L"syslib.process.currentProcessEnv.notSetWorkdir").type);
    EXPECT_EQ(ISyTask::TST_FINISHED, function->getStatus());
    EXPECT_EQ(0u, function->getExitCode(false));
    EXPECT_EQ(nullptr, _wgetenv(L"SYTEST_ADDED"));
    ::SetCurrentDirectoryW(before);
}

TEST(ChildFunctionTest, StreamsAndAMissingFunctionAreRefused)
{
    CRecordingLogBook book;
    const PSyChildFunction function(new CSyChildFunction(1));
    const ESyPrecondition refused = expectLoggedThrow<ESyPrecondition>(
        book, [&] { function->setInputStream(newStream()); }, L"common.functionNotSupported",
        {L"CSyTaskImpl::setInputStream"});
    EXPECT_EQ(ESyPrecondition::FUNCTION_NOT_SUPPORTED, refused.getCode());
    expectLoggedThrow<ESyPrecondition>(
        book, [&] { function->setOutputStream(newStream()); }, L"common.functionNotSupported",
        {L"CSyTaskImpl::setOutputStream"});
    expectLoggedThrow<ESyPrecondition>(
        book, [&] { function->start(true); }, L"common.parameterEmpty",
        {L"function", L"CSyChildFunctionImpl::startImpl()"});
}

TEST(TaskEnumTest, ValuesPrintByName)
{
    std::wostringstream text;
    text << ISyTask::TTY_APPLICATION << L"," << ISyTask::TST_FINISHED << L"," << static_cast<ISyTask::eTaskType>(9);
    EXPECT_EQ(L"TTY_APPLICATION,TST_FINISHED,unknown (9)", text.str());
}
