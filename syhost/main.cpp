// syhost: the engine stand-in. Loads syslib.dll by name as the installer engine does, gives it a
// readable log book and offers the library's work as subcommands.
#include "hostcommand.h"
#include "host/utf8stream.h"
#include "syslib/common/syswin.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace
{
// The log book of the command that runs, for the reason of an exception.
const CHostLogBook* runningLogBook = nullptr;

std::vector<CHostCommand>& commandTable()
{
    static std::vector<CHostCommand> table;
    return table;
}

void printHelp(std::wostream& out)
{
    out << L"usage: syhost [--log FILE] [--quiet] <command> [arguments]\n\n"
           L"  --log FILE   write the library's log book to FILE instead of standard error\n"
           L"  --quiet      log messages only, no trace lines\n\n"
           L"commands:\n";
    std::vector<CHostCommand> sorted = commandTable();
    std::sort(sorted.begin(), sorted.end(),
              [](const CHostCommand& a, const CHostCommand& b) { return iastring(a.name) < b.name; });
    for (const CHostCommand& command : sorted)
    {
        const iastring synopsis = iastring(command.name) + L" " + command.usage;
        out << L"  " << synopsis;
        out << iastring(synopsis.size() < 34 ? 34 - synopsis.size() : 1, L' ') << command.summary << L"\n";
    }
}
} // namespace

CHostCommandRegistration::CHostCommandRegistration(const CHostCommand& command)
{
    commandTable().push_back(command);
}

const std::vector<CHostCommand>& hostCommands()
{
    return commandTable();
}

bool readPasswordLine(iastring& password)
{
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    std::string bytes;
    char c = 0;
    DWORD read = 0;
    while (::ReadFile(input, &c, 1, &read, nullptr) && read == 1 && c != '\n')
        bytes += c;
    if (!bytes.empty() && bytes.back() == '\r')
        bytes.pop_back();
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    password.assign(static_cast<std::size_t>(length), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &password[0], length);
    const bool gotLine = !bytes.empty() || read == 1;
    if (!bytes.empty())
        ::SecureZeroMemory(&bytes[0], bytes.size());
    return gotLine;
}

iastring describeException(const EVantixException& exception)
{
    const char* mangled = typeid(exception).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                      std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    const std::string::size_type scope = name.rfind("::");
    if (scope != std::string::npos)
        name = name.substr(scope + 2);
    // Most of the library's exceptions carry no text; the reason is the error it logged before the throw.
    const iastring& text = exception.getText();
    const bool textless = text.empty() || text == EVantixException().getText();
    const iastring reason = textless && runningLogBook != nullptr && !runningLogBook->lastError().empty()
                                ? runningLogBook->lastError()
                                : text;
    return iastring(name.begin(), name.end()) + L": " + reason;
}

int usageError(CHostContext& context, const wchar_t* name)
{
    for (const CHostCommand& command : hostCommands())
        if (iastring(command.name) == name)
            context.err << L"usage: syhost " << command.name << L" " << command.usage << L"\n";
    return HOST_USAGE;
}

int usageError(CHostContext& context, const wchar_t* name, const iastring& reason)
{
    context.err << L"syhost " << name << L": " << reason << L"\n";
    return usageError(context, name);
}

int wmain(int argc, wchar_t** argv)
{
    CUtf8Stream out(stdout);
    CUtf8Stream err(stderr);

    std::vector<iastring> arguments(argv + 1, argv + argc);
    iastring logFile;
    bool quiet = false;
    std::size_t next = 0;
    for (; next < arguments.size() && arguments[next].compare(0, 2, L"--") == 0; ++next)
    {
        if (arguments[next] == L"--log" && next + 1 < arguments.size())
            logFile = arguments[++next];
        else if (arguments[next] == L"--quiet")
            quiet = true;
        else if (arguments[next] == L"--help")
            break;
        else
        {
            err << L"syhost: unknown option " << arguments[next] << L"\n";
            return HOST_USAGE;
        }
    }
    if (next >= arguments.size() || arguments[next] == L"--help" || arguments[next] == L"help")
    {
        printHelp(out);
        return next >= arguments.size() ? HOST_USAGE : HOST_OK;
    }

    const CHostCommand* command = nullptr;
    for (const CHostCommand& candidate : hostCommands())
        if (arguments[next] == candidate.name)
            command = &candidate;
    if (!command)
    {
        err << L"syhost: unknown command " << arguments[next] << L" (see syhost --help)\n";
        return HOST_USAGE;
    }

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
    wchar_t dllPath[MAX_PATH] = {0};
    ::GetModuleFileNameW(library.get(), dllPath, MAX_PATH);

    // Declared in this order so that the stream is flushed before the file closes.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, std::fclose);
    std::unique_ptr<CUtf8Stream> logFileStream;
    std::wostream* logSink = &err;
    if (!logFile.empty())
    {
        file.reset(::_wfopen(logFile.c_str(), L"wb"));
        if (!file)
        {
            err << L"syhost: cannot open log file " << logFile << L"\n";
            return HOST_USAGE;
        }
        logFileStream.reset(new CUtf8Stream(file.get()));
        logSink = logFileStream.get();
    }

    int result = HOST_FAILED;
    {
        CHostLogBook logBook(*logSink);
        logBook.setVerbose(!quiet);
        runningLogBook = &logBook;
        IPrivilegedSyslibFactory* factory = getFactory();
        factory->getProcessMgt()->setLogBook(&logBook);

        CHostContext context = {factory, &logBook, out, err, dllPath};
        const std::vector<iastring> commandArguments(arguments.begin() + static_cast<long>(next) + 1,
                                                     arguments.end());
        try
        {
            result = command->run(context, commandArguments);
        }
        catch (const EVantixException& exception)
        {
            out << describeException(exception) << L"\n";
            result = HOST_FAILED;
        }
        // The library must not keep a log book that is about to go away.
        factory->getProcessMgt()->setLogBook(nullptr);
        runningLogBook = nullptr;
    }
    logSink->flush();
    return result;
}
