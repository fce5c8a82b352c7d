// syhost as people use it: the real syhost.exe started with arguments, its output, its log and its exit
// code (0 done, 1 the library failed, 2 a usage error).
#include "standins/common/saregistry.h"
#include "framework/iastrutil.h"
#include "syslib/common/syswin.h"
#include "standins/system/sasystemapi.h"
#include "tests/account/accountteststate.h"
#include "tests/account/securityteststate.h"
#include "standins/shares/sashares.h"
#include "tests/support/tempdir.h"
#include "tests/support/testchild.h"
#include "tests/network/networktestutil.h"
#include "tests/system/logonstate.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sddl.h>

#include <algorithm>
#include <map>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{
struct CRun
{
    DWORD exitCode = 0xFFFFFFFF;
    iastring out;
    iastring err;
};

// syhost writes UTF-8 with the console's CRLF line ends; the tests compare LF text.
iastring fromUtf8(const std::string& bytes)
{
    if (bytes.empty())
        return iastring();
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    iastring text(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
    iastring lines;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n'))
            lines += text[i];
    return lines;
}

// One argument as the C runtime of the child splits it again: quotes around it when needed, backslashes
// doubled before a quote and at the end of a quoted argument.
iastring quoted(const iastring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == iastring::npos)
        return argument;
    iastring text = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument)
    {
        if (c == L'\\')
        {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

void readAll(HANDLE pipe, std::string& into)
{
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        into.append(buffer, read);
}

iastring besideTestProgram(const iastring& name)
{
    wchar_t program[MAX_PATH + 1] = {0};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    const iastring directory(program);
    return directory.substr(0, directory.find_last_of(L"\\/") + 1) + name;
}

// Standard error goes to a file: read after the end, it needs no second reading thread beside the pipe.
// Standard input is the text given, through a file, or NUL.
CRun runSyhost(const std::vector<iastring>& arguments, const std::string& input = std::string())
{
    CRun run;
    iastring commandLine = quoted(besideTestProgram(L"syhost.exe"));
    for (const iastring& argument : arguments)
        commandLine += L" " + quoted(argument);

    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0))
    {
        ADD_FAILURE() << "CreatePipe error " << ::GetLastError();
        return run;
    }
    syslib::CSyKernelHandle outReader(outRead), outWriter(outWrite);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    wchar_t directory[MAX_PATH + 1] = {0}, errPath[MAX_PATH + 1] = {0};
    ::GetTempPathW(MAX_PATH, directory);
    ::GetTempFileNameW(directory, L"err", 0, errPath);
    syslib::CSyKernelHandle errFile(::CreateFileW(errPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  &inherit, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    syslib::CSyKernelHandle inputFile;
    if (input.empty())
        inputFile.reset(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                      OPEN_EXISTING, 0, nullptr));
    else
    {
        wchar_t inPath[MAX_PATH + 1] = {0};
        ::GetTempFileNameW(directory, L"in", 0, inPath);
        inputFile.reset(::CreateFileW(inPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inherit, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        DWORD written = 0;
        ::WriteFile(inputFile.get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
        ::SetFilePointer(inputFile.get(), 0, nullptr, FILE_BEGIN);
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputFile.get();
    startup.hStdOutput = outWrite;
    startup.hStdError = errFile.get();
    // No console of its own: the output goes to the pipe and the file only.
    const CTestProcess process = startTestProcess(commandLine, startup);
    if (!process.process)
        return run;
    outWriter.reset();

    std::string out, err;
    readAll(outRead, out);
    if (::WaitForSingleObject(process.process.get(), 60000) != WAIT_OBJECT_0)
    {
        ::TerminateProcess(process.process.get(), 99);
        ADD_FAILURE() << "syhost did not end";
    }
    ::GetExitCodeProcess(process.process.get(), &run.exitCode);
    ::SetFilePointer(errFile.get(), 0, nullptr, FILE_BEGIN);
    readAll(errFile.get(), err);
    run.out = fromUtf8(out);
    run.err = fromUtf8(err);
    return run;
}

std::string narrow(const iastring& text)
{
    return toMbstring(text);
}

bool contains(const iastring& text, const iastring& part)
{
    return text.find(part) != iastring::npos;
}

// The command names of --help, in its order.
std::vector<iastring> helpCommands(const iastring& help)
{
    std::vector<iastring> names;
    std::wistringstream in(help);
    bool inCommands = false;
    for (iastring line; std::getline(in, line);)
    {
        if (line == L"commands:")
            inCommands = true;
        else if (inCommands && line.compare(0, 2, L"  ") == 0)
            names.push_back(line.substr(2, line.find(L' ', 2) - 2));
    }
    return names;
}

std::string readSourceFile(const char* relative)
{
    // The source tree, as wine's Z: drive shows it.
    std::string path = std::string("Z:") + SYSLIB_SOURCE_DIR + "/" + relative;
    std::ifstream in(path.c_str(), std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The one JSON document of a --json run's standard output.
nlohmann::ordered_json document(const CRun& run)
{
    try
    {
        return nlohmann::ordered_json::parse(toUtf8(run.out));
    }
    catch (const std::exception& error)
    {
        ADD_FAILURE() << error.what() << " in " << narrow(run.out) << narrow(run.err);
        return nlohmann::ordered_json();
    }
}

iastring jsonText(const nlohmann::ordered_json& value)
{
    return value.is_string() ? fromUtf8(value.get<std::string>()) : iastring();
}

class CSyhostTest : public ::testing::Test
{
protected:
    CTempDir m_dir;
};
} // namespace

TEST_F(CSyhostTest, HelpListsEveryCommandAndTheReadmeTableTheSameOnes)
{
    const CRun help = runSyhost({L"--help"});
    EXPECT_EQ(0u, help.exitCode);
    const std::vector<iastring> commands = helpCommands(help.out);
    ASSERT_GE(commands.size(), 12u) << narrow(help.out);

    std::set<iastring> inReadme;
    std::istringstream readme(readSourceFile("README.md"));
    for (std::string line; std::getline(readme, line);)
        if (line.compare(0, 10, "| `syhost ") == 0)
            inReadme.insert(toIastring(line.substr(10, line.find_first_of(" `", 10) - 10)));
    EXPECT_EQ(std::set<iastring>(commands.begin(), commands.end()), inReadme);

    // No command: the help, as a usage error.
    const CRun none = runSyhost({});
    EXPECT_EQ(2u, none.exitCode);
    EXPECT_EQ(commands, helpCommands(none.out));
}

TEST_F(CSyhostTest, UsageErrorsExitTwoAndShowHowToCallTheCommand)
{
    const struct
    {
        std::vector<iastring> arguments;
        const wchar_t* err;
    } cases[] = {
        {{L"nosuch"}, L"syhost: unknown command nosuch (see syhost --help)"},
        {{L"--bogus", L"info"}, L"--bogus"},
        {{L"version", L"x"}, L"usage: syhost version"},
        {{L"support-info", L"x"}, L"usage: syhost support-info"},
        {{L"info", L"x"}, L"usage: syhost info"},
        {{L"whoami", L"x"}, L"usage: syhost whoami"},
        {{L"env", L"x"}, L"usage: syhost env"},
        {{L"path"}, L"usage: syhost path PATH..."},
        {{L"acl"}, L"usage: syhost acl parse"},
        {{L"acl", L"check", L"(a,b,+r)"}, L"usage: syhost acl parse"},
        {{L"acl", L"parse", L"(a,b,+r)", L"--type", L"disk"}, L"usage: syhost acl parse"},
        {{L"acl", L"parse", L"(a,b,+r)", L"--compatibility", L"high"}, L"usage: syhost acl parse"},
        {{L"time", L"soon"}, L"usage: syhost time [SECONDS]"},
        {{L"time", L"99999999999999999999"}, L"usage: syhost time [SECONDS]"},
        {{L"size"}, L"usage: syhost size N [B|KB|MB]"},
        {{L"size", L"1", L"GB"}, L"usage: syhost size N [B|KB|MB]"},
        {{L"size", L"12abc"}, L"usage: syhost size N [B|KB|MB]"},
        {{L"copy", L"a"}, L"usage: syhost copy SRC DST"},
        {{L"copy", L"a", L"b", L"--mode", L"SOMETIMES"}, L"usage: syhost copy SRC DST"},
        {{L"rm"}, L"usage: syhost rm PATH"},
        {{L"mv", L"a"}, L"usage: syhost mv SRC DST"},
        {{L"mv", L"a", L"b", L"--mode", L"SOMETIMES"}, L"usage: syhost mv SRC DST"},
        {{L"ls"}, L"usage: syhost ls DIR [PATTERN]"},
        {{L"tree-copy", L"a"}, L"usage: syhost tree-copy SRC DST"},
        {{L"tree-copy", L"a", L"b", L"--mode", L"MISSING|NEVER"}, L"usage: syhost tree-copy SRC DST"},
        {{L"tree-copy", L"a", L"b", L"--workers", L"17"}, L"usage: syhost tree-copy SRC DST"},
        {{L"tree-copy", L"a", L"b", L"--workers", L"-1"}, L"usage: syhost tree-copy SRC DST"},
        {{L"du"}, L"usage: syhost du DIR"},
        {{L"hosts"}, L"usage: syhost hosts list|get NAME|add"},
        {{L"hosts", L"add", L"10.0.0.1"}, L"usage: syhost hosts list|get NAME|add"},
        {{L"hosts", L"list", L"--file"}, L"usage: syhost hosts list|get NAME|add"},
        {{L"services", L"add", L"x", L"0/tcp"}, L"usage: syhost services get"},
        {{L"services", L"add", L"x", L"1/tcp", L"--mode", L"SOMETIMES"}, L"usage: syhost services get"},
        {{L"resolve"}, L"usage: syhost resolve NAME|ADDRESS"},
        {{L"nics", L"x"}, L"usage: syhost nics"},
        {{L"hostname", L"x"}, L"usage: syhost hostname"},
        {{L"account"}, L"usage: syhost account NAME|SID"},
        {{L"account", L"a", L"b"}, L"usage: syhost account NAME|SID"},
        {{L"mounts", L"x"}, L"usage: syhost mounts"},
        {{L"df"}, L"usage: syhost df PATH"},
        {{L"dirs", L"x"}, L"usage: syhost dirs"},
        {{L"restart", L"--user", L"root"}, L"usage: syhost restart [--command CMD]"},
        {{L"restart", L"--logoff", L"--password-stdin"}, L"usage: syhost restart [--command CMD]"},
        {{L"restart", L"--command"}, L"usage: syhost restart [--command CMD]"},
    };
    for (const auto& c : cases)
    {
        const CRun run = runSyhost(c.arguments);
        EXPECT_EQ(2u, run.exitCode) << narrow(c.arguments[0]);
        EXPECT_TRUE(contains(run.err, c.err)) << narrow(run.err);
        EXPECT_TRUE(run.out.empty()) << narrow(run.out);
    }
}

TEST_F(CSyhostTest, LibraryFailuresExitOneWithTheExceptionAndTheLoggedReason)
{
    const CRun syntax = runSyhost({L"--quiet", L"acl", L"parse", L"(a,b,+r)\uFFFF(c"});
    EXPECT_EQ(1u, syntax.exitCode);
    EXPECT_TRUE(syntax.out.empty()) << "results only: " << narrow(syntax.out);
    EXPECT_TRUE(contains(syntax.err, L"EMissingLeftBrace: Security syntax error in ACL expression near \uFFFF "
                                     L"(position 9)"))
        << narrow(syntax.err);

    const CRun negative = runSyhost({L"--quiet", L"size", L"-1"});
    EXPECT_EQ(1u, negative.exitCode);
    EXPECT_TRUE(contains(negative.err, L"\nESyPrecondition: Parameter bytes with the value -1")) << narrow(negative.err);
    EXPECT_TRUE(contains(negative.err, L" ERR ")) << narrow(negative.err);
    EXPECT_TRUE(contains(negative.err, L"Parameter bytes with the value -1 is not valid in setBytes(). "
                                       L"{common.parameterNotValid}"))
        << narrow(negative.err);

    const CRun missing = runSyhost({L"--quiet", L"ls", m_dir / L"missing"});
    EXPECT_EQ(1u, missing.exitCode);
    EXPECT_TRUE(contains(missing.err, L"ESyFileNotFound")) << narrow(missing.err);
    EXPECT_TRUE(contains(missing.err, L"{syslib.filesystem.nodeDoesNotExist}")) << narrow(missing.err);

    // An exception without a text of its own is printed with the reason the library logged.
    const CRun copy = runSyhost({L"--quiet", L"copy", m_dir / L"missing", m_dir / L"target"});
    EXPECT_EQ(1u, copy.exitCode);
    iastring missingPath = m_dir / L"missing";
    std::replace(missingPath.begin(), missingPath.end(), L'\\', L'/');
    EXPECT_TRUE(copy.out.empty()) << narrow(copy.out);
    EXPECT_TRUE(contains(copy.err, L"\nESyFileNotFound: " + missingPath + L" does not exist.\n")) << narrow(copy.err);
}

TEST_F(CSyhostTest, FileCommandsWorkOnARealTree)
{
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"src").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"src\\sub").c_str(), nullptr));
    writeTestFile(m_dir / L"src\\a.txt", "12345");
    writeTestFile(m_dir / L"src\\sub\\b.txt", "123");

    const CRun du = runSyhost({L"--quiet", L"du", m_dir / L"src"});
    EXPECT_EQ(0u, du.exitCode);
    EXPECT_EQ(L"8 bytes (0.00 MB)\n", du.out);

    const CRun ls = runSyhost({L"--quiet", L"ls", m_dir / L"src", L"*.txt"});
    EXPECT_EQ(0u, ls.exitCode);
    EXPECT_EQ(L"-              5  a.txt\n", ls.out);

    const CRun copy = runSyhost({L"copy", m_dir / L"src\\a.txt", m_dir / L"c.txt"});
    EXPECT_EQ(0u, copy.exitCode) << narrow(copy.err);
    EXPECT_EQ(L"copied " + (m_dir / L"src\\a.txt") + L" -> " + (m_dir / L"c.txt") +
                  L" (mode MISSING|IF_NEWER|IF_HIGHER_VERSION)\n",
              copy.out)
        << "paths in the system's form: " << narrow(copy.out);
    EXPECT_TRUE(contains(copy.err, L"mode & ISyNode::MISSING ==> I will copy/move.")) << "the decision is logged";
    const CRun again = runSyhost({L"--quiet", L"copy", m_dir / L"src\\a.txt", m_dir / L"c.txt", L"--mode", L"MISSING"});
    EXPECT_EQ(0u, again.exitCode);
    EXPECT_EQ(0u, again.out.find(L"not copied ")) << narrow(again.out);

    const CRun tree = runSyhost({L"--quiet", L"tree-copy", m_dir / L"src", m_dir / L"dst"});
    EXPECT_EQ(0u, tree.exitCode) << narrow(tree.out) << narrow(tree.err);
    EXPECT_TRUE(contains(tree.out, L"  copying a.txt\n")) << narrow(tree.out);
    EXPECT_TRUE(contains(tree.out, L"copied\n"));
    EXPECT_EQ(0u, runSyhost({L"--quiet", L"du", m_dir / L"dst"}).out.find(L"8 bytes"));
    // One file at a time or several at once, the operator sees the same progress.
    const auto copiedWith = [&](const iastring& workers) {
        const iastring name = L"dst" + workers;
        const CRun counted = runSyhost({L"--quiet", L"tree-copy", m_dir / L"src", m_dir / name, L"--workers", workers});
        EXPECT_EQ(0u, counted.exitCode) << narrow(counted.err);
        iastring out = counted.out; // the progress names the target as the library writes paths
        for (std::size_t at = out.find(name); at != iastring::npos; at = out.find(name))
            out.replace(at, name.size(), L"TARGET");
        return out;
    };
    const iastring oneAtATime = copiedWith(L"1");
    EXPECT_TRUE(contains(oneAtATime, L"  copying a.txt\n")) << narrow(oneAtATime);
    EXPECT_EQ(oneAtATime, copiedWith(L"4"));

    // A file that meets a directory of its name in the target is a conflict, not a copy into it.
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"clash").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"clash\\a.txt").c_str(), nullptr));
    const CRun clash = runSyhost({L"--quiet", L"tree-copy", m_dir / L"src", m_dir / L"clash"});
    EXPECT_EQ(1u, clash.exitCode);
    EXPECT_TRUE(contains(clash.err, L"ESyFileWrite")) << narrow(clash.err);
    EXPECT_TRUE(contains(clash.err, L"{syslib.filesystem.copyTargetKindConflict}")) << narrow(clash.err);
    EXPECT_FALSE(::GetFileAttributesW((m_dir / L"clash\\a.txt\\a.txt").c_str()) != INVALID_FILE_ATTRIBUTES);

    const CRun rm = runSyhost({L"--quiet", L"rm", m_dir / L"c.txt"});
    EXPECT_EQ(0u, rm.exitCode);
    EXPECT_EQ(L"removed " + (m_dir / L"c.txt") + L"\n", rm.out);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((m_dir / L"c.txt").c_str()));
}

