// Windows half of the task base: starting in a task's environment, polling, waiting, cancelling.
#include "sytaskimpl.h"

#include "syprocessenvimpl.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"synxctask")

namespace
{
// Applies a task's environment to the library's own process for the length of a start, so that the
// child inherits it, and puts the process's own back on every way out.
class CEnvironmentJanitor
{
public:
    explicit CEnvironmentJanitor(const PSyProcessEnvironment& environment) : m_environment(environment)
    {
        if (!environment)
            return;
        syslib::logBook().log(L"Changing current processenvironment", __LINE__);
        m_current = PSyCurrentProcessEnvironment(new CSyCurrentProcessEnvironment());
        const PSyProcessEnvironment snapshot(new CSyProcessEnvironment());
        m_current->fill(snapshot);
        m_snapshot = snapshot;
        try
        {
            m_current->set(environment);
        }
        catch (...)
        {
            // Half applied: the destructor of an unfinished janitor would not run.
            restore();
            throw;
        }
    }
    ~CEnvironmentJanitor() { restore(); }
    CEnvironmentJanitor(const CEnvironmentJanitor&) = delete;
    CEnvironmentJanitor& operator=(const CEnvironmentJanitor&) = delete;

private:
    void restore()
    {
        if (!m_snapshot)
            return;
        const PSyProcessEnvironment snapshot = m_snapshot;
        m_snapshot = PSyProcessEnvironment();
        try
        {
            syslib::logBook().log(L"Restoring current processenvironment", __LINE__);
            m_current->set(snapshot);
            // Setting the snapshot back leaves what the task added: those go too.
            const PSyEnvironmentIterator added = m_environment->getEnvironmentVariables();
            for (added->first(); !added->isDone(); added->next())
            {
                const iastring name = added->get().first;
                if (snapshot->getEnvironmentVariable(name).empty())
                    m_current->removeEnvironmentVariable(name);
            }
        }
        catch (const ESyException&)
        {
            // Already reported where it failed; a destructor must not throw over another exception.
        }
    }

    PSyProcessEnvironment m_environment;
    PSyCurrentProcessEnvironment m_current;
    PSyProcessEnvironment m_snapshot;
};
} // namespace

CSyTaskImpl::~CSyTaskImpl() = default;

bool CSyTaskImpl::start(bool wait)
{
    SY_TRACE_FUNCTION_TEXT(wait ? L"CSyTaskImpl::start(true)" : L"CSyTaskImpl::start(false)");
    const CEnvironmentJanitor janitor(m_environment);
    const bool started = startImpl();
    if (wait)
        waitForEnd();
    if (started)
        getExitCode(wait);
    return started;
}

void CSyTaskImpl::waitForEnd()
{
    if (m_handle)
        ::WaitForSingleObject(m_handle.get(), INFINITE);
}

ISyTask::eTaskStatusType CSyTaskImpl::getStatus()
{
    if (m_status == ISyTask::TST_RUNNING && ::WaitForSingleObject(m_handle.get(), 0) == WAIT_OBJECT_0)
        m_status = ISyTask::TST_FINISHED;
    return m_status;
}

unsigned long CSyTaskImpl::getExitCode(bool wait)
{
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
    ::WaitForSingleObject(m_handle.get(), INFINITE);
    m_status = ISyTask::TST_ERROR;
    return true;
}
