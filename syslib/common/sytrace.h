// Tracing and OS error reporting: the one logging facility of the library.
//
// Every .cpp names itself once with SY_SOURCE_FILE(L"syxx…"); that name appears in every trace line
// of its functions. Every public operation starts with SY_TRACE_FUNCTION(signature).
#pragma once

#include "framework/iastring.h"
#include "framework/logbook.h"
#include "syexcept.h"

#include <sstream>
#include <typeinfo>

namespace syslib
{
typedef unsigned long SyOSError; // a GetLastError() value; DWORD without <windows.h>

// The library-wide log book as set by the host (may be null).
ILogBook* getLogBook();
ILogBook* setLogBook(ILogBook* logBook);
// The log book to write to: the host's, or one that discards everything while none is set.
ILogBook& logBook();

iastring getOSErrorText(SyOSError osError);
iastring getLastOSErrorText();

void printOSError(SyOSError osError, const iastring& systemCall, int line, const iastring& parameters,
                  CMessage::eLogMessage type, const iastring& sourceFile);
void traceOSError(SyOSError osError, const iastring& systemCall, int line, const iastring& parameters,
                  const iastring& sourceFile);

void traceSystemCall(const iastring& systemCall, int line, const iastring& sourceFile);
void traceSystemCallReturned(int line, const iastring& sourceFile);
void traceExceptionAt(int line, const iastring& sourceFile);

void printNTError(ILogBook* logBook, const iastring& systemCall, int line, SyOSError osError,
                  const iastring& parameters, CMessage::eLogMessage type);
// Takes the error number from GetLastError().
void printNTError(ILogBook* logBook, const iastring& systemCall, int line, const iastring& parameters,
                  CMessage::eLogMessage type);
// Reports the last error as LOG_ERROR, then throws ESyException(WIN32_ERROR, last error).
[[noreturn]] void printNTErrorAndThrow(ILogBook* logBook, const iastring& systemCall, int line,
                                       const iastring& parameters);

void logSystemState();

// True while the host has attached a log book: a trace text that costs something to build (one that
// holds a parameter) is worth building only then.
inline bool isTracing()
{
    return getLogBook() != nullptr;
}

// Decimal text through a wide string stream; std::bad_cast when the stream fails.
template <class T>
iastring toString(T value)
{
    std::wostringstream stream;
    stream << value;
    if (stream.fail())
        throw std::bad_cast();
    return stream.str();
}
// The unsigned form used for OS error numbers: a failure is logged and thrown as ESyTypeConversion.
iastring toStringChecked(unsigned long value);

// Writes "parameter(s): …" / "return value: …".
void traceParameters(const iastring& values, int line);
void traceReturnValue(const iastring& value, int line);

// Logs key with the arguments given (in order) as LOG_ERROR.
void reportError(const iastring& key, const CLogArguments& arguments, int line);
// "common.parameterNotValid" with (argument, signature), then ESyPrecondition(PARAMETER_NOT_VALID).
[[noreturn]] void throwParameterNotValid(const iastring& argument, const iastring& signature, int line);
// "common.functionNotSupported" with (signature), then ESyPrecondition(FUNCTION_NOT_SUPPORTED).
[[noreturn]] void throwFunctionNotSupported(const iastring& signature, int line);
// "syslib.outOfMemory", then ESyException("Out of memory").
[[noreturn]] void throwOutOfMemory(int line);
} // namespace syslib

class CSyTraceGuard
{
public:
    CSyTraceGuard(ILogBook* logBook, const iastring& sourceFile, const iastring& signature, int line,
                  const iastring& beginText, const iastring& endText, bool indent);
    // The macros' form, for the library-wide log book: while the host has attached none, whatever would
    // be written is discarded anyway, so the guard builds no texts and touches nothing.
    template <class Signature> // a literal or an iastring: converted only when it is written
    CSyTraceGuard(const wchar_t* sourceFile, const Signature& signature, int line, const wchar_t* beginText,
                  const wchar_t* endText)
        : m_logBook(syslib::getLogBook()), m_indent(true)
    {
        if (m_logBook)
        {
            m_endText = endText;
            begin(sourceFile, signature, line, beginText);
        }
    }
    ~CSyTraceGuard();
    CSyTraceGuard(const CSyTraceGuard&) = delete;
    CSyTraceGuard& operator=(const CSyTraceGuard&) = delete;

private:
    void begin(const iastring& sourceFile, const iastring& signature, int line, const iastring& beginText);

    ILogBook* m_logBook; // null: a guard that does nothing
    iastring m_endText;
    bool m_indent;
    int m_traceLevel = 0;
    CMessage::eLogMessage m_messageType = CMessage::LOG_INFO;
    CLogArguments m_arguments;
    iastring m_sourceFile;
    iastring m_contextText1;
    iastring m_contextText2;
    iastring m_functionName;
};

class CTypeMappingBackup
{
public:
    explicit CTypeMappingBackup(ILogBook* logBook);
    ~CTypeMappingBackup();
    CTypeMappingBackup(const CTypeMappingBackup&) = delete;
    CTypeMappingBackup& operator=(const CTypeMappingBackup&) = delete;

protected:
    ILogBook* m_logBook;

private:
    CLogTypeMapping m_saved;
};

class CUseTypeMapping : public CTypeMappingBackup
{
public:
    CUseTypeMapping(ILogBook* logBook, CMessage::eLogMessage from, CMessage::eLogMessage to);
};

#define SY_SOURCE_FILE(name)                                                                           \
    namespace                                                                                          \
    {                                                                                                  \
    const wchar_t* const syThisSourceFile = name;                                                      \
    }

#define SY_TRACE_GUARD_(signature, begin, end)                                                         \
    CSyTraceGuard syTraceGuard(syThisSourceFile, signature, __LINE__, begin, end)
#define SY_TRACE_FUNCTION(signature) SY_TRACE_GUARD_(signature, L"begin of function", L"end of function")
#define SY_TRACE_CONSTRUCTOR(signature)                                                                \
    SY_TRACE_GUARD_(signature, L"begin of constructor", L"end of constructor")
#define SY_TRACE_DESTRUCTOR(signature) SY_TRACE_GUARD_(signature, L"begin of destructor", L"end of destructor")

#define SY_TRACE_PARAMETERS(values) syslib::traceParameters(values, __LINE__)
#define SY_TRACE_RETURN(value) syslib::traceReturnValue(value, __LINE__)
#define SY_TRACE_SYSCALL(call) syslib::traceSystemCall(call, __LINE__, syThisSourceFile)
#define SY_TRACE_SYSCALL_RETURNED() syslib::traceSystemCallReturned(__LINE__, syThisSourceFile)

// Logs "syslib.sysCallFailed" as LOG_ERROR for this file and line.
#define SY_PRINT_OS_ERROR(error, call, parameters)                                                     \
    syslib::printOSError(error, call, __LINE__, parameters, CMessage::LOG_ERROR, syThisSourceFile)
#define SY_TRACE_OS_ERROR(error, call, parameters)                                                     \
    syslib::traceOSError(error, call, __LINE__, parameters, syThisSourceFile)
