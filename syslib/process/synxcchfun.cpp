// Windows half of child functions: a thread of this process, created suspended so that it starts as
// the user the caller impersonates.
#include "sytaskimpl.h"
#include "sythreadapi.h"

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
    bool abandoned; // set before the thread first runs: it ends at once
};

// An exception leaving a thread would end the whole installer: the task ends with -1 instead.
unsigned __stdcall runChildFunction(void* start)
{
    const std::unique_ptr<CThreadStart> owned(static_cast<CThreadStart*>(start));
    if (owned->abandoned)
        return static_cast<unsigned>(-1);
    try
    {
        return owned->function(owned->argument);
    }
    catch (...)
    {
        return static_cast<unsigned>(-1);
    }
}

[[noreturn]] void throwLastError(const iastring& call, int line, const iastring& parameters)
{
    syslib::printNTErrorAndThrow(&syslib::logBook(), call, line, parameters);
}

// A thread that must not run the caller's function as it stands, with another token or none: it is let
// go only to end at once. Terminating it instead would kill a thread that holds nothing yet, but the
// runtime's thread start would never run, and 32-bit wine itself dies of it now and then.
[[noreturn]] void abandon(const syslib::CSyKernelHandle& thread, std::unique_ptr<CThreadStart>& start,
                          const iastring& call, int line, const iastring& parameters = iastring())
{
    const DWORD error = ::GetLastError();
    start->abandoned = true;
    if (::ResumeThread(thread.get()) != static_cast<DWORD>(-1))
        start.release(); // the thread frees it as it ends
    else
        ::TerminateThread(thread.get(), static_cast<DWORD>(-1));
    ::WaitForSingleObject(thread.get(), INFINITE);
    ::SetLastError(error);
    throwLastError(call, line, parameters);
}
} // namespace

bool CSyChildFunctionImpl::startImpl()
{
    SY_TRACE_FUNCTION(L"CSyChildFunctionImpl::startImpl()");
    m_status = ISyTask::TST_INITIAL;
    if (m_function == nullptr)
        syslib::throwParameterEmpty(L"function", L"CSyChildFunctionImpl::startImpl()", __LINE__);
    // It stays so when a step below fails.
    m_status = ISyTask::TST_ERROR;
    const syslib::SyThreadApi& api = syslib::threadApi();
    // A token that cannot be read would leave the function with the process's rights: no start then.
    syslib::CSyKernelHandle token;
    if (!api.OpenThreadToken(::GetCurrentThread(), TOKEN_IMPERSONATE, FALSE, token.receive()) &&
        ::GetLastError() != ERROR_NO_TOKEN)
        throwLastError(L"OpenThreadToken", __LINE__, L"TOKEN_IMPERSONATE");
    unsigned threadId = 0;
    // The thread owns it once it runs; until then a failed start frees it here.
    std::unique_ptr<CThreadStart> start(new CThreadStart{m_function, m_argument, false});
    syslib::CSyKernelHandle thread(reinterpret_cast<HANDLE>(
        ::_beginthreadex(nullptr, 0, runChildFunction, start.get(), CREATE_SUSPENDED, &threadId)));
    if (!thread)
        throwLastError(L"_beginthreadex", __LINE__, iastring());
    if (token)
    {
        HANDLE target = thread.get();
        if (!api.SetThreadToken(&target, token.get()))
            abandon(thread, start, L"SetThreadToken", __LINE__);
    }
    if (!api.SetThreadPriority(thread.get(), m_priority))
        abandon(thread, start, L"SetThreadPriority", __LINE__, syslib::toString(m_priority));
    if (api.ResumeThread(thread.get()) == static_cast<DWORD>(-1))
        abandon(thread, start, L"ResumeThread", __LINE__);
    start.release();
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
