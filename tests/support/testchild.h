// Test programs play their own child processes: started again with "--child=NAME" as the first
// argument, the program runs the child mode NAME instead of its tests and exits with its result.
#pragma once

#include "framework/iastring.h"
#include "syslib/common/syswin.h"

#include <string>
#include <vector>

// A child mode gets the arguments after "--child=NAME", as the runtime split them.
typedef int (*CTestChildFunction)(const std::vector<iastring>& arguments);

class CTestChildRegistration
{
public:
    CTestChildRegistration(const wchar_t* name, CTestChildFunction run);
};

// For main: runs the child mode the command line names, if it names one.
bool runTestChildIfAsked(int& exitCode);

// Both ends owned; the end meant for the child is inheritable, the other is not.
struct CTestPipe
{
    syslib::CSyKernelHandle read;
    syslib::CSyKernelHandle write;
};
CTestPipe makeChildInputPipe();
CTestPipe makeChildOutputPipe();

// A started process and its first thread, both owned; empty when the start failed (a test failure).
struct CTestProcess
{
    syslib::CSyKernelHandle process;
    syslib::CSyKernelHandle thread;
};
// CreateProcessW for tests: inherited handles, no window. A start that wine loses before the new process
// runs (ERROR_INTERNAL_ERROR) is tried again, so that such a start fails no test.
CTestProcess startTestProcess(iastring commandLine, STARTUPINFOW startup);

// Starts this program as child `name`. argumentText follows "--child=name" after one blank, exactly as
// given. stdIn and stdOut (also its standard error) must be inheritable; null gives the child none.
syslib::CSyKernelHandle startTestChild(const iastring& name, const iastring& argumentText, HANDLE stdIn,
                                       HANDLE stdOut);

struct CTestChildResult
{
    DWORD exitCode;
    std::string output; // standard output and error, bytes as written
};
// Starts the child, collects its output until it ends, and waits for it (at most a minute).
CTestChildResult runTestChild(const iastring& name, const iastring& argumentText);

// Text made of 4 hexadecimal digits a UTF-16 unit: safe on any command line and pipe.
std::string hexUnits(const iastring& text);
iastring fromHexUnits(const std::string& hex);

// For a child mode: says "ready" to the parent, then waits until the parent closes the child's input.
void signalReadyAndWaitForParent();

// This program started as a child mode, its standard input and output piped to the test.
class CTestChildProcess
{
public:
    CTestChildProcess(const iastring& name, const iastring& argumentText);
    ~CTestChildProcess();
    CTestChildProcess(const CTestChildProcess&) = delete;
    CTestChildProcess& operator=(const CTestChildProcess&) = delete;

    // One line of the child's output without its line end; empty at its end.
    std::string readLine();
    // Closes the child's input and waits for its end (a minute at most); its exit code.
    unsigned long finish();

private:
    syslib::CSyKernelHandle m_process;
    syslib::CSyKernelHandle m_input;
    syslib::CSyKernelHandle m_output;
};
