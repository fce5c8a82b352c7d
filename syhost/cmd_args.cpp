// Argument commands: how the library splits a command line, for "why did my argument break?".
#include "hostcommand.h"
#include "framework/iacontaineriter.h"
#include "syslib/process/syprocessmgt.h"

namespace
{
class CArgsCommand : public CHostCommand
{
public:
    CArgsCommand()
        : CHostCommand("args", "[--separators S] \"COMMAND LINE\"",
                       "the arguments the library splits a command line into, and their join",
                       "syhost args \"setup.exe /dir \\\"C:\\Program Files\\x\\\\\\\" /q\"")
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("--separators", m_separators, "the characters that separate arguments (a space)");
        command.add_option("line", m_line, "the command line")->required();
    }
    // Splits the way a child application does: through one that is never started.
    CHostResult run(CHostContext& context) override
    {
        const IaPtr<ISyProcessMgt> processes = context.factory->getProcessMgt();
        const PSyChildApplication parser = processes->createChildApplication(0);
        CHostResult result;
        try
        {
            parser->setArguments(wide(m_line), wide(m_separators));
        }
        catch (const EUnmatchedDoubleQuote& error)
        {
            // The parser's own exception, outside the library's tree: its class is its name.
            result.fail(L"EUnmatchedDoubleQuote", wide(error.what()));
            result.libraryError = true;
            return result;
        }
        std::vector<iastring> split;
        result.document["arguments"] = CHostJson::array();
        for (const PSyStringIterator it = parser->getArgumentIterator(); !it->isDone(); it->next())
        {
            split.push_back(it->get());
            result.document["arguments"].push_back(utf8(it->get()));
        }
        result.document["joined"] =
            utf8(processes->getCommandLine(PSyStringIterator(new CIaContainerIter<iastring>(split))));
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        if (!document.contains("arguments"))
            return;
        const CHostJson& arguments = document["arguments"];
        out << arguments.size() << L" arguments\n";
        for (std::size_t i = 0; i < arguments.size(); ++i)
            out << L"[" << i << L"] \u2039" << text(arguments[i]) << L"\u203a\n";
        out << L"joined: " << text(document["joined"]) << L"\n";
    }

private:
    std::string m_separators = " ";
    std::string m_line;
} args;
} // namespace
