// syhost: the engine stand-in. Loads syslib.dll by name as the installer engine does, gives it a
// readable log book and offers the library's work as subcommands.
#include "hostcommand.h"
#include "hostoverrides.h"
#include "host/utf8stream.h"
#include "syslib/common/syswin.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace
{
// The command a parser belongs to: its own, or that of the command whose verb it is.
const CHostCommand* commandOf(const CLI::App* app)
{
    while (app && app->get_parent() && app->get_parent()->get_parent())
        app = app->get_parent();
    for (const CHostCommand* command : hostCommands())
        if (app && app->get_name() == command->name())
            return command;
    return nullptr;
}

std::string usageLine(const CHostCommand& command)
{
    return std::string("usage: syhost ") + command.name() + (*command.synopsis() ? " " : "") + command.synopsis();
}

// A command's --help: its synopsis and what it does, then the parser's list of arguments, then an example.
class CHostFormatter : public CLI::Formatter
{
public:
    std::string make_description(const CLI::App*) const override { return std::string(); }
    std::string make_usage(const CLI::App* app, std::string) const override
    {
        const CHostCommand* command = commandOf(app);
        if (!command)
            return std::string();
        std::string usage = usageLine(*command) + "\n\n" + command->summary() + "\n";
        // A verb's help says which part of the command it is.
        if (app->get_name() != command->name())
            usage += "\n" + app->get_name() + ": " + app->get_description() + "\n";
        return usage;
    }
    std::string make_footer(const CLI::App* app) const override
    {
        const CHostCommand* command = commandOf(app);
        return command ? std::string("\nexample:\n  ") + command->example() + "\n" : std::string();
    }
};

void printHelp(std::wostream& out)
{
    out << L"usage: syhost [--json] [--log FILE] [--quiet] [--override NAME=VALUE]... <command> [arguments]\n\n"
           L"  --json                 the result (or the error) as one JSON document on standard output\n"
           L"  --log FILE             write the library's log book to FILE instead of standard error\n"
           L"  --quiet                log messages only, no trace lines\n"
           L"  --override NAME=VALUE  for this run: "
        << overrideNames()
        << L"\n\n"
           L"syhost COMMAND --help shows a command's arguments and an example.\n\n"
           L"commands:\n";
    std::vector<const CHostCommand*> sorted(hostCommands().begin(), hostCommands().end());
    std::sort(sorted.begin(), sorted.end(), [](const CHostCommand* a, const CHostCommand* b) {
        return std::string(a->name()) < b->name();
    });
    for (const CHostCommand* command : sorted)
    {
        const iastring synopsis = wide(std::string(command->name()) + " " + command->synopsis());
        out << L"  " << synopsis;
        out << iastring(synopsis.size() < 34 ? 34 - synopsis.size() : 1, L' ') << wide(command->summary()) << L"\n";
    }
}

void printJson(std::wostream& out, const CHostJson& document)
{
    out << wide(document.dump(2)) << L"\n";
}

// A usage error: what is wrong, and how the command is called.
int usageError(std::wostream& out, std::wostream& err, bool json, const CHostCommand* command, const iastring& reason)
{
    const iastring prefix = command ? L"syhost " + wide(command->name()) + L": " : iastring(L"syhost: ");
    err << prefix << reason << L"\n";
    if (command)
        err << wide(usageLine(*command)) << L"\n(see syhost " << wide(command->name()) << L" --help)\n";
    if (json)
        printJson(out, {{"error", errorJson(L"UsageError", L"", reason)}});
    return HOST_USAGE;
}

// The parser's words for a mistake, in syhost's.
iastring parseReason(const CLI::ParseError& error, const CHostCommand* command, const std::vector<std::string>& args)
{
    if (command || !dynamic_cast<const CLI::ExtrasError*>(&error))
        return wide(error.what());
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& argument = args[i];
        if (argument == "--log" || argument == "--override")
            ++i;
        else if (argument.compare(0, 1, "-") == 0 && argument != "--json" && argument != "--quiet")
            return L"unknown option " + wide(argument);
        else if (argument.compare(0, 1, "-") != 0)
            return L"unknown command " + wide(argument) + L" (see syhost --help)";
    }
    return wide(error.what());
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    CUtf8Stream out(stdout);
    CUtf8Stream err(stderr);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(utf8(argv[i]));

    CLI::App app("syhost");
    app.formatter(std::make_shared<CHostFormatter>());
    app.set_help_flag();
    bool helpAsked = false;
    bool json = false;
    bool quiet = false;
    std::string logFile;
    std::vector<std::string> overrides;
    app.add_flag("--help,-h", helpAsked);
    app.add_flag("--json", json);
    app.add_flag("--quiet", quiet);
    app.add_option("--log", logFile)->type_name("FILE");
    // One value per occurrence: a greedy option would swallow the command's own arguments.
    app.add_option("--override", overrides)->type_name("NAME=VALUE")->allow_extra_args(false);
    for (CHostCommand* command : hostCommands())
    {
        CLI::App* parser = app.add_subcommand(command->name(), command->summary());
        parser->fallthrough();
        parser->set_help_flag("--help,-h", "this command's arguments and an example");
        command->define(*parser);
    }

    const CHostCommand* command = nullptr;
    try
    {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
        if (!app.get_subcommands().empty())
            command = commandOf(app.get_subcommands().front());
    }
    catch (const CLI::CallForHelp&)
    {
        out << wide(app.help());
        return HOST_OK;
    }
    catch (const CLI::ParseError& error)
    {
        const CHostCommand* failed = app.get_subcommands().empty() ? nullptr : commandOf(app.get_subcommands().front());
        return usageError(out, err, json, failed, parseReason(error, failed, args));
    }
    if (!command)
    {
        printHelp(out);
        return helpAsked ? HOST_OK : HOST_USAGE;
    }
    std::vector<CHostOverride> parsedOverrides;
    iastring overrideReason;
    if (!parseOverrides(overrides, parsedOverrides, overrideReason))
        return usageError(out, err, json, nullptr, overrideReason);

    // The engine finds the library by name, never by link.
    syslib::CSyModule library(::LoadLibraryW(L"syslib.dll"));
    if (!library)
    {
        err << L"syhost: cannot load syslib.dll (error " << ::GetLastError() << L")\n";
        return HOST_FAILED;
    }
    const SyGetPrivilegedSyslibFactoryFunction getFactory = reinterpret_cast<SyGetPrivilegedSyslibFactoryFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "getPrivilegedSyslibFactory")));
    if (!getFactory)
    {
        err << L"syhost: syslib.dll exports no getPrivilegedSyslibFactory\n";
        return HOST_FAILED;
    }
    std::vector<wchar_t> dllPath(32768, L'\0');
    ::GetModuleFileNameW(library.get(), dllPath.data(), static_cast<DWORD>(dllPath.size()));

    // Declared in this order so that the stream is flushed before the file closes.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, std::fclose);
    std::unique_ptr<CUtf8Stream> logFileStream;
    std::wostream* logSink = &err;
    if (!logFile.empty())
    {
        file.reset(::_wfopen(wide(logFile).c_str(), L"wb"));
        if (!file)
            return usageError(out, err, json, nullptr, L"cannot open the log file " + wide(logFile));
        logFileStream.reset(new CUtf8Stream(file.get()));
        logSink = logFileStream.get();
    }

    int result = HOST_FAILED;
    {
        CHostLogBook logBook(*logSink);
        logBook.setVerbose(!quiet);
        IPrivilegedSyslibFactory* factory = getFactory();
        factory->getProcessMgt()->setLogBook(&logBook);

        CHostContext context = {factory, &logBook, out, err, iastring(dllPath.data()), json};
        CHostCommand& running = *const_cast<CHostCommand*>(command);
        try
        {
            applyOverrides(context, parsedOverrides);
            const CHostResult outcome = running.run(context);
            CHostJson document = outcome.document;
            if (!outcome.error.is_null())
            {
                if (outcome.libraryError)
                    err << errorLine(outcome.error) << L"\n";
                else
                    err << L"syhost " << wide(command->name()) << L": " << text(outcome.error["text"]) << L"\n";
                document["error"] = outcome.error;
            }
            if (json)
                printJson(out, document);
            else
                running.render(document, out);
            result = outcome.exit;
        }
        catch (const CHostUsageError& error)
        {
            result = usageError(out, err, json, command, error.reason());
        }
        catch (const EVantixException& exception)
        {
            const CHostJson error = errorJson(exception, logBook);
            err << errorLine(error) << L"\n";
            if (json)
                printJson(out, {{"error", error}});
            result = HOST_FAILED;
        }
        // The library must not keep a log book that is about to go away.
        factory->getProcessMgt()->setLogBook(nullptr);
    }
    logSink->flush();
    return result;
}
