// syhost's subcommands. Each command is a CHostCommand with a static instance in its cmd_*.cpp: it declares
// its arguments to the parser, runs, and returns one JSON document. --json prints that document; the text an
// operator reads is rendered from the same document, so both forms always say the same thing.
#pragma once

#include "framework/iastring.h"
#include "host/hostlogbook.h"
#include "syslib/common/syexcept.h"
#include "syslib/common/syfactory.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

// Keys keep the order they were written in: scripts read them, people read the text rendered from them.
typedef nlohmann::ordered_json CHostJson;

// Exit codes of syhost.
enum eHostExit
{
    HOST_OK = 0,
    HOST_FAILED = 1, // the library threw, or what was looked for is not there
    HOST_USAGE = 2
};

struct CHostContext
{
    IPrivilegedSyslibFactory* factory;
    CHostLogBook* logBook;
    std::wostream& out; // results
    std::wostream& err; // errors and notes
    iastring dllPath;
    bool json; // the result goes out as one JSON document; nothing streams to out
};

class CHostResult
{
public:
    CHostJson document = CHostJson::object();
    int exit = HOST_OK;
    // The failure that goes to standard error and into the document's "error"; null when there is none.
    CHostJson error;
    bool libraryError = false;

    // What was looked for is not there, or a password is wrong: "syhost NAME: text", exit 1.
    void fail(const iastring& errorClass, const iastring& text);
    // A library exception the command catches to report more than the exception says: "Class: text", exit 1.
    void fail(const EVantixException& exception, CHostLogBook& logBook);
};

// A usage error found after parsing: which argument is wrong and why.
class CHostUsageError : public std::runtime_error
{
public:
    explicit CHostUsageError(const iastring& reason);
    const iastring& reason() const { return m_reason; }

private:
    iastring m_reason;
};

class CHostCommand
{
public:
    CHostCommand(const char* name, const char* synopsis, const char* summary, const char* example);
    virtual ~CHostCommand() = default;

    const char* name() const { return m_name; }
    const char* synopsis() const { return m_synopsis; } // the arguments after the name
    const char* summary() const { return m_summary; }
    const char* example() const { return m_example; }

    // Declares the arguments (and verbs) on the command's own parser, bound to members of the command.
    virtual void define(CLI::App& command) = 0;
    virtual CHostResult run(CHostContext& context) = 0;
    // The text form of a document that run() returned.
    virtual void render(const CHostJson& document, std::wostream& out) const = 0;

private:
    const char* m_name;
    const char* m_synopsis;
    const char* m_summary;
    const char* m_example;
};

const std::vector<CHostCommand*>& hostCommands();

// "ClassName" of a library exception, and its text (the reason the library logged, when the exception
// carries none).
iastring exceptionClass(const EVantixException& exception);
iastring exceptionText(const EVantixException& exception, const CHostLogBook& logBook);

// {"class", "key", "text"}: a failure in a JSON document.
CHostJson errorJson(const iastring& errorClass, const iastring& key, const iastring& text);
// That of a library exception, with the message key and reason it logged. The reason is used up: a host that
// goes on after a failure shows the next one's own.
CHostJson errorJson(const EVantixException& exception, CHostLogBook& logBook);
// "Class: text", as an operator reads a failure.
iastring errorLine(const CHostJson& error);

// The first line of standard input (UTF-8) without its line end, the bytes read wiped: a password never
// goes on a command line. False when there was no line at all.
bool readPasswordLine(iastring& password);
// Overwrites a password before its memory goes back.
void wipe(iastring& secret);

// Between the parser's UTF-8 and the library's UTF-16.
iastring wide(const std::string& text);
std::string utf8(const iastring& text);
// A JSON string's text, UTF-16.
iastring text(const CHostJson& value);

// Refuses an empty argument: an empty name or path is never what an operator meant.
CLI::Validator nonEmpty();

// The operating-system form of a path the library prints in its neutral form ("C:/x" -> "C:\x").
iastring osPath(CHostContext& context, const iastring& path);

// An account of a rights entry or an owner: its name, and its SID beside it. The name alone is shown where it
// names the account unambiguously (it finds the same SID again), DOMAIN\name where only that does, and the
// SID alone when it resolves to no account.
CHostJson accountOfSid(CHostContext& context, const iastring& sid);
// How the text form shows an account of accountOfSid().
iastring accountLabel(const CHostJson& account);
