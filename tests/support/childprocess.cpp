#include "childprocess.h"

#include <iostream>
#include <map>

namespace
{
std::map<std::string, CChildRoleFunction>& roles()
{
    static std::map<std::string, CChildRoleFunction> table;
    return table;
}

std::string quoted(const std::string& argument)
{
    return "\"" + argument + "\"";
}
} // namespace

CChildRole::CChildRole(const char* name, CChildRoleFunction function)
{
    roles()[name] = function;
}

bool runChildRole(int argc, char** argv, int& exitCode)
{
    if (argc < 3 || std::string(argv[1]) != "--child-role")
        return false;
    const auto role = roles().find(argv[2]);
    exitCode = role == roles().end() ? 99 : role->second(std::vector<std::string>(argv + 3, argv + argc));
    return true;
}

void signalReadyAndWaitForParent()
{
    std::cout << "ready" << std::endl;
    char buffer[64];
    DWORD read = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    {
    }
}

CChildProcess::CChildProcess(const std::string& role, const std::vector<std::string>& arguments)
{
    char program[MAX_PATH + 1] = {0};
    ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = quoted(program) + " --child-role " + role;
    for (const std::string& argument : arguments)
        commandLine += " " + quoted(argument);

    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!::CreatePipe(&inRead, &inWrite, &inherit, 0))
        return;
    syslib::CSyKernelHandle childInput(inRead);
    m_input.reset(inWrite);
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0))
        return;
    syslib::CSyKernelHandle childOutput(outWrite);
    m_output.reset(outRead);
    ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = outWrite;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                          &process))
        return;
    m_process.reset(process.hProcess);
    const syslib::CSyKernelHandle thread(process.hThread);
}

CChildProcess::~CChildProcess()
{
    finish();
}

std::string CChildProcess::readLine()
{
    std::string line;
    char c = 0;
    DWORD read = 0;
    while (::ReadFile(m_output.get(), &c, 1, &read, nullptr) && read == 1 && c != '\n')
        if (c != '\r')
            line += c;
    return line;
}

unsigned long CChildProcess::finish()
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