// Names outside the ANSI code page and paths past MAX_PATH, as an installer hands them over.
TEST_F(CSyhostTest, FileCommandsTakeEveryNameAndLength)
{
    writeTestFile(m_dir / L"дом.txt", "house");
    const CRun copy = runSyhost({L"--quiet", L"copy", m_dir / L"дом.txt", m_dir / L"家.txt"});
    EXPECT_EQ(0u, copy.exitCode) << narrow(copy.out) << narrow(copy.err);
    EXPECT_EQ(0u, copy.out.find(L"copied ")) << narrow(copy.out);
    EXPECT_FALSE(contains(copy.err, L" ERR ")) << narrow(copy.err);
    writeTestFile(m_dir / L"older.txt", "old");
    {
        const FILETIME old = {0, 0x01D00000};
        const syslib::CSyKernelHandle file(::CreateFileW((m_dir / L"older.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                                         nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &old));
    }
    const CRun update = runSyhost({L"--quiet", L"copy", m_dir / L"дом.txt", m_dir / L"older.txt", L"--mode", L"IF_NEWER"});
    EXPECT_EQ(0u, update.exitCode) << narrow(update.out) << narrow(update.err);
    EXPECT_EQ(0u, update.out.find(L"copied ")) << narrow(update.out);

    // Two paths of 330 characters in long form.
    iastring deep = L"\\\\?\\" + m_dir.path();
    while (deep.size() < 290)
    {
        deep += L"\\" + iastring(std::min<std::size_t>(60, 295 - deep.size()), L'ж');
        ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
    }
    const iastring from = deep + L"\\" + iastring(329 - deep.size(), L'a');
    const iastring to = deep + L"\\" + iastring(329 - deep.size(), L'b');
    ASSERT_EQ(330u, from.size());
    writeTestFile(from, "deep");
    const CRun long_ = runSyhost({L"--quiet", L"copy", from, to});
    EXPECT_EQ(0u, long_.exitCode) << narrow(long_.out) << narrow(long_.err);
    std::ifstream copied(to.c_str(), std::ios::binary);
    EXPECT_EQ("deep", std::string(std::istreambuf_iterator<char>(copied), std::istreambuf_iterator<char>()));
}

TEST_F(CSyhostTest, MvMovesFilesAndTreesAndRmRemovesTrees)
{
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"src").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"dst").c_str(), nullptr));
    writeTestFile(m_dir / L"src\\a.txt", "a");
    writeTestFile(m_dir / L"dst\\own.txt", "own");
    writeTestFile(m_dir / L"loose.txt", "loose");

    const CRun file = runSyhost({L"--quiet", L"mv", m_dir / L"loose.txt", m_dir / L"src\\loose.txt"});
    EXPECT_EQ(0u, file.exitCode) << narrow(file.out) << narrow(file.err);
    EXPECT_EQ(0u, file.out.find(L"moved ")) << narrow(file.out);
    EXPECT_TRUE(contains(file.out, L"(mode MISSING|EXISTING)")) << narrow(file.out);

    const CRun kept = runSyhost({L"--quiet", L"mv", m_dir / L"src", m_dir / L"dst", L"--mode", L"MISSING"});
    EXPECT_EQ(0u, kept.exitCode);
    EXPECT_EQ(0u, kept.out.find(L"not moved ")) << narrow(kept.out);
    const CRun tree = runSyhost({L"--quiet", L"mv", m_dir / L"src", m_dir / L"dst"});
    EXPECT_EQ(0u, tree.exitCode) << narrow(tree.out) << narrow(tree.err);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((m_dir / L"dst\\loose.txt").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((m_dir / L"dst\\own.txt").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((m_dir / L"src").c_str()));

    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"dst\\sub").c_str(), nullptr));
    const CRun inside = runSyhost({L"--quiet", L"mv", m_dir / L"dst", m_dir / L"dst\\sub\\dst"});
    EXPECT_EQ(1u, inside.exitCode);
    EXPECT_TRUE(contains(inside.err, L"ESyPrecondition: ")) << narrow(inside.err);
    EXPECT_TRUE(contains(inside.err, L"lies inside it.")) << narrow(inside.err);
    EXPECT_TRUE(contains(inside.err, L"{syslib.filesystem.targetInsideSource}")) << narrow(inside.err);

    const CRun rm = runSyhost({L"--quiet", L"rm", m_dir / L"dst"});
    EXPECT_EQ(0u, rm.exitCode) << narrow(rm.out) << narrow(rm.err);
    EXPECT_EQ(0u, rm.out.find(L"removed ")) << narrow(rm.out);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((m_dir / L"dst").c_str()));
}

