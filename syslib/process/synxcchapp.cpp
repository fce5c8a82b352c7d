// Windows half of child applications: the process, its pipes, its user and its priority.
#include "sytaskimpl.h"

#include "syprocessenvimpl.h"
#include "sytaskioimpl.h"
#include "sythreadapi.h"

#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"

#include <fcntl.h>
#include <io.h>

#include <vector>

SY_SOURCE_FILE(L"synxcchapp")

namespace
{
iastring environmentVariable(const wchar_t* name)
{
    wchar_t buffer[64];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 64);
    return length == 0 || length >= 64 ? iastring() : iastring(buffer, length);
}

[[noreturn]] void throwLastError(const iastring& call, int line, const iastring& parameters = iastring())
{
    syslib::printNTErrorAndThrow(&syslib::logBook(), call, line, parameters);
}

// A handle of this process duplicated as inheritable, for the child's side of a pipe.
syslib::CSyKernelHandle inheritableCopy(HANDLE handle)
{
    syslib::CSyKernelHandle copy;
    if (!::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), copy.receive(), 0, TRUE,
                           DUPLICATE_SAME_ACCESS))
        throwLastError(L"DuplicateHandle", __LINE__);
    return copy;
}

// The installer's end of a pipe as a runtime-library descriptor; the descriptor owns the handle.
int descriptorOf(syslib::CSyKernelHandle& handle)
{
    const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle.get()), _O_TEXT | _O_APPEND);
    if (descriptor == -1)
    {
        ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        throwLastError(L"_open_osfhandle", __LINE__);
    }
    handle.detach();
    return descriptor;
}

CSyTaskIOImpl& streamOf(const PSyTaskIO& stream)
{
    return static_cast<CSyTaskIO*>(stream.get())->impl();
}

std::vector<BYTE> tokenUser(HANDLE token)
{
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size == 0 ? 1 : size);
    if (!::GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size))
        throwLastError(L"GetTokenInformation", __LINE__, L"TokenUser");
    return buffer;
}

// The token to create the child with: none when the thread does not impersonate, or impersonates the
// process's own user; a primary token of the impersonated user otherwise.
syslib::CSyKernelHandle primaryTokenForChild()
{
    syslib::CSyKernelHandle threadToken;
    if (!syslib::threadApi().OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY | TOKEN_DUPLICATE, TRUE,
                                             threadToken.receive()))
    {
        // A token that cannot be read would give the child the process's rights instead of the user's.
        if (::GetLastError() != ERROR_NO_TOKEN)
            throwLastError(L"OpenThreadToken", __LINE__, L"TOKEN_QUERY | TOKEN_DUPLICATE");
        return syslib::CSyKernelHandle();
    }
    syslib::CSyKernelHandle processToken;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, processToken.receive()))
    {
        std::vector<BYTE> processUser = tokenUser(processToken.get());
        std::vector<BYTE> threadUser = tokenUser(threadToken.get());
        if (::EqualSid(reinterpret_cast<TOKEN_USER*>(processUser.data())->User.Sid,
                       reinterpret_cast<TOKEN_USER*>(threadUser.data())->User.Sid))
            return syslib::CSyKernelHandle();
    }
    syslib::CSyKernelHandle primary;
    if (!::DuplicateTokenEx(threadToken.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                            primary.receive()))
        throwLastError(L"DuplicateTokenEx", __LINE__, L"Thread to Primary token");
    return primary;
}

void traceCommandLine(const iastring& commandLine)
{
    ILogBook& book = syslib::logBook();
    book.log(L"Going to call CreateProcess/CreateProcessAsUser with command line (delimited by '<' and '>'):\n<" +
                 commandLine + L">",
             __LINE__);
    const CUseTypeMapping mapping(&book, CMessage::LOG_ERROR, CMessage::LOG_WARNING);
    try
    {
        CSyCurrentProcessEnvironment current;
        book.log(current.dump(), __LINE__);
    }
    catch (const ESyException&)
    {
        book.log(L"Could not dump current process environment.", __LINE__);
    }
}
} // namespace

