#include "testchild.h"
#include "handlecount.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <map>

extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int expandWildcards,
                              int* startupInfo);

namespace
{
std::map<iastring, CTestChildFunction>& childModes()
{
    static std::map<iastring, CTestChildFunction> modes;
    return modes;
}

CTestPipe makePipe(bool childReads)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    CTestPipe pipe;
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &inherit, 0))
    {
        ADD_FAILURE() << "CreatePipe error " << ::GetLastError();
        return pipe;
    }
    pipe.read.reset(read);
    pipe.write.reset(write);
    ::SetHandleInformation(childReads ? write : read, HANDLE_FLAG_INHERIT, 0);
    return pipe;
}
} // namespace

CTestProcess startTestProcess(iastring commandLine, STARTUPINFOW startup)
{
    // Wine loses a new process now and then under load: it dies before it has started, and
    // CreateProcessW answers ERROR_INTERNAL_ERROR and leaves handles of that start behind in this process.
    // Nothing else runs meanwhile, so the handles new since the attempt are wine's, not the test's.
    const int attempts = 3;
    for (int attempt = 1;; ++attempt)
    {
        const std::vector<std::uintptr_t> before = openHandles();
        PROCESS_INFORMATION started = {};
        if (::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, &started))
        {
            CTestProcess process;
            process.process.reset(started.hProcess);
            process.thread.reset(started.hThread);
            return process;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == attempts)
        {
            ADD_FAILURE() << "CreateProcessW error " << error << " after " << attempt << " attempt(s)";
            return CTestProcess();
        }
        excuseHandlesOpenedSince(before);
        std::printf("the new process was lost at its start (error %lu); starting it again\n", error);
    }
}

CTestChildRegistration::CTestChildRegistration(const wchar_t* name, CTestChildFunction run)
{
    childModes()[name] = run;
}

bool runTestChildIfAsked(int& exitCode)
{
    // The wide arguments as the runtime splits them: the narrow ones would lose what the code page lacks.
    int argc = 0;
    wchar_t** argv = nullptr;
    wchar_t** environment = nullptr;
    int startupInfo = 0;
    if (__wgetmainargs(&argc, &argv, &environment, 0, &startupInfo) < 0 || argc < 2)
        return false;
    const iastring flag = argv[1];
    const iastring prefix = L"--child=";
    if (flag.compare(0, prefix.size(), prefix) != 0)
        return false;
    const auto mode = childModes().find(flag.substr(prefix.size()));
    if (mode == childModes().end())
    {
        exitCode = 99;
        return true;
    }
    exitCode = mode->second(std::vector<iastring>(argv + 2, argv + argc));
    return true;
}

CTestPipe makeChildInputPipe()
{
    return makePipe(true);
}

CTestPipe makeChildOutputPipe()
{
    return makePipe(false);
}

syslib::CSyKernelHandle startTestChild(const iastring& name, const iastring& argumentText, HANDLE stdIn,
                                       HANDLE stdOut)
{
    wchar_t program[MAX_PATH + 1] = {0};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    iastring commandLine = L"\"" + iastring(program) + L"\" --child=" + name + L" " + argumentText;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = stdIn;
    startup.hStdOutput = stdOut;
    startup.hStdError = stdOut;
    return std::move(startTestProcess(commandLine, startup).process);
}

CTestChildResult runTestChild(const iastring& name, const iastring& argumentText)
{
    CTestChildResult result = {~0ul, std::string()};
    CTestPipe output = makeChildOutputPipe();
    const syslib::CSyKernelHandle child = startTestChild(name, argumentText, nullptr, output.write.get());
    output.write.reset();
    if (!child)
        return result;
    char buffer[4096];
    DWORD count = 0;
    while (::ReadFile(output.read.get(), buffer, sizeof(buffer), &count, nullptr) && count > 0)
        result.output.append(buffer, count);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(child.get(), 60000));
    ::GetExitCodeProcess(child.get(), &result.exitCode);
    return result;
}

std::string hexUnits(const iastring& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const iachar unit : text)
        for (int shift = 12; shift >= 0; shift -= 4)
            hex += digits[(unit >> shift) & 0xf];
    return hex;
}

iastring fromHexUnits(const std::string& hex)
{
    iastring text;
    for (std::size_t i = 0; i + 4 <= hex.size(); i += 4)
        text += static_cast<iachar>(std::stoul(hex.substr(i, 4), nullptr, 16));
    return text;
}

void signalReadyAndWaitForParent()
{
    std::printf("ready\n");
    std::fflush(stdout);
    char buffer[64];
    DWORD read = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    {
    }
}

CTestChildProcess::CTestChildProcess(const iastring& name, const iastring& argumentText)
{
    CTestPipe input = makeChildInputPipe();
    CTestPipe output = makeChildOutputPipe();
    m_process = startTestChild(name, argumentText, input.read.get(), output.write.get());
    m_input = std::move(input.write);
    m_output = std::move(output.read);
}

CTestChildProcess::~CTestChildProcess()
{
    finish();
}

std::string CTestChildProcess::readLine()
{
    std::string line;
    char c = 0;
    DWORD read = 0;
    while (::ReadFile(m_output.get(), &c, 1, &read, nullptr) && read == 1 && c != '\n')
        if (c != '\r')
            line += c;
    return line;
}

unsigned long CTestChildProcess::finish()
{
    m_input.reset();
    DWORD exitCode = 0xFFFFFFFF;
    if (!m_process)
        return exitCode;
    if (::WaitForSingleObject(m_process.get(), 60000) != WAIT_OBJECT_0)
        ::TerminateProcess(m_process.get(), 98);
    ::GetExitCodeProcess(m_process.get(), &exitCode);
    m_process.reset();
    m_output.reset();
    return exitCode;
}