TEST_F(CSyhostTest, TheLogNamesEachFunctionGoesToAFileOnRequestAndQuietKeepsMessagesOnly)
{
    const CRun traced = runSyhost({L"size", L"2", L"KB"});
    EXPECT_EQ(0u, traced.exitCode);
    EXPECT_EQ(L"bytes  2048\nKB     2\nMB     0.001953125\n", traced.out);
    EXPECT_TRUE(contains(traced.err, L"begin of function CSySizeImpl::setKBytes(double)  <syxxcsize:")) << narrow(traced.err);
    EXPECT_TRUE(contains(traced.err, L"end of function CSySizeImpl::setKBytes(double)  <syxxcsize:0>"));

    const iastring logFile = m_dir / L"syhost.log";
    const CRun toFile = runSyhost({L"--log", logFile, L"size", L"2", L"KB"});
    EXPECT_EQ(0u, toFile.exitCode);
    EXPECT_TRUE(toFile.err.empty()) << narrow(toFile.err);
    std::ifstream log(toMbstring(logFile).c_str(), std::ios::binary);
    std::ostringstream logged;
    logged << log.rdbuf();
    EXPECT_NE(std::string::npos, logged.str().find("begin of function CSySizeImpl::setKBytes(double)"));

    const CRun quiet = runSyhost({L"--quiet", L"size", L"-5", L"MB"});
    EXPECT_EQ(1u, quiet.exitCode);
    EXPECT_FALSE(contains(quiet.err, L" TRC ")) << narrow(quiet.err);
    EXPECT_TRUE(contains(quiet.err, L" ERR ")) << narrow(quiet.err);

    EXPECT_EQ(2u, runSyhost({L"--log", m_dir / L"no\\such\\dir\\x.log", L"version"}).exitCode);
}

TEST_F(CSyhostTest, ReportsAboutTheLibraryTheSystemAndTime)
{
    const CRun version = runSyhost({L"version"});
    EXPECT_EQ(0u, version.exitCode);
    EXPECT_EQ(0u, version.out.find(L"syslib 1.")) << narrow(version.out);
    EXPECT_TRUE(contains(version.out, L"syslib.dll\ncompatibility level 999\n")) << narrow(version.out);

    const CRun info = runSyhost({L"--quiet", L"info"});
    EXPECT_EQ(0u, info.exitCode);
    EXPECT_EQ(0u, info.out.find(L"operating system      Windows\n")) << narrow(info.out);
    // The 32-bit syhost (the product's width) runs under WOW64 on wine's 64-bit machine.
    EXPECT_TRUE(contains(info.out, sizeof(void*) == 4 ? L"\nprocess               32-bit, under WOW64\n"
                                                      : L"\nprocess               64-bit\n"))
        << narrow(info.out);
    EXPECT_TRUE(contains(info.out, L"\nplatform name         I386 (built for I386, machine AMD64)\n"));
    EXPECT_EQ(sizeof(void*) == 4, contains(runSyhost({L"info"}).err, L"We are running under WOW64!"));

    const CRun support = runSyhost({L"--quiet", L"support-info"});
    EXPECT_EQ(0u, support.exitCode);
    const std::size_t environment = support.err.find(L"Process environment\n");
    const std::size_t variables = support.err.find(L"Environment Variables\n");
    const std::size_t system = support.err.find(L"System information\n");
    EXPECT_NE(iastring::npos, system) << narrow(support.err);
    EXPECT_LT(environment, variables) << narrow(support.err);
    EXPECT_LT(variables, system) << narrow(support.err);

    const CRun epoch = runSyhost({L"time", L"0"});
    EXPECT_EQ(0u, epoch.exitCode);
    EXPECT_EQ(0u, epoch.out.find(L"seconds since 1970  0\nGMT                 1970-01-01 00:00:00 (Thursday, day 001)\n"))
        << narrow(epoch.out);

    const CRun path = runSyhost({L"--quiet", L"path", L"C:\\Temp\\..\\setup.exe"});
    EXPECT_EQ(0u, path.exitCode);
    EXPECT_TRUE(contains(path.out, L"  OS form:    C:\\Temp\\..\\setup.exe\n")) << narrow(path.out);
    EXPECT_TRUE(contains(path.out, L"  canonical path: C:/setup.exe\n")) << narrow(path.out);
}

TEST_F(CSyhostTest, HostsAndServicesCommandsEditTheFileTheyAreGiven)
{
    const iastring hosts = m_dir / L"hosts";
    writeTestFile(hosts, "# kept\r\n127.0.0.1 localhost\r\n10.0.0.1 old\r\n");
    const CRun add = runSyhost({L"--quiet", L"hosts", L"add", L"10.0.0.1", L"app", L"app.example", L"--replace",
                                L"--file", hosts});
    EXPECT_EQ(0u, add.exitCode) << narrow(add.out) << narrow(add.err);
    EXPECT_EQ(L"added 10.0.0.1\tapp app.example\n", add.out);
    const CRun list = runSyhost({L"--quiet", L"hosts", L"list", L"--file", hosts});
    EXPECT_EQ(L"127.0.0.1\tlocalhost\n10.0.0.1\tapp app.example\n", list.out);
    EXPECT_EQ(L"10.0.0.1\tapp app.example\n", runSyhost({L"--quiet", L"hosts", L"get", L"app.example", L"--file", hosts}).out);
    const CRun none = runSyhost({L"--quiet", L"hosts", L"get", L"old", L"--file", hosts});
    EXPECT_EQ(1u, none.exitCode);
    EXPECT_TRUE(none.out.empty());
    const CRun missing = runSyhost({L"--quiet", L"hosts", L"list", L"--file", m_dir / L"nosuch"});
    EXPECT_EQ(1u, missing.exitCode);
    EXPECT_TRUE(contains(missing.err, L"ESyNetworkSystemError")) << narrow(missing.err);

    const iastring services = m_dir / L"services";
    writeTestFile(services, "echo\t7/tcp\nsapdp00\t3200/tcp\n");
    const CRun service = runSyhost({L"--quiet", L"services", L"add", L"sapdp00", L"3201/tcp", L"dp", L"--mode",
                                    L"REPLACE_NAME", L"--file", services});
    EXPECT_EQ(0u, service.exitCode) << narrow(service.out) << narrow(service.err);
    EXPECT_EQ(L"added sapdp00\t3201/tcp\tdp\n", service.out);
    EXPECT_EQ(L"sapdp00\t3201/tcp\tdp\n", runSyhost({L"--quiet", L"services", L"get", L"dp", L"--file", services}).out);
    EXPECT_EQ(L"echo\t7/tcp\n", runSyhost({L"--quiet", L"services", L"get", L"7/tcp", L"--file", services}).out);
    EXPECT_EQ(L"removed sapdp00\t3201/tcp\n",
              runSyhost({L"--quiet", L"services", L"add", L"sapdp00", L"3201/tcp", L"--mode", L"REMOVE", L"--file",
                         services})
                  .out);
    EXPECT_EQ(1u, runSyhost({L"--quiet", L"services", L"get", L"sapdp00", L"--file", services}).exitCode);
}

