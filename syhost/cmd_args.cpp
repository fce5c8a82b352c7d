// Argument commands: how the library splits a command line, for "why did my argument break?".
#include "hostcommand.h"
#include "framework/iacontaineriter.h"
#include "syslib/process/syprocessmgt.h"

namespace
{
// Splits the way a child application does: through one that is never started.
int runArgs(CHostContext& context, const std::vector<iastring>& arguments)
{
    iastring separators = L" ";
    std::size_t next = 0;
    if (next < arguments.size() && arguments[next] == L"--separators")
    {
        if (next + 1 >= arguments.size())
            return usageError(context, L"args");
        separators = arguments[next + 1];
        next += 2;
    }
    if (arguments.size() != next + 1)
        return usageError(context, L"args");

    const IaPtr<ISyProcessMgt> processes = context.factory->getProcessMgt();
    const PSyChildApplication parser = processes->createChildApplication(0);
    try
    {
        parser->setArguments(arguments[next], separators);
    }
    catch (const EUnmatchedDoubleQuote& error)
    {
        context.out << L"EUnmatchedDoubleQuote: " << error.what() << L"\n";
        return HOST_FAILED;
    }

    std::vector<iastring> split;
    for (const PSyStringIterator it = parser->getArgumentIterator(); !it->isDone(); it->next())
        split.push_back(it->get());
    context.out << split.size() << L" arguments\n";
    for (std::size_t i = 0; i < split.size(); ++i)
        context.out << L"[" << i << L"] \u2039" << split[i] << L"\u203a\n";
    const iastring joined = processes->getCommandLine(PSyStringIterator(new CIaContainerIter<iastring>(split)));
    context.out << L"joined: " << joined << L"\n";
    return HOST_OK;
}

const CHostCommandRegistration args({L"args", L"[--separators S] \"COMMAND LINE\"",
                                     L"the arguments the library splits a command line into, and their join",
                                     runArgs});
} // namespace
