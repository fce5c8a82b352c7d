// Process commands: start a program as a child application, its output passed through.
#include "hostcommand.h"

#include "framework/iacontaineriter.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/process/syprocessmgt.h"

#include <windows.h>

namespace
{
class CRunCommand : public CHostCommand
{
public:
    CRunCommand()
        : CHostCommand("run",
                       "[--cwd DIR] [--env NAME=VALUE]... [--priority N] [--user NAME --password-stdin] -- PROGRAM "
                       "[ARGUMENT]...",
                       "start PROGRAM as a child application (as user NAME: the password is the first line of "
                       "standard input), pass its output through and print its exit code",
                       "syhost run --cwd C:\\setup --env PHASE=2 -- cmd /c install.cmd")
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("--cwd", m_directory, "the program's working directory");
        command.add_option("--env", m_variables, "a variable of the program's environment (once per variable)")
            ->allow_extra_args(false)
            ->check(CLI::Validator(
                [](std::string& value) {
                    return value.find('=') == std::string::npos || value[0] == '='
                               ? "NAME=VALUE with a name before the ="
                               : std::string();
                },
                "NAME=VALUE"));
        command.add_option("--priority", m_priority, "the priority the library gives the child");
        CLI::Option* user = command.add_option("--user", m_user, "start the program as this user")->check(nonEmpty());
        CLI::Option* password =
            command.add_flag("--password-stdin", m_passwordStdin, "the user's password is the first line of standard input");
        user->needs(password);
        password->needs(user);
        command.add_option("program", m_program, "the program and its arguments, after --")->required();
    }
    CHostResult run(CHostContext& context) override
    {
        const IaPtr<ISyProcessMgt> processes = context.factory->getProcessMgt();
        const PSyProcessEnvironment environment = processes->createProcessEnvironment();
        const bool environmentGiven = !m_directory.empty() || !m_variables.empty() || m_priority != 0 || !m_user.empty();
        if (!m_directory.empty())
            environment->setWorkingDirectory(wide(m_directory));
        for (const std::string& variable : m_variables)
        {
            const iastring setting = wide(variable);
            environment->setEnvironmentVariable(setting.substr(0, setting.find(L'=')),
                                                setting.substr(setting.find(L'=') + 1));
        }
        if (!m_user.empty())
        {
            iastring password;
            readPasswordLine(password);
            environment->setUser(context.factory->getAccountMgt()->getUser(wide(m_user)), password);
            wipe(password);
        }

        const PSyChildApplication child = processes->createChildApplication(1);
        child->setPath(wide(m_program[0]));
        std::vector<iastring> programArguments;
        for (std::size_t i = 1; i < m_program.size(); ++i)
            programArguments.push_back(wide(m_program[i]));
        child->setArguments(PSyStringIterator(new CIaContainerIter<iastring>(programArguments)));
        child->setPriority(m_priority);
        if (environmentGiven)
            child->setProcessEnvironment(environment);
        const PSyTaskIO output = processes->createTaskIO();
        child->setOutputStream(output);
        // Through a list, as an installer step runs it; this one returns while the program runs.
        const PSyTaskList list = processes->createTaskList();
        list->setType(ISyTaskList::TLT_PARALLEL | ISyTaskList::TLT_NON_BLOCKING);
        list->append(child);
        list->start();
        CHostResult result;
        result.document["output"] = CHostJson::array();
        while (true)
        {
            const iastring line = output->getLine();
            const bool end = output->isEof();
            if (end && line.empty())
                break;
            result.document["output"].push_back(utf8(line));
            // A person watches the program as it runs; a script reads the whole document at the end.
            if (!context.json)
                context.out << line << L"\n" << std::flush;
            if (end)
                break;
        }
        result.document["exitCode"] = child->getExitCode(true);
        return result;
    }
    // The output went out while the program ran.
    void render(const CHostJson& document, std::wostream& out) const override
    {
        out << L"exit code " << document["exitCode"].get<unsigned long>() << L"\n";
    }

private:
    std::string m_directory;
    std::vector<std::string> m_variables;
    int m_priority = 0;
    std::string m_user;
    bool m_passwordStdin = false;
    std::vector<std::string> m_program;
} run;
} // namespace
