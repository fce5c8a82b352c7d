// Process commands: start a program as a child application, its output passed through.
#include "hostcommand.h"

#include "framework/iacontaineriter.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/process/syprocessmgt.h"

#include <windows.h>

#include <cwchar>

namespace
{
int runRun(CHostContext& context, const std::vector<iastring>& arguments)
{
    const IaPtr<ISyProcessMgt> processes = context.factory->getProcessMgt();
    const PSyProcessEnvironment environment = processes->createProcessEnvironment();
    bool environmentGiven = false;
    int priority = 0;
    iastring user;
    bool passwordStdin = false;
    std::size_t i = 0;
    for (; i < arguments.size() && arguments[i] != L"--"; ++i)
    {
        const iastring& option = arguments[i];
        if (option == L"--password-stdin")
        {
            passwordStdin = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            return usageError(context, L"run");
        const iastring& value = arguments[++i];
        if (option == L"--user" && !value.empty())
            user = value;
        else if (option == L"--cwd")
            environment->setWorkingDirectory(value);
        else if (option == L"--env" && value.find(L'=') != iastring::npos && value.find(L'=') > 0)
            environment->setEnvironmentVariable(value.substr(0, value.find(L'=')), value.substr(value.find(L'=') + 1));
        else if (option == L"--priority")
        {
            wchar_t* end = nullptr;
            priority = static_cast<int>(std::wcstol(value.c_str(), &end, 10));
            if (value.empty() || *end != L'\0')
                return usageError(context, L"run");
        }
        else
            return usageError(context, L"run");
        environmentGiven = true;
    }
    if (i + 1 >= arguments.size() || user.empty() != !passwordStdin)
        return usageError(context, L"run");
    if (!user.empty())
    {
        iastring password;
        readPasswordLine(password);
        environment->setUser(context.factory->getAccountMgt()->getUser(user), password);
        if (!password.empty())
            ::SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
        environmentGiven = true;
    }

    const PSyChildApplication child = processes->createChildApplication(1);
    child->setPath(arguments[i + 1]);
    std::vector<iastring> programArguments(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2, arguments.end());
    child->setArguments(PSyStringIterator(new CIaContainerIter<iastring>(programArguments)));
    child->setPriority(priority);
    if (environmentGiven)
        child->setProcessEnvironment(environment);
    const PSyTaskIO output = processes->createTaskIO();
    child->setOutputStream(output);
    // Through a list, as an installer step runs it; this one returns while the program runs.
    const PSyTaskList list = processes->createTaskList();
    list->setType(ISyTaskList::TLT_PARALLEL | ISyTaskList::TLT_NON_BLOCKING);
    list->append(child);
    list->start();
    while (true)
    {
        const iastring line = output->getLine();
        if (output->isEof())
        {
            if (!line.empty())
                context.out << line << L"\n";
            break;
        }
        context.out << line << L"\n";
    }
    context.out << L"exit code " << child->getExitCode(true) << L"\n";
    return HOST_OK;
}

const CHostCommandRegistration run(
    {L"run", L"[--cwd DIR] [--env NAME=VALUE]... [--priority N] [--user NAME --password-stdin] -- PROGRAM [ARGUMENT]...",
     L"start PROGRAM as a child application (as user NAME: the password is the first line of standard input), "
     L"pass its output through and print its exit code",
     runRun});
} // namespace
