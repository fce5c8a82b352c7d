// syhost's subcommands. Each command file registers its commands with a static
// CHostCommandRegistration, so adding a command is adding a file to syhost/CMakeLists.txt.
#pragma once

#include "framework/iastring.h"
#include "host/hostlogbook.h"
#include "syslib/common/syexcept.h"
#include "syslib/common/syfactory.h"

#include <ostream>
#include <vector>

struct CHostContext
{
    IPrivilegedSyslibFactory* factory;
    CHostLogBook* logBook;
    std::wostream& out; // results
    std::wostream& err; // usage errors
    iastring dllPath;
};

typedef int (*CHostCommandFunction)(CHostContext& context, const std::vector<iastring>& arguments);

struct CHostCommand
{
    const wchar_t* name;
    const wchar_t* usage;   // arguments after the name, for --help
    const wchar_t* summary; // one line
    CHostCommandFunction run;
};

class CHostCommandRegistration
{
public:
    explicit CHostCommandRegistration(const CHostCommand& command);
};

const std::vector<CHostCommand>& hostCommands();

// Exit codes of syhost.
enum eHostExit
{
    HOST_OK = 0,
    HOST_FAILED = 1, // the library threw
    HOST_USAGE = 2
};

// "ClassName: text" of a library exception, for output that a person reads.
iastring describeException(const EVantixException& exception);

// The first line of standard input (UTF-8) without its line end, the bytes read wiped: a password never
// goes on a command line. False when there was no line at all.
bool readPasswordLine(iastring& password);

// Writes "usage: syhost <name> <usage>" to the error stream and returns HOST_USAGE.
int usageError(CHostContext& context, const wchar_t* name);
// The same, after a line that says what is wrong: "syhost <name>: <reason>".
int usageError(CHostContext& context, const wchar_t* name, const iastring& reason);
