// Tasks the installer starts and supervises: child applications (a separate process) and child
// functions (a function of the caller on a thread of its own).
#pragma once

#include "syargs.h"
#include "syprocessenv.h"
#include "sytaskio.h"

#include "syslib/common/syexport.h"

#include <ostream>

class ISyTask : public ISyGeneric
{
public:
    enum eTaskType
    {
        TTY_NONE = 0,
        TTY_FUNCTION = 1,
        TTY_APPLICATION = 2
    };
    enum eTaskStatusType
    {
        TST_INITIAL = 0,
        TST_RUNNING = 1,
        TST_FINISHED = 2,
        TST_ERROR = 3
    };

    virtual eTaskType getType() = 0;
    virtual int getId() = 0;
    // The process identifier; the thread identifier of a child function. (DWORD)-1 until started.
    virtual unsigned long getProcessId() = 0;
    // The process (or thread) HANDLE; null until started. The task keeps owning it.
    virtual void* getHandle() = 0;
    // Sees a running task end: TST_RUNNING becomes TST_FINISHED, whatever the exit code.
    virtual eTaskStatusType getStatus() = 0;
    // STILL_ACTIVE (259) while the task runs and wait is false.
    virtual unsigned long getExitCode(bool wait) = 0;
    virtual bool start(bool wait) = 0;
    // Ends a running task with exit code -1; for a task that is not running, whether it is in TST_ERROR.
    virtual bool cancel() = 0;
    virtual PSyTaskIO getInputStream() = 0;
    virtual PSyTaskIO getOutputStream() = 0;
    // Child applications only: what is written to the stream reaches the child's standard input.
    virtual void setInputStream(PSyTaskIO stream) = 0;
    // Child applications only: the child's standard output and standard error, read through one stream.
    virtual void setOutputStream(PSyTaskIO stream) = 0;
    // -2, -1 idle; 1, 2 high; 3 realtime; anything else normal. A child function's thread priority.
    virtual int getPriority() = 0;
    virtual void setPriority(int priority) = 0;
    // Applied to the library's own process while the task starts, so that the child inherits it.
    virtual void setProcessEnvironment(PSyProcessEnvironment environment) = 0;
};
typedef IaPtr<ISyTask> PSyTask;

class ISyChildApplication : public ISyTask
{
public:
    virtual iastring getPath() = 0;
    virtual void setPath(const iastring& path) = 0;
    virtual void setArguments(PSyStringIterator arguments) = 0;
    virtual void setArguments(const iastring& arguments, const iastring& separators) = 0;
    virtual iastring getArguments(iachar separator) = 0;
    virtual PSyStringIterator getArgumentIterator() = 0;
};
typedef IaPtr<ISyChildApplication> PSyChildApplication;

class ISyChildFunction : public ISyTask
{
public:
    typedef void* FunctionArg_t;
    // A thread start routine of the runtime library (_beginthreadex); its result is the exit code.
    typedef unsigned(__stdcall* FunctionPtr_t)(FunctionArg_t);

    virtual void setFunction(FunctionPtr_t function) = 0;
    virtual void setArgument(FunctionArg_t argument) = 0;
};
typedef IaPtr<ISyChildFunction> PSyChildFunction;

SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyTask::eTaskType value);
SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyTask::eTaskStatusType value);
