// Portable code only: OS error reports, system-call trace lines, failure reporting helpers and the
// state dump written for support.
#include "sytrace.h"
#include "sysysdump.h"

SY_SOURCE_FILE(L"syxxsyshlp")

namespace syslib
{
void throwConversionFailed(const iastring& soFar, int line)
{
    ILogBook& book = logBook();
    book.addArgument(soFar);
    book.message(L"syslib.sysConversionToStringFailed", CMessage::LOG_ERROR, line);
    throw ESyTypeConversion(soFar);
}

void printOSError(SyOSError osError, const iastring& systemCall, int line, const iastring& parameters,
                  CMessage::eLogMessage type, const iastring& sourceFile)
{
    SY_TRACE_FUNCTION(L"syslib::printOSError(const iastring &, int, DWORD, const iastring &, CMessage::eLogMessage)");
    ILogBook& book = logBook();

    // Access problems are often caused by the environment the installer runs in. A failure while the
    // dump is made may be reported here again: that one gets no second dump.
    // Callers throw with the last error after reporting it: the dump must not change it.
    static thread_local bool dumping = false;
    if ((osError == 5 || osError == 13) && !dumping)
    {
        const SyOSError lastError = getLastOSError();
        dumping = true;
        try
        {
            book.log(dumpCurrentProcessEnvironment(), __LINE__);
        }
        catch (...)
        {
        }
        dumping = false;
        setLastOSError(lastError);
    }

    book.addArgument(systemCall);
    iastring lineText = L"unknown";
    iastring errorText = L"unknown";
    try
    {
        lineText = toString(line);
        errorText = toString(osError);
    }
    catch (const std::bad_cast&)
    {
        book.log(L"Unable to convert OS error number or line number to string.", __LINE__);
    }
    book.addArgument(lineText);
    book.addArgument(errorText);
    book.addArgument(getOSErrorText(osError));
    book.addArgument(parameters);
    book.addArgument(sourceFile);
    book.message(L"syslib.sysCallFailed", type, line);
}

void traceOSError(SyOSError osError, const iastring& systemCall, int line, const iastring& parameters,
                  const iastring& sourceFile)
{
    iastring number;
    try
    {
        number = toStringChecked(osError);
    }
    catch (const ESyTypeConversion&)
    {
        number = L"unknown";
    }
    logBook().log(L"Syslib info about system call. OS message " + number + L" (" + getOSErrorText(osError) +
                      L") after execution of system call '" + systemCall + L"' with parameter (" + parameters +
                      L"), line (" + toString(line) + L") in file (" + sourceFile + L").",
                  line);
}

void traceSystemCall(const iastring& systemCall, int line, const iastring& sourceFile)
{
    logBook().trace(L"Going to call system function " + systemCall + L" at line " + toString(line) + L" in file " +
                        sourceFile + L".",
                    line);
}

void traceSystemCallReturned(int line, const iastring& sourceFile)
{
    const iastring lastError = getLastOSErrorText();
    logBook().trace(L"System call returned. Line: " + toString(line) + L", file: " + sourceFile +
                        L". Last OS error message: " + lastError,
                    line);
}

void traceExceptionAt(int line, const iastring& sourceFile)
{
    const iastring lastError = getLastOSErrorText();
    logBook().trace(L"Syslib control flow info: Exception at line " + toString(line) + L" in file " + sourceFile +
                        L". Last OS message: " + lastError,
                    line);
}

namespace
{
// Prefix and value joined in a per-thread buffer that keeps its capacity.
void tracePrefixed(const wchar_t* prefix, const iastring& value, int line)
{
    if (!isTracing())
        return;
    thread_local iastring text;
    text.assign(prefix);
    text += value;
    logBook().trace(text, line);
}
} // namespace

void traceParameters(const iastring& values, int line)
{
    tracePrefixed(L"parameter(s): ", values, line);
}

void traceReturnValue(const iastring& value, int line)
{
    tracePrefixed(L"return value: ", value, line);
}

void reportMessage(const iastring& key, const CLogArguments& arguments, CMessage::eLogMessage type, int line)
{
    ILogBook& book = logBook();
    for (const iastring& argument : arguments)
        book.addArgument(argument);
    book.message(key, type, line);
}

void reportError(const iastring& key, const CLogArguments& arguments, int line)
{
    reportMessage(key, arguments, CMessage::LOG_ERROR, line);
}

void throwParameterNotValid(const iastring& argument, const iastring& signature, int line)
{
    reportError(L"common.parameterNotValid", {argument, signature}, line);
    throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
}

void throwParameterEmpty(const iastring& argument, const iastring& signature, int line)
{
    reportError(L"common.parameterEmpty", {argument, signature}, line);
    throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
}

void throwFunctionNotSupported(const iastring& signature, int line)
{
    reportError(L"common.functionNotSupported", {signature}, line);
    throw ESyPrecondition(ESyPrecondition::FUNCTION_NOT_SUPPORTED);
}

void throwOutOfMemory(int line)
{
    reportError(L"syslib.outOfMemory", {}, line);
    throw ESyException(L"Out of memory");
}

void logSystemState()
{
    SY_TRACE_FUNCTION(L"syslib::logSystemState()");
    ILogBook& book = logBook();
    CUseTypeMapping errorsAsWarnings(&book, CMessage::LOG_ERROR, CMessage::LOG_WARNING);
    try
    {
        book.log(dumpCurrentProcessEnvironment(), __LINE__);
    }
    catch (...)
    {
        book.log(L"Could not dump current process environment.", __LINE__);
    }
    try
    {
        book.log(dumpSystemInformation(), __LINE__);
    }
    catch (...)
    {
        book.log(L"Could not dump system information.", __LINE__);
    }
}
} // namespace syslib
