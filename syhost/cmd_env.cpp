// The process syhost runs in, as the library sees it: who it runs as, and its environment.
#include "hostcommand.h"
#include "syslib/process/syprocessmgt.h"

namespace
{
int runWhoami(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (!arguments.empty())
        return usageError(context, L"whoami");
    context.out << context.factory->getProcessMgt()->getCurrentProcessEnvironment()->dumpToken();
    return HOST_OK;
}

int runEnv(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (!arguments.empty())
        return usageError(context, L"env");
    context.out << context.factory->getProcessMgt()->getCurrentProcessEnvironment()->dump();
    return HOST_OK;
}

const CHostCommandRegistration whoami(
    {L"whoami", L"", L"the user's SID, then each group with its attributes and each privilege with its state",
     runWhoami});
const CHostCommandRegistration env(
    {L"env", L"", L"the process environment: variables, user and working directory", runEnv});
} // namespace
