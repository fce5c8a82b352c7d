// Argument commands: how the library splits a command line, for "why did my argument break?".
#include "hostcommand.h"
#include "framework/iacontaineriter.h"
#include "syslib/common/sytrace.h"
#include "syslib/process/syargs.h"
#include "syslib/process/syprocessmgt.h"

namespace
{
class CLogBookLoan
{
public:
    explicit CLogBookLoan(ILogBook* logBook) : m_previous(syslib::setLogBook(logBook)) {}
    ~CLogBookLoan() { syslib::setLogBook(m_previous); }
    CLogBookLoan(const CLogBookLoan&) = delete;
    CLogBookLoan& operator=(const CLogBookLoan&) = delete;

private:
    ILogBook* m_previous;
};

// The library's process manager offers joining only; splitting belongs to the child applications it
// starts, so the split runs through the library's argument code linked into syhost.
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

    CSyArguments list(context.logBook);
    {
        // The linked-in copy of the library logs to syhost's log book too, for as long as it splits.
        const CLogBookLoan loan(context.logBook);
        try
        {
            list.set(arguments[next], separators);
        }
        catch (const EUnmatchedDoubleQuote& error)
        {
            context.out << L"EUnmatchedDoubleQuote: " << error.what() << L"\n";
            return HOST_FAILED;
        }
    }

    const std::vector<iastring>& split = list.get();
    context.out << split.size() << L" arguments\n";
    for (std::size_t i = 0; i < split.size(); ++i)
        context.out << L"[" << i << L"] \u2039" << split[i] << L"\u203a\n";
    const iastring joined = context.factory->getProcessMgt()->getCommandLine(
        PSyStringIterator(new CIaContainerIter<iastring>(split)));
    context.out << L"joined: " << joined << L"\n";
    return HOST_OK;
}

const CHostCommandRegistration args({L"args", L"[--separators S] \"COMMAND LINE\"",
                                     L"the arguments the library splits a command line into, and their join",
                                     runArgs});
} // namespace
