// Tests that need a second process start this test program again in a named role.
#pragma once

#include "syslib/common/syswin.h"

#include <string>
#include <vector>

// What the child does; its result is the child's exit code.
typedef int (*CChildRoleFunction)(const std::vector<std::string>& arguments);

// Registers a role at static initialisation: const CChildRole hold("hold-file", holdFile);
class CChildRole
{
public:
    CChildRole(const char* name, CChildRoleFunction function);
};

// Runs the role that "--child-role NAME ARG..." names; false when the program was not started as a child.
bool runChildRole(int argc, char** argv, int& exitCode);

// For a role: says "ready" to the parent, then waits until the parent closes the child's input.
void signalReadyAndWaitForParent();

// The test program started again in a role, its standard input and output piped to the test.
class CChildProcess
{
public:
    CChildProcess(const std::string& role, const std::vector<std::string>& arguments);
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool started() const { return m_process.isValid(); }
    // One line of the child's output without its line end; empty at its end.
    std::string readLine();
    // Closes the child's input and waits for its end; its exit code.
    unsigned long finish();

private:
    syslib::CSyKernelHandle m_process;
    syslib::CSyKernelHandle m_input;
    syslib::CSyKernelHandle m_output;
};