TEST_F(CSyhostTest, ResolvesNamesAndShowsTheMachinesNetworkIdentity)
{
    const CRun local = runSyhost({L"--quiet", L"resolve", L"localhost"});
    EXPECT_EQ(0u, local.exitCode);
    EXPECT_EQ(0u, local.out.find(L"127.")) << narrow(local.out);
    EXPECT_TRUE(contains(local.out, L"\tlocalhost\n"));
    const CRun broadcast = runSyhost({L"--quiet", L"resolve", L"255.255.255.255"});
    EXPECT_EQ(1u, broadcast.exitCode);
    EXPECT_TRUE(contains(broadcast.err, L"{syslib.network.resolveError}")) << narrow(broadcast.err);

    const CCardTcpipKeys cardKeys;
    const CRun nics = runSyhost({L"--quiet", L"nics"});
    EXPECT_EQ(0u, nics.exitCode);
    EXPECT_EQ(0u, nics.out.find(L"interface 0\n  ")) << narrow(nics.out);
    EXPECT_TRUE(contains(nics.out, L" netmask "));

    // Without a DNS domain (as in the test prefix) the name is still shown, and the reason.
    const CRun name = runSyhost({L"--quiet", L"hostname"});
    EXPECT_EQ(0u, name.out.find(L"host name        ")) << narrow(name.out);
    EXPECT_TRUE(name.exitCode == 0 ? contains(name.out, L"fully qualified  ")
                                   : contains(name.err, L"ESyNetworkGetInfoFailed"))
        << narrow(name.out) << narrow(name.err);
}

TEST_F(CSyhostTest, WhoamiShowsTheTokenAndEnvTheEnvironmentSyhostInherits)
{
    HANDLE token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    const syslib::CSyKernelHandle tokenOwner(token);
    BYTE buffer[512];
    DWORD size = 0;
    ASSERT_TRUE(::GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size));
    syslib::CSyLocalMem<wchar_t*> sidText;
    ASSERT_TRUE(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sidText.receive()));

    const CRun whoami = runSyhost({L"--quiet", L"whoami"});
    EXPECT_EQ(0u, whoami.exitCode);
    EXPECT_EQ(0u, whoami.out.find(L"user " + iastring(sidText.get()))) << narrow(whoami.out);
    const std::size_t administrators = whoami.out.find(L"\ngroup S-1-5-32-544 ");
    const std::size_t privilege = whoami.out.find(L"\nprivilege Se");
    EXPECT_NE(iastring::npos, administrators) << narrow(whoami.out);
    EXPECT_NE(iastring::npos, privilege) << narrow(whoami.out);
    EXPECT_LT(administrators, privilege) << "groups before privileges";

    ASSERT_TRUE(::SetEnvironmentVariableW(L"SYHOST_ENV_PROBE", L"a = b"));
    const CRun env = runSyhost({L"--quiet", L"env"});
    ::SetEnvironmentVariableW(L"SYHOST_ENV_PROBE", nullptr);
    EXPECT_EQ(0u, env.exitCode);
    EXPECT_EQ(0u, env.out.find(L"Process environment\n===================\nEnvironment Variables\n")) << narrow(env.out);
    EXPECT_TRUE(contains(env.out, L"\nSYHOST_ENV_PROBE = a = b\n")) << narrow(env.out);
    EXPECT_TRUE(contains(env.out, L"\nWorking directory: ")) << narrow(env.out);
    EXPECT_FALSE(contains(env.out, L"<Could not")) << narrow(env.out);
}

TEST_F(CSyhostTest, ArgsShowsHowACommandLineSplitsAndJoins)
{
    const CRun run = runSyhost({L"args", L"copy  \"C:\\Program Files\\x\\\\\" a\\\"b \"\""});
    EXPECT_EQ(0u, run.exitCode) << narrow(run.err);
    EXPECT_EQ(L"4 arguments\n[0] \u2039copy\u203a\n[1] \u2039C:\\Program Files\\x\\\u203a\n[2] \u2039a\"b\u203a\n"
              L"[3] \u2039\u203a\njoined: copy \"C:\\Program Files\\x\\\\\" a\\\"b \n",
              run.out);

    const CRun commas = runSyhost({L"args", L"--separators", L", ", L"a,b c"});
    EXPECT_EQ(0u, commas.exitCode);
    EXPECT_EQ(L"3 arguments\n[0] \u2039a\u203a\n[1] \u2039b\u203a\n[2] \u2039c\u203a\njoined: a b c\n", commas.out);

    const CRun none = runSyhost({L"args", L""});
    EXPECT_EQ(L"0 arguments\njoined: \n", none.out);
}

TEST_F(CSyhostTest, ArgsReportsSyntaxErrorsAndBadUse)
{
    const CRun unmatched = runSyhost({L"args", L"a \"b"});
    EXPECT_EQ(1u, unmatched.exitCode);
    EXPECT_TRUE(unmatched.out.empty()) << narrow(unmatched.out);
    EXPECT_TRUE(contains(unmatched.err, L"EUnmatchedDoubleQuote: Unmatched double quote\n")) << narrow(unmatched.err);

    const CRun quoteSeparator = runSyhost({L"args", L"--separators", L"\"", L"a"});
    EXPECT_EQ(1u, quoteSeparator.exitCode);
    EXPECT_TRUE(contains(quoteSeparator.err, L"ESyPrecondition")) << narrow(quoteSeparator.err);
    EXPECT_TRUE(contains(quoteSeparator.err, L"The argument separators '\"' are not valid")) << narrow(quoteSeparator.err);

    for (const std::vector<iastring>& arguments :
         {std::vector<iastring>{L"args"}, {L"args", L"a", L"b"}, {L"args", L"--separators"},
          {L"args", L"--separators", L","}})
    {
        const CRun usage = runSyhost(arguments);
        EXPECT_EQ(2u, usage.exitCode);
        EXPECT_TRUE(contains(usage.err, L"usage: syhost args [--separators S] \"COMMAND LINE\"")) << narrow(usage.err);
    }
}

TEST_F(CSyhostTest, RunPassesAProgramsOutputThroughAndEndsWithItsExitCode)
{
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"work").c_str(), nullptr));
    const CRun echo = runSyhost({L"--quiet", L"run", L"--env", L"SYHOST_RUN=set by run", L"--cwd", m_dir / L"work",
                                 L"--", L"cmd", L"/c", L"echo %SYHOST_RUN%& cd& exit 3"});
    EXPECT_EQ(0u, echo.exitCode) << narrow(echo.err);
    EXPECT_EQ(L"set by run\n" + (m_dir / L"work") + L"\nexit code 3\n", echo.out);

    const CRun missing = runSyhost({L"--quiet", L"run", L"--", m_dir / L"no-such-program.exe"});
    EXPECT_EQ(1u, missing.exitCode);
    EXPECT_TRUE(contains(missing.err, L"CreateProcess")) << narrow(missing.err);

    for (const std::vector<iastring>& arguments :
         {std::vector<iastring>{L"run"}, {L"run", L"--"}, {L"run", L"--cwd"}, {L"run", L"--priority", L"high", L"--", L"x"},
          {L"run", L"--env", L"NOVALUE", L"--", L"x"}, {L"run", L"--bogus", L"1", L"--", L"x"}})
    {
        const CRun usage = runSyhost(arguments);
        EXPECT_EQ(2u, usage.exitCode);
        EXPECT_TRUE(contains(usage.err, L"usage: syhost run [--cwd DIR]")) << narrow(usage.err);
    }
}

TEST_F(CSyhostTest, RunAsAnotherUserLogsItOnWithThePasswordFromStandardInput)
{
    clearStandInAccounts();
    addStandInUser(L"runner", L"Run-as-pw1");
    const CRun asRunner =
        runSyhost({L"run", L"--user", L"runner", L"--password-stdin", L"--", L"cmd", L"/c", L"exit 5"}, "Run-as-pw1\n");
    EXPECT_EQ(0u, asRunner.exitCode) << narrow(asRunner.err);
    EXPECT_EQ(L"exit code 5\n", asRunner.out);
    EXPECT_TRUE(contains(asRunner.err, L"The process now runs as user runner.")) << narrow(asRunner.err);
    EXPECT_TRUE(contains(asRunner.err, L"Target user and process user are identical => user switch-back."));
    EXPECT_FALSE(contains(asRunner.err, L"Run-as-pw1")) << "the whole log, traces included";

    const CRun wrong =
        runSyhost({L"run", L"--user", L"runner", L"--password-stdin", L"--", L"cmd", L"/c", L"exit 5"}, "nope\n");
    EXPECT_EQ(1u, wrong.exitCode);
    EXPECT_TRUE(contains(wrong.err, L"LogonUser")) << narrow(wrong.err);
    EXPECT_FALSE(contains(wrong.out, L"exit code")) << narrow(wrong.out);

    for (const std::vector<iastring>& arguments : {std::vector<iastring>{L"run", L"--user", L"runner", L"--", L"x"},
                                                   {L"run", L"--password-stdin", L"--", L"x"},
                                                   {L"run", L"--user", L"", L"--password-stdin", L"--", L"x"}})
        EXPECT_EQ(2u, runSyhost(arguments).exitCode);
    clearStandInAccounts();
}

TEST_F(CSyhostTest, AccountShowsKindNameDomainAndSidOfAUserMadeByAnotherProcessAndFailsForNobody)
{
    clearStandInAccounts();
    addStandInUser(L"alice", L"pw");
    const iastring domain = standins::computerName();
    const CRun byName = runSyhost({L"--quiet", L"account", L"ALICE"});
    EXPECT_EQ(0u, byName.exitCode) << narrow(byName.out) << narrow(byName.err);
    const iastring::size_type sidAt = byName.out.find(L"sid\tS-1-5-21-");
    ASSERT_NE(iastring::npos, sidAt) << narrow(byName.out);
    const iastring sid = byName.out.substr(sidAt + 4, byName.out.find(L'\n', sidAt) - sidAt - 4);
    EXPECT_EQ(L"kind\tLOCALUSER\nname\talice\ndomain\t" + domain + L"\nsid\t" + sid + L"\n", byName.out);
    EXPECT_EQ(byName.out, runSyhost({L"--quiet", L"account", sid}).out);

    const CRun admins = runSyhost({L"--quiet", L"account", L"S-1-5-32-544"});
    EXPECT_EQ(0u, admins.exitCode);
    EXPECT_TRUE(contains(admins.out, L"kind\tLOCALGROUP\nname\tAdministrators\n")) << narrow(admins.out);

    const CRun nobody = runSyhost({L"--quiet", L"account", L"nobody"});
    EXPECT_EQ(1u, nobody.exitCode);
    EXPECT_TRUE(contains(nobody.err, L"ESyAccount")) << narrow(nobody.err);
    EXPECT_TRUE(nobody.err.find(L"nobody") != iastring::npos) << narrow(nobody.err);
    clearStandInAccounts();
}

