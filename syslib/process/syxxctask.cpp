// Portable code only: the state of tasks, their streams, priority, program and arguments.
#include "sytaskimpl.h"
#include "sytaskioimpl.h"

#include "framework/iacontaineriter.h"
#include "syslib/common/syenumio.h"
#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxctask")

namespace
{
const syslib::CSyEnumName taskTypeNames[] = {
    {ISyTask::TTY_NONE, L"TTY_NONE"}, {ISyTask::TTY_FUNCTION, L"TTY_FUNCTION"},
    {ISyTask::TTY_APPLICATION, L"TTY_APPLICATION"}};
const syslib::CSyEnumName taskStatusNames[] = {{ISyTask::TST_INITIAL, L"TST_INITIAL"},
                                               {ISyTask::TST_RUNNING, L"TST_RUNNING"},
                                               {ISyTask::TST_FINISHED, L"TST_FINISHED"},
                                               {ISyTask::TST_ERROR, L"TST_ERROR"}};

// The child's pipe ends are handed to the library's own stream object: one the host implemented has none
// to take them.
void checkOwnStream(const PSyTaskIO& stream, const wchar_t* signature)
{
    if (stream && dynamic_cast<CSyTaskIO*>(stream.get()) == nullptr)
        syslib::throwParameterNotValid(L"stream", signature, __LINE__);
}
} // namespace

std::wostream& operator<<(std::wostream& os, ISyTask::eTaskType value)
{
    return syslib::writeEnumName(os, value, taskTypeNames);
}

std::wostream& operator<<(std::wostream& os, ISyTask::eTaskStatusType value)
{
    return syslib::writeEnumName(os, value, taskStatusNames);
}

CSyTaskImpl::CSyTaskImpl(ISyTask::eTaskType type, int taskId)
    : m_processId(static_cast<unsigned long>(-1)), m_status(ISyTask::TST_INITIAL), m_type(type),
      m_exitCode(static_cast<unsigned long>(-1)), m_taskId(taskId), m_priority(0),
      m_arguments(nullptr)
{
    // Without a log book of its own the argument list writes to the current one: the one current now may
    // be gone by the time it has something to say.
}

unsigned long CSyTaskImpl::getProcessId()
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::getProcessId()");
    return m_processId;
}

void* CSyTaskImpl::getHandle()
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::getHandle()");
    return m_handle.get();
}

void CSyTaskImpl::setProcessEnvironment(PSyProcessEnvironment environment)
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::setProcessEnvironment(PSyProcessEnvironment)");
    m_environment = environment;
}

void CSyTaskImpl::setInputStream(PSyTaskIO stream)
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::setInputStream(PSyTaskIO)");
    if (m_type != ISyTask::TTY_APPLICATION)
        syslib::throwFunctionNotSupported(L"CSyTaskImpl::setInputStream", __LINE__);
    checkOwnStream(stream, L"CSyTaskImpl::setInputStream(PSyTaskIO)");
    m_inputStream = stream;
}

void CSyTaskImpl::setOutputStream(PSyTaskIO stream)
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::setOutputStream(PSyTaskIO)");
    if (m_type != ISyTask::TTY_APPLICATION)
        syslib::throwFunctionNotSupported(L"CSyTaskImpl::setOutputStream", __LINE__);
    checkOwnStream(stream, L"CSyTaskImpl::setOutputStream(PSyTaskIO)");
    m_outputStream = stream;
}

void CSyTaskImpl::setPriority(int priority)
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::setPriority(int)");
    SY_TRACE_PARAMETERS(syslib::toString(priority));
    m_priority = priority;
}

void CSyTaskImpl::setPath(const iastring& path)
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::setPath(iastring)");
    SY_TRACE_PARAMETERS(path);
    m_path = path;
}

void CSyTaskImpl::setArguments(PSyStringIterator arguments)
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::setArguments(PSyStringIterator)");
    m_arguments.set(arguments);
}

// The arguments are not traced: they may hold a password.
void CSyTaskImpl::setArguments(const iastring& arguments, const iastring& separators)
{
    SY_TRACE_FUNCTION(L"CSyTaskImpl::setArguments(iastring,iastring)");
    m_arguments.set(arguments, separators);
}

iastring CSyTaskImpl::getArguments(iachar separator) const
{
    return m_arguments.join(separator);
}

PSyStringIterator CSyTaskImpl::getArgumentIterator() const
{
    return PSyStringIterator(new CIaContainerIter<iastring>(m_arguments.get()));
}

CSyTaskImpl* syslib::ownTask(ISyTask* task)
{
    if (CSyChildApplication* application = dynamic_cast<CSyChildApplication*>(task))
        return &application->impl();
    if (CSyChildFunction* function = dynamic_cast<CSyChildFunction*>(task))
        return &function->impl();
    return nullptr;
}

iastring CSyChildApplicationImpl::commandLine() const
{
    // A temporary list of the path alone quotes a path with a blank, as it would any argument.
    return CSyArguments::quote(m_path, L' ') + L' ' + m_arguments.join(L' ');
}
