// Windows half of the task base: starting in a task's environment, polling, waiting, cancelling.
#include "sytaskimpl.h"

#include "syprocessenvimpl.h"
#include "syuserswitch.h"

#include "syslib/common/sytrace.h"

#include <exception>
#include <functional>
#include <memory>

SY_SOURCE_FILE(L"synxctask")

namespace
{
// Applies a task's environment to the library's own process for the length of a start, so that the
// child inherits it, and puts back what it changed on every way out.
class CEnvironmentJanitor
{
public:
    explicit CEnvironmentJanitor(const PSyProcessEnvironment& environment) : m_environment(environment)
    {
        if (!environment)
            return;
        syslib::logBook().log(L"Changing current processenvironment", __LINE__);
        // A task that names no user runs as whoever the thread runs as: the caller's impersonation stays.
        if (environment->getUser())
            m_threadUser.reset(new syslib::CSyThreadUser());
        const PSyProcessEnvironment snapshot(new CSyProcessEnvironment());
        m_current.fill(snapshot);
        m_snapshot = snapshot;
        try
        {
            m_current.set(environment);
        }
        catch (...)
        {
            // Half applied: the destructor of an unfinished janitor would not run.
            restore(nullptr);
            throw;
        }
    }
    ~CEnvironmentJanitor()
    {
        try
        {
            restore(nullptr);
        }
        catch (...)
        {
            // Reported where it failed; a destructor must not throw over another exception.
        }
    }
    CEnvironmentJanitor(const CEnvironmentJanitor&) = delete;
    CEnvironmentJanitor& operator=(const CEnvironmentJanitor&) = delete;

    // The end of a start that went well: a part that could not be put back fails it, though the task
    // may run.
    void finish(HANDLE task)
    {
        if (const std::exception_ptr failure = restore(task))
            std::rethrow_exception(failure);
    }

private:
    // Every part is put back even when one fails; the first failure is handed back.
    std::exception_ptr restore(HANDLE task)
    {
        if (!m_snapshot)
            return nullptr;
        const PSyProcessEnvironment snapshot = m_snapshot;
        m_snapshot = PSyProcessEnvironment();
        syslib::logBook().log(L"Restoring current processenvironment", __LINE__);
        std::exception_ptr failure;
        const auto attempt = [&failure](const std::function<void()>& step) {
            try
            {
                step();
            }
            catch (const ESyException&)
            {
                if (!failure)
                    failure = std::current_exception();
            }
        };
        if (m_threadUser)
            attempt([&] { m_threadUser->restore(task); });
        if (!m_environment->getWorkingDirectory().empty())
            attempt([&] { m_current.setWorkingDirectory(snapshot->getWorkingDirectory()); });
        attempt([&] { m_current.restoreVariables(snapshot, m_environment); });
        return failure;
    }

    PSyProcessEnvironment m_environment;
    std::unique_ptr<syslib::CSyThreadUser> m_threadUser;
    CSyCurrentProcessEnvironmentImpl m_current;
    PSyProcessEnvironment m_snapshot;
};

// Holds a task list's gate from the decision to start until the task runs.
class CGateHold
{
public:
    explicit CGateHold(CSyStartGate* gate) : m_gate(gate), m_held(gate == nullptr || gate->enter()) {}
    ~CGateHold() { leave(); }
    CGateHold(const CGateHold&) = delete;
    CGateHold& operator=(const CGateHold&) = delete;

    bool admitted() const { return m_held; }
    void leave()
    {
        if (m_gate && m_held)
            m_gate->leave();
        m_gate = nullptr;
    }

private:
    CSyStartGate* m_gate;
    bool m_held;
};
} // namespace

// A logon kept for this task may be given back once it is seen to have ended.
CSyTaskImpl::~CSyTaskImpl()
{
    m_handle.reset();
    syslib::releaseEndedLogons();
}

bool CSyTaskImpl::start(bool wait, CSyStartGate* gate)
{
    SY_TRACE_FUNCTION_TEXT(wait ? L"CSyTaskImpl::start(true)" : L"CSyTaskImpl::start(false)");
    CGateHold hold(gate);
    if (!hold.admitted())
        return false;
    CEnvironmentJanitor janitor(m_environment);
    const bool started = startImpl();
    hold.leave();
    if (wait)
        waitForEnd();
    if (started)
        getExitCode(wait);
    janitor.finish(m_handle.get());
    return started;
}

void CSyTaskImpl::waitForEnd()
{
    if (!m_handle)
        return;
    ::WaitForSingleObject(m_handle.get(), INFINITE);
    syslib::releaseEndedLogons();
}

ISyTask::eTaskStatusType CSyTaskImpl::getStatus()
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::getStatus()");
    if (m_status == ISyTask::TST_RUNNING && ::WaitForSingleObject(m_handle.get(), 0) == WAIT_OBJECT_0)
    {
        m_status = ISyTask::TST_FINISHED;
        syslib::releaseEndedLogons();
    }
    return m_status;
}

unsigned long CSyTaskImpl::getExitCode(bool wait)
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::getExitCode(bool)");
    if (wait)
        waitForEnd();
    if (m_handle)
        readExitCode(&m_exitCode);
    return m_exitCode;
}

bool CSyTaskImpl::cancel()
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::cancel()");
    if (getStatus() != ISyTask::TST_RUNNING)
        return m_status == ISyTask::TST_ERROR;
    if (!terminate())
    {
        SY_TRACE_OS_ERROR(::GetLastError(), m_type == ISyTask::TTY_APPLICATION ? L"TerminateProcess" : L"TerminateThread",
                          syslib::toString(m_processId));
        return false;
    }
    // The end is certain only once the process has gone: a caller may remove its files next.
    waitForEnd();
    m_status = ISyTask::TST_ERROR;
    return true;
}