TEST_F(CSyhostTest, UsersAndGroupsAreManagedWithPasswordsReadFromStandardInputOnly)
{
    clearStandInAccounts();
    const std::string secret = "Sy-h0st-pw\n";
    const iastring home = m_dir / L"home\\svc";
    const CRun add = runSyhost({L"user", L"add", L"svc1", L"--description", L"the service", L"--home", home,
                                L"--password-stdin"},
                               secret);
    EXPECT_EQ(0u, add.exitCode) << narrow(add.out) << narrow(add.err);
    EXPECT_EQ(0u, add.out.find(L"created\tsvc1\tS-1-5-21-")) << narrow(add.out);
    EXPECT_FALSE(contains(add.err, L"Sy-h0st-pw")) << "the whole log, traces included";

    const CRun group = runSyhost({L"--quiet", L"group", L"add", L"Svcs", L"--description", L"services"});
    EXPECT_EQ(0u, group.exitCode) << narrow(group.err);
    EXPECT_EQ(0u, runSyhost({L"--quiet", L"group", L"add-member", L"Svcs", L"svc1"}).exitCode);
    const CRun members = runSyhost({L"--quiet", L"group", L"members", L"svcs"});
    EXPECT_EQ(0u, members.out.find(L"svc1\tuser\tS-1-5-21-")) << narrow(members.out);
    // A group given before the name takes one value: the name stays the user's.
    const CRun joined =
        runSyhost({L"--quiet", L"user", L"add", L"--group", L"Svcs", L"svc2", L"--password-stdin"}, secret);
    EXPECT_EQ(0u, joined.exitCode) << narrow(joined.err);
    EXPECT_TRUE(contains(runSyhost({L"--quiet", L"group", L"members", L"Svcs"}).out, L"svc2\tuser\tS-1-5-21-"));
    EXPECT_EQ(0u, runSyhost({L"--quiet", L"user", L"delete", L"svc2"}).exitCode);

    const CRun get = runSyhost({L"--quiet", L"user", L"get", L"SVC1"});
    EXPECT_EQ(0u, get.exitCode) << narrow(get.err);
    EXPECT_TRUE(contains(get.out, L"\ndescription\tthe service\nhome\t" + home + L"\npassword\tset\ngroup\tSvcs\n"))
        << narrow(get.out);

    EXPECT_EQ(0u, runSyhost({L"--quiet", L"user", L"check", L"svc1", L"--password-stdin"}, secret).exitCode);
    const CRun wrong = runSyhost({L"--quiet", L"user", L"check", L"svc1", L"--password-stdin"}, "nope\n");
    EXPECT_EQ(1u, wrong.exitCode);
    EXPECT_EQ(L"password is wrong\n", wrong.out);
    EXPECT_EQ(0u, runSyhost({L"--quiet", L"user", L"passwd", L"svc1", L"--password-stdin"}, "n3w\r\n").exitCode);
    EXPECT_EQ(0u, runSyhost({L"--quiet", L"user", L"check", L"svc1", L"--password-stdin"}, "n3w\n").exitCode);

    EXPECT_EQ(L"svc1\tuser\t", runSyhost({L"--quiet", L"user", L"list", L"svc*"}).out.substr(0, 10));
    EXPECT_EQ(L"", runSyhost({L"--quiet", L"user", L"list", L"nobody*"}).out);
    EXPECT_EQ(0u, runSyhost({L"--quiet", L"group", L"list"}).out.find(L"Svcs\tgroup\t"));

    // A password on the command line, a missing name or an unknown option is a usage error.
    for (const std::vector<iastring>& bad : {std::vector<iastring>{L"user", L"add", L"x", L"secret"},
                                             std::vector<iastring>{L"user", L"add", L"x"},
                                             std::vector<iastring>{L"user", L"get"},
                                             std::vector<iastring>{L"group", L"add", L"g", L"--password-stdin"},
                                             std::vector<iastring>{L"user", L"get", L"x", L"--bogus"}})
    {
        const CRun usage = runSyhost(bad);
        EXPECT_EQ(2u, usage.exitCode) << narrow(bad[1]);
        EXPECT_TRUE(contains(usage.err, L"usage: syhost ")) << narrow(usage.err);
    }

    EXPECT_EQ(0u, runSyhost({L"--quiet", L"group", L"remove-member", L"Svcs", L"svc1"}).exitCode);
    const CRun again = runSyhost({L"--quiet", L"group", L"remove-member", L"Svcs", L"svc1"});
    EXPECT_EQ(1u, again.exitCode) << "not a member any more";
    EXPECT_EQ(0u, runSyhost({L"--quiet", L"user", L"delete", L"svc1", L"--remove-home"}).exitCode);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(home.c_str()));
    EXPECT_EQ(1u, runSyhost({L"--quiet", L"user", L"get", L"svc1"}).exitCode);
    EXPECT_EQ(0u, runSyhost({L"--quiet", L"group", L"delete", L"Svcs"}).exitCode);
    clearStandInAccounts();
}

TEST_F(CSyhostTest, MountsDfAndDirsShowTheVolumesAndDirectoriesAsTheSystemReportsThem)
{
    const CRun mounts = runSyhost({L"--quiet", L"mounts"});
    EXPECT_EQ(0u, mounts.exitCode) << narrow(mounts.out);
    EXPECT_EQ(0u, mounts.out.find(L"mount point\ttype\toptions\tused\tfree\tavailable\tname\n")) << narrow(mounts.out);
    EXPECT_TRUE(contains(mounts.out, L"\nC:\\\tLOCAL\t(READ|WRITE|PERMANENT)\t")) << "the system's form: "
                                                                                  << narrow(mounts.out);

    const CRun df = runSyhost({L"--quiet", L"df", m_dir.path()});
    EXPECT_EQ(0u, df.exitCode) << narrow(df.out);
    wchar_t volume[1024] = {0};
    ASSERT_TRUE(::GetVolumeNameForVolumeMountPointW(m_dir.path().substr(0, 3).c_str(), volume, 1024));
    EXPECT_EQ(0u, df.out.find(L"mount point  " + m_dir.path().substr(0, 3) + L"\nname         " + volume +
                              L"\ntype         LOCAL\n"))
        << narrow(df.out);
    for (const wchar_t* line : {L"\nmounted      yes\n", L"\nused         ", L"\nfree         ", L"\navailable    "})
        EXPECT_TRUE(contains(df.out, line)) << narrow(df.out);

    const DWORD drives = ::GetLogicalDrives();
    wchar_t letter = L'Y';
    while (drives & (1u << (letter - L'A')))
        --letter;
    const CRun nowhere = runSyhost({L"--quiet", L"df", iastring(1, letter) + L":\\x"});
    EXPECT_EQ(1u, nowhere.exitCode);
    EXPECT_TRUE(contains(nowhere.err, L"ESyFileNotFound")) << narrow(nowhere.err);

    wchar_t system[MAX_PATH] = {0};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const iastring systemText(system);
    const CRun dirs = runSyhost({L"--quiet", L"dirs"});
    EXPECT_EQ(0u, dirs.exitCode);
    EXPECT_EQ(0u, dirs.out.find(L"WINDOWS\t")) << narrow(dirs.out);
    EXPECT_TRUE(contains(dirs.out, L"\nSYSTEM\t" + systemText + L"\n")) << narrow(dirs.out);
}

