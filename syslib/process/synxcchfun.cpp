// Windows half of child functions: a thread of this process, created suspended so that it starts as
// the user the caller impersonates.
#include "sytaskimpl.h"

#include "syslib/common/sytrace.h"

#include <process.h>

#include <memory>

SY_SOURCE_FILE(L"synxcchfun")

namespace
{
struct CThreadStart
{
    ISyChildFunction::FunctionPtr_t function;
    ISyChildFunction::FunctionArg_t argument;
};

// An exception leaving a thread would end the whole installer: the task ends with -1 instead.
unsigned __stdcall runChildFunction(void* start)
{
    const std::unique_ptr<CThreadStart> owned(static_cast<CThreadStart*>(start));
    try
    {
        return owned->function(owned->argument);
    }
    catch (...)
    {
        return static_cast<unsigned>(-1);
    }
}
} // namespace

bool CSyChildFunctionImpl::startImpl()
{
    SY_TRACE_FUNCTION(L"CSyChildFunctionImpl::startImpl()");
    m_status = ISyTask::TST_INITIAL;
    if (m_function == nullptr)
        syslib::throwParameterEmpty(L"function", L"CSyChildFunctionImpl::startImpl()", __LINE__);
    unsigned threadId = 0;
    std::unique_ptr<CThreadStart> start(new CThreadStart{m_function, m_argument});
    syslib::CSyKernelHandle thread(reinterpret_cast<HANDLE>(
        ::_beginthreadex(nullptr, 0, runChildFunction, start.get(), CREATE_SUSPENDED, &threadId)));
    if (!thread)
        syslib::printNTErrorAndThrow(&syslib::logBook(), L"_beginthreadex", __LINE__, iastring());
    start.release();
    syslib::CSyKernelHandle token;
    if (::OpenThreadToken(::GetCurrentThread(), TOKEN_IMPERSONATE, FALSE, token.receive()))
    {
        HANDLE target = thread.get();
        ::SetThreadToken(&target, token.get());
    }
    ::SetThreadPriority(thread.get(), m_priority);
    ::ResumeThread(thread.get());
    m_handle = std::move(thread);
    m_processId = threadId;
    m_status = ISyTask::TST_RUNNING;
    return true;
}

void CSyChildFunctionImpl::readExitCode(unsigned long* exitCode)
{
    DWORD code = 0;
    if (::GetExitCodeThread(m_handle.get(), &code))
        *exitCode = code;
}

bool CSyChildFunctionImpl::terminate()
{
    return ::TerminateThread(m_handle.get(), static_cast<DWORD>(-1)) != FALSE;
}
