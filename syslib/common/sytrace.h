// Tracing and OS error reporting: the one logging facility of the library.
//
// Every .cpp names itself once with SY_SOURCE_FILE(L"syxx…"); that name appears in every trace line
// of its functions. Every public operation starts with SY_TRACE_FUNCTION(signature).
#pragma once

#include "framework/iastring.h"
#include "framework/logbook.h"
#include "syexcept.h"

#include <cstddef>
#include <sstream>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace syslib
{
typedef unsigned long SyOSError; // a GetLastError() value; DWORD without <windows.h>

// The library-wide log book as set by the host (may be null).
ILogBook* getLogBook();
ILogBook* setLogBook(ILogBook* logBook);
// The log book to write to: the host's, or one that discards everything while none is set.
ILogBook& logBook();

// While it lives, what this thread writes goes to book instead of the host's log book, which need not be
// thread-safe: a tree copy's workers write into records that the copy hands on in the tree's order. A
// null book leaves the thread as it was.
class CSyThreadLogBook
{
public:
    explicit CSyThreadLogBook(ILogBook* book);
    ~CSyThreadLogBook();
    CSyThreadLogBook(const CSyThreadLogBook&) = delete;
    CSyThreadLogBook& operator=(const CSyThreadLogBook&) = delete;

private:
    bool m_set;
    ILogBook* m_previous;
};

iastring getOSErrorText(SyOSError osError);
iastring getLastOSErrorText();
// GetLastError() / SetLastError() for the portable code.
SyOSError getLastOSError();
void setLastOSError(SyOSError osError);

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

// A per-thread conversion stream, emptied and cleared: building a stream costs more than the conversion.
std::wostringstream& conversionStream();
// Frees what tracing keeps for the calling thread; a thread the library starts calls it before it ends.
void releaseThreadState();

// Decimal text through a wide string stream; std::bad_cast when the stream fails.
template <class T>
iastring toString(T value)
{
    if constexpr (std::is_integral<T>::value && !std::is_same<T, bool>::value && sizeof(T) > 1)
    {
        // The same digits the stream would write, without its locale machinery.
        wchar_t digits[24];
        wchar_t* end = digits + 24;
        wchar_t* p = end;
        typedef typename std::make_unsigned<T>::type Unsigned;
        Unsigned magnitude = value < 0 ? static_cast<Unsigned>(0) - static_cast<Unsigned>(value)
                                       : static_cast<Unsigned>(value);
        do
        {
            *--p = static_cast<wchar_t>(L'0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (value < 0)
            *--p = L'-';
        return iastring(p, end);
    }
    else if constexpr (std::is_arithmetic<T>::value)
    {
        std::wostringstream& stream = conversionStream();
        stream << value;
        if (stream.fail())
            throw std::bad_cast();
        return stream.str();
    }
    else
    {
        std::wostringstream stream;
        stream << value;
        if (stream.fail())
            throw std::bad_cast();
        return stream.str();
    }
}
// Logs "syslib.sysConversionToStringFailed" with what was written so far, then throws ESyTypeConversion.
[[noreturn]] void throwConversionFailed(const iastring& soFar, int line);
// Number text for trace lines and message arguments (doubles with six significant digits); a stream
// failure is logged and thrown as ESyTypeConversion.
template <class T>
iastring toStringChecked(T value)
{
    if constexpr (std::is_integral<T>::value)
        return toString(value);
    else
    {
        std::wostringstream& stream = conversionStream();
        stream << value;
        if (stream.fail())
            throwConversionFailed(stream.str(), __LINE__);
        return stream.str();
    }
}

// Writes "parameter(s): …" / "return value: …".
void traceParameters(const iastring& values, int line);
void traceReturnValue(const iastring& value, int line);
inline iastring returnTraced(const iastring& value, int line)
{
    traceReturnValue(value, line);
    return value;
}
// A result built for returning is handed on, not copied: most traced results are.
inline iastring returnTraced(iastring&& value, int line)
{
    traceReturnValue(value, line);
    return std::move(value);
}

// Logs key with the arguments given (in order) as a message of the given type.
void reportMessage(const iastring& key, const CLogArguments& arguments, CMessage::eLogMessage type, int line);
// Logs key with the arguments given (in order) as LOG_ERROR.
void reportError(const iastring& key, const CLogArguments& arguments, int line);
// "common.parameterNotValid" with (argument, signature), then ESyPrecondition(PARAMETER_NOT_VALID).
[[noreturn]] void throwParameterNotValid(const iastring& argument, const iastring& signature, int line);
// "common.parameterEmpty" with (argument, signature), then ESyPrecondition(PARAMETER_NOT_VALID).
[[noreturn]] void throwParameterEmpty(const iastring& argument, const iastring& signature, int line);
// "common.functionNotSupported" with (signature), then ESyPrecondition(FUNCTION_NOT_SUPPORTED).
[[noreturn]] void throwFunctionNotSupported(const iastring& signature, int line);
// "syslib.outOfMemory", then ESyException("Out of memory").
[[noreturn]] void throwOutOfMemory(int line);
} // namespace syslib

// Does nothing when given no log book: what it would write would be discarded anyway.
class CSyTraceGuard
{
public:
    CSyTraceGuard(ILogBook* logBook, const iastring& sourceFile, const iastring& signature, int line,
                  const iastring& beginText, const iastring& endText, bool indent);

    // For the trace macros: endText must outlive the guard (the macros pass static texts), so no copy is made.
    struct CStaticEndText
    {
        const iastring& text;
    };
    CSyTraceGuard(ILogBook* logBook, const iastring& sourceFile, const iastring& signature, int line,
                  const iastring& beginText, CStaticEndText endText, bool indent);

    ~CSyTraceGuard();
    CSyTraceGuard(const CSyTraceGuard&) = delete;
    CSyTraceGuard& operator=(const CSyTraceGuard&) = delete;

private:
    void enter(const iastring& sourceFile, const iastring& signature, int line, const iastring& beginText);

    ILogBook* m_logBook;
    const iastring* m_endText;
    iastring m_ownedEndText;
    bool m_indent;
    // What the log book held before; kept in a per-thread stack whose strings keep their capacity,
    // because guards nest strictly and a traced call must not pay for allocations.
    std::size_t m_savedSlot;
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

namespace syslib
{
template <class T>
struct CSyIsWideLiteral
{
    static const bool value = false;
};
template <std::size_t N>
struct CSyIsWideLiteral<const wchar_t (&)[N]>
{
    static const bool value = true;
};

// The fixed texts of the trace guard, built once.
struct CSyGuardTexts
{
    iastring beginFunction = L"begin of function";
    iastring endFunction = L"end of function";
    iastring beginConstructor = L"begin of constructor";
    iastring endConstructor = L"end of constructor";
    iastring beginDestructor = L"begin of destructor";
    iastring endDestructor = L"end of destructor";
};
const CSyGuardTexts& guardTexts();
} // namespace syslib

// Names the source file in the trace lines of every function of this .cpp.
#define SY_SOURCE_FILE(name)                                                                           \
    namespace                                                                                          \
    {                                                                                                  \
    const wchar_t* const syThisSourceFile = name;                                                      \
    [[maybe_unused]] const iastring& syThisSourceFileName()                                            \
    {                                                                                                  \
        static const iastring text(name);                                                              \
        return text;                                                                                   \
    }                                                                                                  \
    }

// The signature is a string literal, built into an iastring once per call site.
#define SY_TRACE_GUARD_(signature, begin, end)                                                         \
    static_assert(syslib::CSyIsWideLiteral<decltype((signature))>::value,                             \
                  "a computed signature needs SY_TRACE_FUNCTION_TEXT");                                \
    static const iastring syTraceSignature(signature);                                                 \
    CSyTraceGuard syTraceGuard(syslib::getLogBook(), syThisSourceFileName(), syTraceSignature, __LINE__, \
                               syslib::guardTexts().begin, CSyTraceGuard::CStaticEndText{syslib::guardTexts().end}, true)
#define SY_TRACE_FUNCTION(signature) SY_TRACE_GUARD_(signature, beginFunction, endFunction)
#define SY_TRACE_CONSTRUCTOR(signature) SY_TRACE_GUARD_(signature, beginConstructor, endConstructor)
#define SY_TRACE_DESTRUCTOR(signature) SY_TRACE_GUARD_(signature, beginDestructor, endDestructor)
// For signatures that carry values, e.g. L"CSyX::get(" + path + L")".
// Build such a text only while tracing: SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? … : iastring()).
#define SY_TRACE_TEXT_GUARD_(signature, begin, end)                                                    \
    CSyTraceGuard syTraceGuard(syslib::getLogBook(), syThisSourceFileName(), signature, __LINE__,     \
                               syslib::guardTexts().begin, CSyTraceGuard::CStaticEndText{syslib::guardTexts().end}, true)
#define SY_TRACE_FUNCTION_TEXT(signature) SY_TRACE_TEXT_GUARD_(signature, beginFunction, endFunction)
#define SY_TRACE_CONSTRUCTOR_TEXT(signature) SY_TRACE_TEXT_GUARD_(signature, beginConstructor, endConstructor)

#define SY_TRACE_PARAMETERS(values) syslib::traceParameters(values, __LINE__)
#define SY_TRACE_RETURN(value) syslib::traceReturnValue(value, __LINE__)
// Traces a text result and hands it back: return SY_RETURN_TRACED(m_path.toString());
#define SY_RETURN_TRACED(text) syslib::returnTraced(text, __LINE__)
#define SY_TRACE_SYSCALL(call) syslib::traceSystemCall(call, __LINE__, syThisSourceFile)
#define SY_TRACE_SYSCALL_RETURNED() syslib::traceSystemCallReturned(__LINE__, syThisSourceFile)

// Logs "syslib.sysCallFailed" as LOG_ERROR for this file and line.
#define SY_PRINT_OS_ERROR(error, call, parameters)                                                     \
    syslib::printOSError(error, call, __LINE__, parameters, CMessage::LOG_ERROR, syThisSourceFile)
#define SY_TRACE_OS_ERROR(error, call, parameters)                                                     \
    syslib::traceOSError(error, call, __LINE__, parameters, syThisSourceFile)