TEST_F(CSyhostTest, RestartArrangesTheLogonAndTheStandInRecordsTheRequest)
{
    const logonstate::CGuard putBack;
    standins::clearSecrets();
    const std::string password = "Pw-syhost-91c2";
    wchar_t user[UNLEN + 1] = {0};
    DWORD length = UNLEN + 1;
    ASSERT_TRUE(::GetUserNameW(user, &length));
    const std::vector<iastring> arguments = {L"restart", L"--command", L"resume.exe /phase 2", L"--user", user,
                                             L"--password-stdin", L"--logoff"};

    // A dry run says what would be written, the password masked, and changes nothing.
    const std::map<iastring, iastring> before = logonstate::snapshot();
    std::vector<iastring> dryArguments = arguments;
    dryArguments.push_back(L"--dry-run");
    const CRun dry = runSyhost(dryArguments, password + "\n");
    EXPECT_EQ(0u, dry.exitCode) << narrow(dry.err);
    EXPECT_EQ(0u, dry.out.find(L"dry run: nothing is written and nothing logs off\n")) << narrow(dry.out);
    EXPECT_TRUE(contains(dry.out, L"would store the LSA secret DefaultPassword = ********\n")) << narrow(dry.out);
    EXPECT_EQ(before, logonstate::snapshot());
    EXPECT_TRUE(standins::shutdownRequests().empty());
    EXPECT_FALSE(contains(dry.out + dry.err, toIastring(password)));

    const CRun logoff = runSyhost(arguments, password + "\r\n");
    EXPECT_EQ(0u, logoff.exitCode) << narrow(logoff.out) << narrow(logoff.err);
    EXPECT_TRUE(contains(logoff.out, L"logoff requested; " + iastring(user) + L" logs on next\n")) << narrow(logoff.out);
    EXPECT_TRUE(contains(logoff.out, L"test build: the shutdown stand-in recorded the request (flags 0x00000010, "
                                     L"reason 0x80040002); nothing restarts\n"))
        << narrow(logoff.out);
    // Every value the dry run named is what the restart wrote.
    std::wistringstream lines(dry.out);
    std::size_t named = 0;
    for (iastring line; std::getline(lines, line);)
    {
        const std::size_t colon = line.find(L": ");
        const std::size_t equals = line.find(L" = ");
        if (line.compare(0, 12, L"would write ") != 0 || colon == iastring::npos || equals == iastring::npos)
            continue;
        const iastring key = line.substr(12 + 19, colon - 12 - 19); // after "HKEY_LOCAL_MACHINE\"
        const iastring name = line.substr(colon + 2, equals - colon - 2);
        const iastring value = line.substr(equals + 3);
        const iastring written = logonstate::read(key.c_str(), name.c_str());
        EXPECT_TRUE(written == value || written == L"dword:" + value) << narrow(line) << " / " << narrow(written);
        ++named;
    }
    EXPECT_EQ(6u, named) << narrow(dry.out);
    std::wstring secret;
    EXPECT_TRUE(standins::storedSecret(L"DefaultPassword", secret));
    EXPECT_EQ(toIastring(password), secret);
    EXPECT_EQ(logonstate::none, logonstate::read(logonstate::winlogonKey, L"DefaultPassword"));
    EXPECT_FALSE(contains(logoff.out + logoff.err, toIastring(password))) << "the password is never printed";

    logonstate::remove(logonstate::runOnceKey, logonstate::restartValue);
    const std::map<iastring, iastring> arranged = logonstate::snapshot();
    const CRun reboot = runSyhost({L"--quiet", L"restart"});
    EXPECT_EQ(0u, reboot.exitCode) << narrow(reboot.out);
    EXPECT_EQ(L"restart requested\ntest build: the shutdown stand-in recorded the request (flags 0x00000012, "
              L"reason 0x80040002); nothing restarts\n",
              reboot.out);
    EXPECT_EQ(arranged, logonstate::snapshot()) << "without a password the logon stays as it was";

    // Each usage error says what is wrong.
    const struct
    {
        std::vector<iastring> arguments;
        const wchar_t* reason;
    } usage[] = {{{L"restart", L"--user", user, L"--password-stdin"}, L"only --logoff can switch to another user"},
                 {{L"restart", L"--logoff", L"--password-stdin"}, L"needs the --user who logs on with it"},
                 {{L"restart", L"--logoff", L"--user", user}, L"--user needs --password-stdin"},
                 {{L"restart", L"--command"}, L"--command: 1 required"},
                 {{L"restart", L"--now"}, L"not expected: --now"}};
    for (const auto& c : usage)
    {
        const CRun run = runSyhost(c.arguments, password + "\n");
        EXPECT_EQ(2u, run.exitCode);
        EXPECT_TRUE(contains(run.err, L"syhost restart: ")) << narrow(run.err);
        EXPECT_TRUE(contains(run.err, c.reason)) << narrow(run.err);
    }
    const CRun empty = runSyhost({L"restart", L"--password-stdin"}, "\n");
    EXPECT_EQ(2u, empty.exitCode);
    EXPECT_TRUE(contains(empty.err, L"found no password")) << narrow(empty.err);
    standins::clearShutdownRequests();
    standins::clearSecrets();
}

TEST_F(CSyhostTest, AclCommandsShowAndChangeTheRightsOfADirectory)
{
    clearStandInSecurity();
    const iastring directory = m_dir / L"data";
    ASSERT_TRUE(::CreateDirectoryW(directory.c_str(), nullptr));
    const CRun set = runSyhost({L"--quiet", L"acl", L"set", directory, L"(S-1-5-32-545, GROUP, +rw, OBJECT_INHERIT_ACE)"});
    EXPECT_EQ(0u, set.exitCode) << narrow(set.out) << narrow(set.err);
    // icacls shows accounts by name: each entry names its account, the SID beside it.
    const iastring entries = set.out.substr(set.out.find(L"\n", set.out.find(L"group\t")) + 1);
    EXPECT_EQ(L"(Users, GROUP, +rw, OBJECT_INHERIT_ACE)\tS-1-5-32-545\n", entries);
    EXPECT_EQ(0u, set.out.find(L"owner\t")) << narrow(set.out);
    EXPECT_TRUE(contains(set.out.substr(0, set.out.find(L'\n')), L"\tS-1-")) << narrow(set.out);

    EXPECT_EQ(0u, runSyhost({L"--quiet", L"acl", L"add", directory, L"(S-1-1-0, GROUP, +!w)"}).exitCode);
    const CRun get = runSyhost({L"--quiet", L"acl", L"get", directory});
    EXPECT_EQ(0u, get.exitCode);
    EXPECT_TRUE(contains(get.out, L"\n(Everyone, GROUP, +!w)\tS-1-1-0\n(Users, GROUP, +rw, OBJECT_INHERIT_ACE)\tS-1-5-32-545\n"))
        << "deny first: " << narrow(get.out);

    EXPECT_EQ(0u, runSyhost({L"--quiet", L"acl", L"remove", directory, L"(S-1-5-32-545, GROUP, -)"}).exitCode);
    const CRun removed = runSyhost({L"--quiet", L"acl", L"get", directory});
    EXPECT_FALSE(contains(removed.out, L"S-1-5-32-545")) << narrow(removed.out);
    EXPECT_TRUE(contains(removed.out, L"(Everyone, GROUP, +!w)\tS-1-1-0\n")) << narrow(removed.out);

    const CRun unknown = runSyhost({L"--quiet", L"acl", L"add", directory, L"(nobody, USER, +r)"});
    EXPECT_EQ(1u, unknown.exitCode);
    EXPECT_EQ(removed.out, runSyhost({L"--quiet", L"acl", L"get", directory}).out) << "nothing changed";
    EXPECT_EQ(2u, runSyhost({L"acl", L"set", directory}).exitCode);
    EXPECT_EQ(2u, runSyhost({L"acl", L"get"}).exitCode);
    EXPECT_EQ(2u, runSyhost({L"acl", L"get", directory, L"--sdl"}).exitCode);
    clearStandInSecurity();
}

TEST_F(CSyhostTest, AclGetSddlShowsTheDescriptorHeldAndModifyIsNoFullControl)
{
    clearStandInSecurity();
    const iastring directory = m_dir / L"svcwrite";
    ASSERT_TRUE(::CreateDirectoryW(directory.c_str(), nullptr));
    const CRun set = runSyhost({L"--quiet", L"acl", L"set", directory,
                                L"(Users, GROUP, +rx | FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | "
                                L"FILE_WRITE_ATTRIBUTES | DELETE)"});
    ASSERT_EQ(0u, set.exitCode) << narrow(set.err);
    EXPECT_EQ(0u, runSyhost({L"--quiet", L"acl", L"add", directory, L"(Everyone, GROUP, +r, OBJECT_INHERIT_ACE)"})
                      .exitCode);
    const CRun sddl = runSyhost({L"--quiet", L"acl", L"get", directory, L"--sddl"});
    EXPECT_EQ(0u, sddl.exitCode);
    EXPECT_EQ(0u, sddl.out.find(L"O:S-1-")) << narrow(sddl.out);
    EXPECT_TRUE(contains(sddl.out, L"G:")) << narrow(sddl.out);
    const iastring dacl = L"D:AI(A;;0x1301bf;;;BU)(A;OI;FR;;;WD)\n";
    EXPECT_EQ(sddl.out.size() - dacl.size(), sddl.out.find(dacl)) << "Modify stays Modify: " << narrow(sddl.out);
    EXPECT_EQ(1, std::count(sddl.out.begin(), sddl.out.end(), L'\n')) << "one line";
    clearStandInSecurity();
}

TEST_F(CSyhostTest, ShareCommandsAddListShowAndDeleteAShare)
{
    standins::deleteMachineKey(standins::sharesKey);
    const iastring directory = m_dir / L"public";
    ASSERT_TRUE(::CreateDirectoryW(directory.c_str(), nullptr));
    const CRun add = runSyhost({L"--quiet", L"share", L"add", L"VxPublic", directory, L"--acl",
                                L"(S-1-5-32-545, GROUP, +r)", L"--remark", L"setup data"});
    EXPECT_EQ(0u, add.exitCode) << narrow(add.out) << narrow(add.err);
    EXPECT_EQ(0u, add.out.find(L"VxPublic\t")) << narrow(add.out);
    EXPECT_TRUE(contains(add.out, L"\tsetup data\n"));

    const CRun list = runSyhost({L"--quiet", L"share", L"list"});
    EXPECT_EQ(add.out, list.out) << "only disk shares: " << narrow(list.out);
    const CRun get = runSyhost({L"--quiet", L"share", L"get", L"vxpublic"});
    EXPECT_EQ(add.out + L"in use\tno\nrights\t(Users, GROUP, +r)\tS-1-5-32-545\n", get.out);
    EXPECT_EQ(L"D:(A;;FR;;;BU)\n", runSyhost({L"--quiet", L"share", L"get", L"VxPublic", L"--sddl"}).out);

    const CRun twice = runSyhost({L"--quiet", L"share", L"add", L"VxPublic", directory});
    EXPECT_EQ(1u, twice.exitCode);
    EXPECT_TRUE(contains(twice.err, L"{syslib.filesystem.shareAlreadyShared}")) << narrow(twice.err);
    const CRun missing = runSyhost({L"--quiet", L"share", L"add", L"VxMissing", m_dir / L"missing"});
    EXPECT_EQ(1u, missing.exitCode);
    EXPECT_TRUE(contains(missing.err, L"{syslib.filesystem.shareErrorSharing}")) << narrow(missing.err);

    EXPECT_EQ(0u, runSyhost({L"--quiet", L"share", L"delete", L"VxPublic"}).exitCode);
    const CRun gone = runSyhost({L"--quiet", L"share", L"get", L"VxPublic"});
    EXPECT_EQ(1u, gone.exitCode);
    EXPECT_TRUE(contains(gone.err, L"{syslib.filesystem.shareDoesNotExist}")) << narrow(gone.err);
    EXPECT_EQ(L"", runSyhost({L"--quiet", L"share", L"list"}).out);

    for (const std::vector<iastring>& usage : {std::vector<iastring>{L"share"}, {L"share", L"add", L"X"},
                                               {L"share", L"add", L"X", L"C:\\", L"--acl"}, {L"share", L"get"},
                                               {L"share", L"get", L"X", L"--sdl"}})
    {
        const CRun run = runSyhost(usage);
        EXPECT_EQ(2u, run.exitCode);
        EXPECT_TRUE(contains(run.err, L"usage: syhost share list")) << narrow(run.err);
    }
}