DWORD CSyChildApplicationImpl::priorityClass(int priority)
{
    switch (priority)
    {
    case -2:
    case -1:
        return IDLE_PRIORITY_CLASS;
    case 1:
    case 2:
        return HIGH_PRIORITY_CLASS;
    case 3:
        return REALTIME_PRIORITY_CLASS;
    default:
        return NORMAL_PRIORITY_CLASS;
    }
}

bool CSyChildApplicationImpl::startImpl()
{
    SY_TRACE_FUNCTION(L"CSyChildApplicationImpl::startImpl()");
    m_status = ISyTask::TST_ERROR;
    const iastring line = commandLine();
    // The command line may hold a password: written only when asked for with this value.
    if (environmentVariable(L"VANTIX_TRACE_PROGRAM_ARGUMENTS") == L"q7tz4")
        traceCommandLine(line);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    wchar_t desktop[] = L"winsta0\\default";
    startup.lpDesktop = desktop;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);

    // The child's ends: closed here once the child has its copies.
    syslib::CSyKernelHandle childInput, childOutput, childError;
    if (m_outputStream)
    {
        syslib::CSyKernelHandle readEnd, writeEnd;
        if (!::CreatePipe(readEnd.receive(), writeEnd.receive(), nullptr, 0))
            throwLastError(L"CreatePipe", __LINE__);
        childOutput = inheritableCopy(writeEnd.get());
        childError = inheritableCopy(writeEnd.get());
        writeEnd.reset();
        streamOf(m_outputStream).attachReading(descriptorOf(readEnd));
        startup.hStdOutput = childOutput.get();
        startup.hStdError = childError.get();
    }
    if (m_inputStream)
    {
        syslib::CSyKernelHandle readEnd, writeEnd;
        if (!::CreatePipe(readEnd.receive(), writeEnd.receive(), nullptr, 0))
            throwLastError(L"CreatePipe", __LINE__);
        childInput = inheritableCopy(readEnd.get());
        readEnd.reset();
        streamOf(m_inputStream).attachWriting(descriptorOf(writeEnd));
        startup.hStdInput = childInput.get();
    }

    const syslib::CSyKernelHandle primaryToken = primaryTokenForChild();
    DWORD flags = priorityClass(m_priority);
    syslib::CSyEnvironmentBlock environmentBlock;
    if (stringToLower(environmentVariable(L"VANTIX_USE_CURRENT_USER_ENV")) == L"true")
    {
        if (!::CreateEnvironmentBlock(environmentBlock.receive(), primaryToken.get(), FALSE))
            throwLastError(L"CreateEnvironmentBlock", __LINE__);
        flags |= CREATE_UNICODE_ENVIRONMENT;
    }

    std::vector<wchar_t> writableLine(line.begin(), line.end());
    writableLine.push_back(L'\0');
    PROCESS_INFORMATION created = {};
    BOOL ok;
    if (primaryToken)
        ok = ::CreateProcessAsUserW(primaryToken.get(), nullptr, writableLine.data(), nullptr, nullptr, TRUE, flags,
                                    environmentBlock.get(), nullptr, &startup, &created);
    else
        ok = ::CreateProcessW(nullptr, writableLine.data(), nullptr, nullptr, TRUE, flags, environmentBlock.get(),
                              nullptr, &startup, &created);
    {
        const syslib::CSyLastErrorKeeper keep;
        environmentBlock.reset();
    }
    if (!ok)
        throwLastError(L"CreateProcess", __LINE__, m_path + L" ...");
    const syslib::CSyKernelHandle thread(created.hThread);
    m_handle.reset(created.hProcess);
    m_processId = created.dwProcessId;
    m_status = ISyTask::TST_RUNNING;
    return true;
}

void CSyChildApplicationImpl::readExitCode(unsigned long* exitCode)
{
    DWORD code = 0;
    if (::GetExitCodeProcess(m_handle.get(), &code))
        *exitCode = code;
}

bool CSyChildApplicationImpl::terminate()
{
    return ::TerminateProcess(m_handle.get(), static_cast<UINT>(-1)) != FALSE;
}
