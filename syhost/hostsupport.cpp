// What every command shares: the command table, text conversions, passwords from standard input, the
// names of exceptions, and paths and accounts in the form an operator reads.
#include "hostcommand.h"
#include "framework/iastrutil.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/common/syswin.h"
#include "syslib/filesystem/syfilesystemmgt.h"

#include <cxxabi.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <typeinfo>

namespace
{
std::vector<CHostCommand*>& commandTable()
{
    static std::vector<CHostCommand*> table;
    return table;
}

// Lookups that may find nothing are the host's presentation, not the operator's request: their errors stay
// out of the log book.
class CLogBookPause
{
public:
    explicit CLogBookPause(CHostContext& context)
        : m_processes(context.factory->getProcessMgt()), m_logBook(m_processes->setLogBook(nullptr))
    {
    }
    ~CLogBookPause() { m_processes->setLogBook(m_logBook); }
    CLogBookPause(const CLogBookPause&) = delete;
    CLogBookPause& operator=(const CLogBookPause&) = delete;

private:
    IaPtr<ISyProcessMgt> m_processes;
    ILogBook* m_logBook;
};

// The SID of the account a name finds, empty when it finds none.
iastring sidOfName(ISyAccountMgt& accounts, const iastring& name)
{
    try
    {
        return accounts.getAccount(ISyAccountMgt::NONE, name)->getSID();
    }
    catch (const EVantixException&)
    {
        return iastring();
    }
}
} // namespace

CHostUsageError::CHostUsageError(const iastring& reason) : std::runtime_error(utf8(reason)), m_reason(reason) {}

CHostCommand::CHostCommand(const char* name, const char* synopsis, const char* summary, const char* example)
    : m_name(name), m_synopsis(synopsis), m_summary(summary), m_example(example)
{
    commandTable().push_back(this);
}

const std::vector<CHostCommand*>& hostCommands()
{
    return commandTable();
}

iastring wide(const std::string& text)
{
    return fromUtf8(text);
}

std::string utf8(const iastring& text)
{
    return toUtf8(text);
}

iastring text(const CHostJson& value)
{
    return value.is_string() ? wide(value.get<std::string>()) : iastring();
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

void wipe(iastring& secret)
{
    if (!secret.empty())
        ::SecureZeroMemory(&secret[0], secret.size() * sizeof(wchar_t));
}

iastring exceptionClass(const EVantixException& exception)
{
    const char* mangled = typeid(exception).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                      std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    const std::string::size_type scope = name.rfind("::");
    if (scope != std::string::npos)
        name = name.substr(scope + 2);
    return iastring(name.begin(), name.end());
}

iastring exceptionText(const EVantixException& exception, const CHostLogBook& logBook)
{
    // Most of the library's exceptions carry no text; the reason is the error it logged before the throw.
    const iastring& text = exception.getText();
    const bool textless = text.empty() || text == EVantixException().getText();
    return textless && !logBook.lastError().empty() ? logBook.lastError() : text;
}

CLI::Validator nonEmpty()
{
    return CLI::Validator([](std::string& value) { return value.empty() ? std::string("must not be empty") : std::string(); },
                          "");
}

CHostJson errorJson(const iastring& errorClass, const iastring& key, const iastring& text)
{
    return {{"class", utf8(errorClass)}, {"key", key.empty() ? CHostJson() : CHostJson(utf8(key))}, {"text", utf8(text)}};
}

CHostJson errorJson(const EVantixException& exception, CHostLogBook& logBook)
{
    const CHostJson error = errorJson(exceptionClass(exception), logBook.lastErrorKey(), exceptionText(exception, logBook));
    logBook.clearLastError();
    return error;
}

void CHostResult::fail(const iastring& errorClass, const iastring& text)
{
    exit = HOST_FAILED;
    error = errorJson(errorClass, L"", text);
}

void CHostResult::fail(const EVantixException& exception, CHostLogBook& logBook)
{
    exit = HOST_FAILED;
    error = errorJson(exception, logBook);
    libraryError = true;
}

iastring errorLine(const CHostJson& error)
{
    return text(error["class"]) + L": " + text(error["text"]);
}

iastring osPath(CHostContext& context, const iastring& path)
{
    try
    {
        return context.factory->getFileSystemMgt()->getFSPath(path)->toOSString();
    }
    catch (const EVantixException&)
    {
        return path;
    }
}

CHostJson accountOfSid(CHostContext& context, const iastring& sid)
{
    // An ACL names the same accounts again and again.
    static std::map<iastring, CHostJson> known;
    const auto found = known.find(sid);
    if (found != known.end())
        return found->second;

    CHostJson account = {{"sid", utf8(sid)}, {"name", nullptr}, {"domain", nullptr}, {"label", utf8(sid)}};
    const CLogBookPause quiet(context);
    ISyAccountMgt& accounts = *context.factory->getAccountMgt();
    try
    {
        const PSyAccount named = accounts.getAccount(ISyAccountMgt::NONE, sid);
        const iastring name = named->getName();
        const iastring domain = named->getDomain();
        account["name"] = utf8(name);
        account["domain"] = utf8(domain);
        if (sidOfName(accounts, name) == sid)
            account["label"] = utf8(name);
        else if (!domain.empty() && sidOfName(accounts, domain + L"\\" + name) == sid)
            account["label"] = utf8(domain + L"\\" + name);
    }
    catch (const EVantixException&)
    {
        // No account has this SID (any more): the SID is all there is to show.
    }
    known[sid] = account;
    return account;
}

iastring accountLabel(const CHostJson& account)
{
    const iastring label = text(account["label"]);
    const iastring sid = text(account["sid"]);
    return label == sid ? sid : label + L"\t" + sid;
}