// The README's example of a service user, command by command, as an operator runs it (in the i686 tree: the
// 32-bit syhost and DLL under WOW64, as they ship).
TEST_F(CSyhostTest, TheReadmesServiceUserExampleRunsEndToEnd)
{
    clearStandInAccounts();
    clearStandInSecurity();
    standins::deleteMachineKey(standins::sharesKey);
    const std::string secret = "Svc-Vx-9pw\n";
    const iastring directory = m_dir / L"svcdata";
    ASSERT_TRUE(::CreateDirectoryW(directory.c_str(), nullptr));

    const CRun add = runSyhost(
        {L"user", L"add", L"svcvantix", L"--description", L"Vantix service", L"--password-stdin"}, secret);
    ASSERT_EQ(0u, add.exitCode) << narrow(add.out) << narrow(add.err);
    const std::size_t sidAt = add.out.find(L"S-1-5-21-");
    const iastring sid = add.out.substr(sidAt, add.out.find(L'\n') - sidAt);
    std::vector<CRun> runs = {add};
    runs.push_back(runSyhost({L"--quiet", L"acl", L"add", directory, L"(svcvantix, USER, +rw)"}));
    runs.push_back(runSyhost({L"--quiet", L"acl", L"get", directory}));
    EXPECT_TRUE(contains(runs.back().out, L"\n(svcvantix, USER, +rw)\t" + sid + L"\n")) << narrow(runs.back().out);
    runs.push_back(
        runSyhost({L"--quiet", L"share", L"add", L"SVCDATA", directory, L"--acl", L"(svcvantix, USER, +r)"}));
    runs.push_back(runSyhost({L"--quiet", L"share", L"get", L"SVCDATA"}));
    EXPECT_TRUE(contains(runs.back().out, L"\nrights\t(svcvantix, USER, +r)\t" + sid + L"\n")) << narrow(runs.back().out);
    runs.push_back(runSyhost({L"--quiet", L"share", L"delete", L"SVCDATA"}));
    runs.push_back(runSyhost({L"--quiet", L"user", L"delete", L"svcvantix"}));
    for (const CRun& run : runs)
    {
        EXPECT_EQ(0u, run.exitCode) << narrow(run.out) << narrow(run.err);
        EXPECT_FALSE(contains(run.out + run.err, L"Svc-Vx-9pw"));
    }
    EXPECT_EQ(1u, runSyhost({L"--quiet", L"account", L"svcvantix"}).exitCode) << "the user is gone";
    EXPECT_EQ(L"", runSyhost({L"--quiet", L"share", L"list"}).out) << "and the share";
    clearStandInSecurity();
}

TEST_F(CSyhostTest, EveryCommandHasAHelpOfItsOwnWithItsArgumentsAndAnExample)
{
    const std::vector<iastring> commands = helpCommands(runSyhost({L"--help"}).out);
    ASSERT_GE(commands.size(), 12u);
    for (const iastring& command : commands)
    {
        const CRun help = runSyhost({command, L"--help"});
        EXPECT_EQ(0u, help.exitCode) << narrow(command) << narrow(help.err);
        EXPECT_EQ(0u, help.out.find(L"usage: syhost " + command)) << narrow(help.out);
        EXPECT_TRUE(contains(help.out, L"\n  -h,--help ")) << narrow(help.out);
        const std::size_t example = help.out.find(L"\nexample:\n  ");
        ASSERT_NE(iastring::npos, example) << narrow(help.out);
        const iastring line = help.out.substr(example + 12, help.out.find(L'\n', example + 12) - example - 12);
        EXPECT_TRUE(contains(line, L"syhost ") && contains(line + L" ", L" " + command + L" ")) << narrow(line);
        EXPECT_TRUE(help.err.empty()) << narrow(help.err);
    }
    // A verb's help: its own arguments under the command's synopsis.
    const CRun verb = runSyhost({L"acl", L"get", L"--help"});
    EXPECT_EQ(0u, verb.exitCode);
    EXPECT_TRUE(contains(verb.out, L"\nget: ")) << narrow(verb.out);
    EXPECT_TRUE(contains(verb.out, L"--sddl")) << narrow(verb.out);
    EXPECT_FALSE(contains(verb.out, L"\n  --compatibility")) << "parse's option is not get's: " << narrow(verb.out);
}

TEST_F(CSyhostTest, UsageErrorsSayWhichArgumentIsWrongAndWhy)
{
    const struct
    {
        std::vector<iastring> arguments;
        const wchar_t* reason;
    } cases[] = {
        {{L"copy", L"a"}, L"syhost copy: target is required"},
        {{L"copy", L"a", L"b", L"--mode", L"SOMETIMES"}, L"unknown mode SOMETIMES; the modes are MISSING, EXISTING"},
        {{L"size", L"1", L"GB"}, L"GB not in {B,KB,MB}"},
        {{L"time", L"99999999999999999999"}, L"a whole number of 64 bits"},
        {{L"services", L"add", L"x", L"0/tcp"}, L"a port of 1 to 65535"},
        {{L"services", L"add", L"x", L"80/"}, L"a port of 1 to 65535"},
        {{L"services", L"add", L"x", L"80tcp"}, L"a port of 1 to 65535"},
        {{L"services", L"add", L"x", L"000080/tcp"}, L"a port of 1 to 65535"},
        {{L"run", L"--env", L"NOVALUE", L"--", L"x"}, L"NAME=VALUE"},
        {{L"run", L"--user", L"x", L"--", L"y"}, L"--user requires --password-stdin"},
        {{L"account", L""}, L"must not be empty"},
        {{L"info", L"extra"}, L"not expected: extra"},
        {{L"--override", L"os-width=64", L"info"}, L"NAME one of os-fa-name, os-bits, host-name"},
        {{L"--override", L"host-name=", L"hostname"}, L"the value is empty"},
    };
    for (const auto& c : cases)
    {
        const CRun run = runSyhost(c.arguments);
        EXPECT_EQ(2u, run.exitCode) << narrow(c.arguments[0]);
        EXPECT_TRUE(contains(run.err, c.reason)) << narrow(run.err);
        EXPECT_TRUE(run.out.empty()) << narrow(run.out);
    }
}

// --json: one document on standard output, with stable keys, for every command; the text is rendered from it.
TEST_F(CSyhostTest, EveryCommandAnswersInJsonWithTheSameFactsAsItsText)
{
    clearStandInAccounts();
    addStandInUser(L"jsonuser", L"Js-pw-1");
    standins::deleteMachineKey(standins::sharesKey);
    const CCardTcpipKeys cardKeys;
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"src").c_str(), nullptr));
    writeTestFile(m_dir / L"src\\дом.txt", "12345");
    writeTestFile(m_dir / L"hosts", "127.0.0.1 localhost\r\n");
    writeTestFile(m_dir / L"services", "echo\t7/tcp\n");
    const iastring file = m_dir / L"src\\дом.txt";

    // hostname fails where the prefix has no DNS domain; its document still holds the name.
    const DWORD anyExit = 0xFFFF;
    const struct
    {
        std::vector<iastring> arguments;
        const char* key; // present in the document
        DWORD exitCode;
    } cases[] = {
        {{L"account", L"jsonuser"}, "sid", 0},
        {{L"acl", L"get", m_dir / L"src"}, "entries", 0},
        {{L"args", L"a \"b c\""}, "arguments", 0},
        {{L"copy", file, m_dir / L"copy.txt"}, "done", 0},
        {{L"df", m_dir.path()}, "mountPoint", 0},
        {{L"dirs"}, "SYSTEM", 0},
        {{L"du", m_dir / L"src"}, "bytes", 0},
        {{L"env"}, "lines", 0},
        {{L"group", L"list"}, "accounts", 0},
        {{L"hostname"}, "hostName", anyExit},
        {{L"hosts", L"list", L"--file", m_dir / L"hosts"}, "entries", 0},
        {{L"info"}, "platformName", 0},
        {{L"ls", m_dir / L"src"}, "entries", 0},
        {{L"mounts"}, "mounts", 0},
        {{L"mv", m_dir / L"copy.txt", m_dir / L"moved.txt"}, "done", 0},
        {{L"nics"}, "interfaces", 0},
        {{L"path", L"C:\\Temp\\..\\x"}, "paths", 0},
        {{L"resolve", L"localhost"}, "addresses", 0},
        {{L"restart", L"--dry-run"}, "writes", 0},
        {{L"rm", m_dir / L"moved.txt"}, "removed", 0},
        {{L"run", L"--", L"cmd", L"/c", L"echo out& exit 4"}, "exitCode", 0},
        {{L"services", L"get", L"echo", L"--file", m_dir / L"services"}, "entry", 0},
        {{L"share", L"list"}, "shares", 0},
        {{L"size", L"3", L"KB"}, "bytes", 0},
        {{L"support-info"}, "written", 0},
        {{L"time", L"0"}, "GMT", 0},
        {{L"tree-copy", m_dir / L"src", m_dir / L"tree"}, "progress", 0},
        {{L"user", L"get", L"jsonuser"}, "groups", 0},
        {{L"version"}, "compatibility", 0},
        {{L"whoami"}, "privileges", 0},
    };
    std::set<iastring> covered;
    for (const auto& c : cases)
    {
        std::vector<iastring> arguments = {L"--json", L"--quiet"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CRun run = runSyhost(arguments);
        if (c.exitCode != anyExit)
        {
            EXPECT_EQ(c.exitCode, run.exitCode) << narrow(c.arguments[0]) << narrow(run.err);
        }
        const nlohmann::ordered_json result = document(run);
        EXPECT_TRUE(result.is_object() && result.contains(c.key)) << narrow(c.arguments[0]) << ": " << narrow(run.out);
        EXPECT_EQ(run.exitCode != 0, result.contains("error")) << narrow(run.out);
        covered.insert(c.arguments[0]);
    }
    const std::vector<iastring> commands = helpCommands(runSyhost({L"--help"}).out);
    EXPECT_EQ(std::set<iastring>(commands.begin(), commands.end()), covered) << "a command without a --json case";

    // The same facts as the text: paths in the system's form, the output the program wrote.
    const nlohmann::ordered_json copy = document(runSyhost({L"--json", L"--quiet", L"copy", file, m_dir / L"c2.txt"}));
    EXPECT_EQ(file, jsonText(copy["source"]));
    EXPECT_EQ(m_dir / L"c2.txt", jsonText(copy["target"]));
    EXPECT_EQ(L"MISSING|IF_NEWER|IF_HIGHER_VERSION", jsonText(copy["mode"]));
    const nlohmann::ordered_json run =
        document(runSyhost({L"--json", L"--quiet", L"run", L"--", L"cmd", L"/c", L"echo out& exit 4"}));
    EXPECT_EQ(nlohmann::ordered_json::array({"out"}), run["output"]);
    EXPECT_EQ(4, run["exitCode"].get<int>());
    const nlohmann::ordered_json listing = document(runSyhost({L"--json", L"--quiet", L"ls", m_dir / L"src"}));
    ASSERT_EQ(1u, listing["entries"].size());
    EXPECT_EQ(L"дом.txt", jsonText(listing["entries"][0]["name"]));
    EXPECT_EQ(5.0, listing["entries"][0]["bytes"].get<double>());
    EXPECT_EQ(m_dir / L"src", jsonText(listing["directory"]));
    clearStandInAccounts();
}

