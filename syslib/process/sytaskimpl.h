// The state every task shares, child applications and child functions, and their handles.
#pragma once

#include "sytask.h"

#include "syslib/common/syswin.h"

// What a task list puts around each start of its tasks: while the gate is held, the list's cancel waits,
// so that it finds every task either not started or running, never on its way.
class CSyStartGate
{
public:
    virtual ~CSyStartGate() {}
    // Takes the gate; false, and not taken, once the list has been cancelled.
    virtual bool enter() = 0;
    virtual void leave() = 0;
};

class CSyTaskImpl : public CSyGenericImpl
{
public:
    CSyTaskImpl(ISyTask::eTaskType type, int taskId);
    ~CSyTaskImpl() override;
    CSyTaskImpl(const CSyTaskImpl&) = delete;
    CSyTaskImpl& operator=(const CSyTaskImpl&) = delete;

    // Creates the process or thread; the kind's own part of start().
    virtual bool startImpl() = 0;
    virtual bool cancel();
    virtual unsigned long getProcessId();
    virtual void* getHandle();
    virtual void setProcessEnvironment(PSyProcessEnvironment environment);
    virtual void readExitCode(unsigned long* exitCode) = 0;

    ISyTask::eTaskType getType() const { return m_type; }
    int getId() const { return m_taskId; }
    ISyTask::eTaskStatusType getStatus();
    unsigned long getExitCode(bool wait);
    // With a gate: nothing is started when it refuses, and it is left once the task runs. Throws when the
    // library's own environment could not be put back, though the task may run (its status tells).
    bool start(bool wait, CSyStartGate* gate = nullptr);
    PSyTaskIO getInputStream() const { return m_inputStream; }
    PSyTaskIO getOutputStream() const { return m_outputStream; }
    void setInputStream(PSyTaskIO stream);
    void setOutputStream(PSyTaskIO stream);
    int getPriority() const { return m_priority; }
    void setPriority(int priority);

    iastring getPath() const { return m_path; }
    void setPath(const iastring& path);
    void setArguments(PSyStringIterator arguments);
    void setArguments(const iastring& arguments, const iastring& separators);
    iastring getArguments(iachar separator) const;
    PSyStringIterator getArgumentIterator() const;

protected:
    // TerminateProcess or TerminateThread with exit code -1.
    virtual bool terminate() = 0;
    void waitForEnd();

    unsigned long m_processId;
    ISyTask::eTaskStatusType m_status;
    const ISyTask::eTaskType m_type;
    unsigned long m_exitCode;
    const int m_taskId;
    PSyTaskIO m_inputStream;
    PSyTaskIO m_outputStream;
    int m_priority;
    PSyProcessEnvironment m_environment;
    iastring m_path;
    CSyArguments m_arguments;
    syslib::CSyKernelHandle m_handle;
};

class CSyChildApplicationImpl : public CSyTaskImpl
{
public:
    explicit CSyChildApplicationImpl(int taskId) : CSyTaskImpl(ISyTask::TTY_APPLICATION, taskId) {}

    bool startImpl() override;
    void readExitCode(unsigned long* exitCode) override;

    // The priority class of a priority value.
    static DWORD priorityClass(int priority);
    // The program path quoted as an argument, one blank, the arguments joined by blanks.
    iastring commandLine() const;

protected:
    bool terminate() override;
};

class CSyChildFunctionImpl : public CSyTaskImpl
{
public:
    explicit CSyChildFunctionImpl(int taskId) : CSyTaskImpl(ISyTask::TTY_FUNCTION, taskId) {}

    bool startImpl() override;
    void readExitCode(unsigned long* exitCode) override;

    void setFunction(ISyChildFunction::FunctionPtr_t function) { m_function = function; }
    void setArgument(ISyChildFunction::FunctionArg_t argument) { m_argument = argument; }

protected:
    bool terminate() override;

private:
    ISyChildFunction::FunctionArg_t m_argument = nullptr;
    ISyChildFunction::FunctionPtr_t m_function = nullptr;
};

namespace syslib
{
// The implementation of one of the library's own tasks; null for a task the host implemented.
CSyTaskImpl* ownTask(ISyTask* task);
} // namespace syslib

// The operations of ISyTask, forwarded; I is ISyChildApplication or ISyChildFunction.
template <class I, class Impl>
class CSyTaskHandle : public CSyHandle<I, Impl>
{
public:
    using CSyHandle<I, Impl>::CSyHandle;

    ISyTask::eTaskType getType() override { return SY_FORWARD(this->m_impl.getType()); }
    int getId() override { return SY_FORWARD(this->m_impl.getId()); }
    unsigned long getProcessId() override { return SY_FORWARD(this->m_impl.getProcessId()); }
    void* getHandle() override { return SY_FORWARD(this->m_impl.getHandle()); }
    ISyTask::eTaskStatusType getStatus() override { return SY_FORWARD(this->m_impl.getStatus()); }
    unsigned long getExitCode(bool wait) override { return SY_FORWARD(this->m_impl.getExitCode(wait)); }
    bool start(bool wait) override { return SY_FORWARD(this->m_impl.start(wait)); }
    bool cancel() override { return SY_FORWARD(this->m_impl.cancel()); }
    PSyTaskIO getInputStream() override { return SY_FORWARD(this->m_impl.getInputStream()); }
    PSyTaskIO getOutputStream() override { return SY_FORWARD(this->m_impl.getOutputStream()); }
    void setInputStream(PSyTaskIO stream) override { return SY_FORWARD(this->m_impl.setInputStream(stream)); }
    void setOutputStream(PSyTaskIO stream) override { return SY_FORWARD(this->m_impl.setOutputStream(stream)); }
    int getPriority() override { return SY_FORWARD(this->m_impl.getPriority()); }
    void setPriority(int priority) override { return SY_FORWARD(this->m_impl.setPriority(priority)); }
    void setProcessEnvironment(PSyProcessEnvironment environment) override
    {
        return SY_FORWARD(this->m_impl.setProcessEnvironment(environment));
    }
};

class CSyChildApplication : public CSyTaskHandle<ISyChildApplication, CSyChildApplicationImpl>
{
public:
    explicit CSyChildApplication(int taskId) : CSyTaskHandle(taskId) {}

    iastring getPath() override { return SY_FORWARD(m_impl.getPath()); }
    void setPath(const iastring& path) override { return SY_FORWARD(m_impl.setPath(path)); }
    void setArguments(PSyStringIterator arguments) override { return SY_FORWARD(m_impl.setArguments(arguments)); }
    void setArguments(const iastring& arguments, const iastring& separators) override
    {
        return SY_FORWARD(m_impl.setArguments(arguments, separators));
    }
    iastring getArguments(iachar separator) override { return SY_FORWARD(m_impl.getArguments(separator)); }
    PSyStringIterator getArgumentIterator() override { return SY_FORWARD(m_impl.getArgumentIterator()); }
};

class CSyChildFunction : public CSyTaskHandle<ISyChildFunction, CSyChildFunctionImpl>
{
public:
    explicit CSyChildFunction(int taskId) : CSyTaskHandle(taskId) {}

    void setFunction(FunctionPtr_t function) override { return SY_FORWARD(m_impl.setFunction(function)); }
    void setArgument(FunctionArg_t argument) override { return SY_FORWARD(m_impl.setArgument(argument)); }
};