TEST_F(CSyhostTest, ErrorsInJsonNameTheClassTheLoggedKeyAndTheTextWithTheSameExitCodes)
{
    const CRun missing = runSyhost({L"--json", L"--quiet", L"ls", m_dir / L"missing"});
    EXPECT_EQ(1u, missing.exitCode);
    const nlohmann::ordered_json failure = document(missing)["error"];
    EXPECT_EQ("ESyFileNotFound", failure["class"]);
    EXPECT_EQ("syslib.filesystem.nodeDoesNotExist", failure["key"]);
    EXPECT_TRUE(contains(jsonText(failure["text"]), L"does not exist.")) << narrow(missing.out);
    EXPECT_TRUE(contains(missing.err, L"ESyFileNotFound: ")) << "and for a person on standard error";

    const CRun usage = runSyhost({L"--json", L"copy", L"a"});
    EXPECT_EQ(2u, usage.exitCode);
    const nlohmann::ordered_json wrong = document(usage)["error"];
    EXPECT_EQ("UsageError", wrong["class"]);
    EXPECT_TRUE(wrong["key"].is_null());
    EXPECT_EQ("target is required", wrong["text"]);

    // A lookup that finds nothing says so, on standard error and in the document.
    writeTestFile(m_dir / L"hosts", "127.0.0.1 localhost\r\n");
    const CRun none = runSyhost({L"--json", L"--quiet", L"hosts", L"get", L"nobody", L"--file", m_dir / L"hosts"});
    EXPECT_EQ(1u, none.exitCode);
    EXPECT_EQ("NotFound", document(none)["error"]["class"]);
    const CRun noneText = runSyhost({L"--quiet", L"hosts", L"get", L"nobody", L"--file", m_dir / L"hosts"});
    EXPECT_TRUE(noneText.out.empty());
    EXPECT_TRUE(contains(noneText.err, L"syhost hosts: no entry carries nobody in " + (m_dir / L"hosts")))
        << narrow(noneText.err);
    writeTestFile(m_dir / L"services", "echo\t7/tcp\n");
    const CRun noService = runSyhost({L"--quiet", L"services", L"get", L"9/udp", L"--file", m_dir / L"services"});
    EXPECT_EQ(1u, noService.exitCode);
    EXPECT_TRUE(contains(noService.err, L"syhost services: no entry for 9/udp")) << narrow(noService.err);

    const CRun syntax = runSyhost({L"--json", L"--quiet", L"acl", L"parse", L"(a,b,+r)\uFFFF(c"});
    EXPECT_EQ(1u, syntax.exitCode);
    EXPECT_EQ(L"EMissingLeftBrace", jsonText(document(syntax)["error"]["class"])) << narrow(syntax.out);
}

TEST_F(CSyhostTest, OverridesHoldForOneRunAndTheRealValueIsShownBeside)
{
    const CRun overridden = runSyhost({L"--quiet", L"--override", L"os-fa-name=AMD64", L"--override", L"os-bits=32", L"info"});
    EXPECT_EQ(0u, overridden.exitCode) << narrow(overridden.err);
    EXPECT_TRUE(contains(overridden.out, L"\nplatform name         AMD64 (overridden; real I386, machine AMD64)\n"))
        << narrow(overridden.out);
    EXPECT_TRUE(contains(overridden.out, L"\nword width            32 (overridden, real 64)\n")) << narrow(overridden.out);
    EXPECT_TRUE(contains(overridden.err, L"{syslib.system.overriddenOsFaName}")) << "the library logs the override";

    const nlohmann::ordered_json info =
        document(runSyhost({L"--json", L"--quiet", L"--override", L"os-fa-name=AMD64", L"info"}));
    EXPECT_EQ("AMD64", info["platformName"]["value"]);
    EXPECT_EQ("I386", info["platformName"]["real"]);
    EXPECT_TRUE(info["platformName"]["overridden"].get<bool>());
    EXPECT_FALSE(info["wordWidth"]["overridden"].get<bool>());
    // The next run is the machine's own again.
    const nlohmann::ordered_json plain = document(runSyhost({L"--json", L"--quiet", L"info"}));
    EXPECT_EQ("I386", plain["platformName"]["value"]);
    EXPECT_FALSE(plain["platformName"]["overridden"].get<bool>());

    const nlohmann::ordered_json real = document(runSyhost({L"--json", L"--quiet", L"hostname"}));
    const CRun renamed = runSyhost({L"--quiet", L"--override", L"host-name=vx-бuild-01", L"hostname"});
    EXPECT_EQ(0u, renamed.out.find(L"host name        vx-бuild-01 (overridden, real " + jsonText(real["hostName"]) + L")\n"))
        << narrow(renamed.out);
    const nlohmann::ordered_json named =
        document(runSyhost({L"--json", L"--quiet", L"--override", L"host-name=vx-бuild-01", L"hostname"}));
    EXPECT_EQ(L"vx-бuild-01", jsonText(named["hostName"]));
    EXPECT_EQ(real["hostName"], named["realHostName"]);
    EXPECT_FALSE(real["overridden"].get<bool>());
}

TEST_F(CSyhostTest, AccountsAreShownByNameWithTheirSidAndBySidAloneWhenNoAccountHasIt)
{
    clearStandInSecurity();
    const iastring directory = m_dir / L"named";
    ASSERT_TRUE(::CreateDirectoryW(directory.c_str(), nullptr));
    ASSERT_EQ(0u, runSyhost({L"--quiet", L"acl", L"set", directory, L"(S-1-5-32-544, GROUP, +rwx)"}).exitCode);
    EXPECT_EQ(0u, runSyhost({L"--quiet", L"acl", L"add", directory, L"(S-1-1-0, GROUP, +r)"}).exitCode);
    const CRun text = runSyhost({L"--quiet", L"acl", L"get", directory});
    const nlohmann::ordered_json acl = document(runSyhost({L"--json", L"--quiet", L"acl", L"get", directory}));
    ASSERT_EQ(2u, acl["entries"].size()) << narrow(text.out);
    EXPECT_EQ("Administrators", acl["entries"][0]["account"]["label"]);
    EXPECT_EQ("S-1-5-32-544", acl["entries"][0]["account"]["sid"]);
    EXPECT_EQ("GROUP, +rwx", acl["entries"][0]["entry"]);
    EXPECT_TRUE(contains(text.out, L"\n(Administrators, GROUP, +rwx)\tS-1-5-32-544\n(Everyone, GROUP, +r)\tS-1-1-0\n"))
        << narrow(text.out);
    // Every account shown: by the name that finds it again, else by its SID alone.
    std::vector<std::pair<iastring, nlohmann::ordered_json>> accounts = {{L"owner\t", acl["owner"]},
                                                                         {L"group\t", acl["group"]}};
    for (const auto& entry : acl["entries"])
        accounts.emplace_back(L"(", entry["account"]);
    for (const auto& shown : accounts)
    {
        const nlohmann::ordered_json& account = shown.second;
        if (account.is_null())
            continue;
        const iastring label = jsonText(account["label"]);
        if (account["name"].is_null())
        {
            EXPECT_EQ(jsonText(account["sid"]), label);
        }
        else
        {
            EXPECT_TRUE(label == jsonText(account["name"]) ||
                        label == jsonText(account["domain"]) + L"\\" + jsonText(account["name"]))
                << narrow(label);
        }
        EXPECT_TRUE(contains(text.out, shown.first + label)) << narrow(label) << " in " << narrow(text.out);
        if (label != jsonText(account["sid"]))
        {
            EXPECT_TRUE(contains(text.out, L"\t" + jsonText(account["sid"]) + L"\n")) << narrow(text.out);
        }
    }
    clearStandInSecurity();
}
