#include "syslib/common/sysyshlpwin.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"
#include "tests/support/recordinglogbook.h"

#include <winnetwk.h>

#include <gtest/gtest.h>

#include <stdexcept>

SY_SOURCE_FILE(L"trace_test")

namespace
{
// FormatMessageW straight from the system, as the expected value (its wording differs across systems).
iastring systemText(DWORD error)
{
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const iastring text = length ? iastring(buffer, length) : iastring();
    ::LocalFree(buffer);
    return text;
}

// A number no system has a message for (the customer bit is set).
const DWORD noSuchError = 0x20000001;

void tracedWithValue(const iastring& value)
{
    SY_TRACE_FUNCTION_TEXT(L"get(" + value + L")");
}

void throwingTracedFunction()
{
    SY_TRACE_FUNCTION(L"inner()");
    throw std::runtime_error("inner failed");
}
} // namespace

TEST(TraceGuardTest, WritesBeginAndEndAndRestoresTheLogBook)
{
    CRecordingLogBook book;
    book.setSourceFile(L"outer.cpp");
    book.setFunctionName(L"outer()");
    book.setContextText1(L"c1");
    book.setContextText2(L"c2");
    book.setTraceLevel(3);
    book.setMessageType(CMessage::LOG_WARNING);
    {
        CSyTraceGuard guard(&book, L"syxxtest", L"CSyX::run(int)", 42, L"begin of function", L"end of function",
                            true);
        EXPECT_EQ(L"syxxtest", book.getSourceFile());
        EXPECT_EQ(L"CSyX::run(int)", book.getFunctionName());
        EXPECT_EQ(1, book.depth());
        book.setContextText1(L"changed");
        book.setTraceLevel(9);
        book.setMessageType(CMessage::LOG_ERROR);
    }
    ASSERT_EQ(2u, book.lines().size());
    EXPECT_EQ(L"begin of function", book.lines()[0].text);
    EXPECT_EQ(42, book.lines()[0].line);
    EXPECT_EQ(L"syxxtest", book.lines()[0].sourceFile);
    EXPECT_EQ(L"CSyX::run(int)", book.lines()[0].functionName);
    EXPECT_EQ(1, book.lines()[0].depth);
    EXPECT_EQ(L"end of function", book.lines()[1].text);
    EXPECT_EQ(0, book.lines()[1].line);
    // "end" is still written at the function's depth; unindent follows it.
    EXPECT_EQ(1, book.lines()[1].depth);

    EXPECT_EQ(0, book.depth());
    EXPECT_EQ(L"outer.cpp", book.getSourceFile());
    EXPECT_EQ(L"outer()", book.getFunctionName());
    EXPECT_EQ(L"c1", book.getContextText1());
    EXPECT_EQ(L"c2", book.getContextText2());
    EXPECT_EQ(3, book.getTraceLevel());
    EXPECT_EQ(CMessage::LOG_WARNING, book.getMessageType());
}

TEST(TraceGuardTest, ExceptionLeavingTheFunctionStillEndsAndRestores)
{
    CRecordingLogBook book;
    book.setSourceFile(L"outer.cpp");
    book.setFunctionName(L"outer()");
    book.addArgument(L"pending");
    EXPECT_THROW(throwingTracedFunction(), std::runtime_error);

    ASSERT_EQ(2u, book.lines().size());
    EXPECT_EQ(L"begin of function", book.lines()[0].text);
    EXPECT_EQ(L"trace_test", book.lines()[0].sourceFile);
    EXPECT_EQ(L"inner()", book.lines()[0].functionName);
    EXPECT_EQ(L"end of function", book.lines()[1].text);
    EXPECT_EQ(0, book.depth());
    EXPECT_EQ(L"outer.cpp", book.getSourceFile());
    EXPECT_EQ(L"outer()", book.getFunctionName());
    EXPECT_EQ(CLogArguments{L"pending"}, book.getArguments());
}

TEST(TraceGuardTest, PendingArgumentsOfTheCallerSurviveANestedCall)
{
    CRecordingLogBook book;
    book.addArgument(L"first");
    book.addArgument(L"second");
    {
        SY_TRACE_FUNCTION(L"nested()");
        // The nested function starts with no pending arguments and its own message consumes only its own.
        EXPECT_TRUE(book.getArguments().empty());
        book.addArgument(L"inner");
        book.message(L"test.inner", CMessage::LOG_INFO, 1);
        book.addArgument(L"left over");
    }
    EXPECT_EQ((CLogArguments{L"first", L"second"}), book.getArguments());
    EXPECT_EQ(CLogArguments{L"inner"}, book.onlyMessage(L"test.inner").arguments);

    // With nothing pending before, what the nested call left behind is cleared.
    book.clearArguments();
    {
        SY_TRACE_FUNCTION(L"nested()");
        book.addArgument(L"left over");
    }
    EXPECT_TRUE(book.getArguments().empty());
}

TEST(TraceGuardTest, ConstructorAndDestructorTexts)
{
    CRecordingLogBook book;
    {
        SY_TRACE_CONSTRUCTOR(L"CSyX::CSyX()");
    }
    {
        SY_TRACE_DESTRUCTOR(L"CSyX::~CSyX()");
    }
    EXPECT_EQ((std::vector<iastring>{L"begin of constructor", L"end of constructor", L"begin of destructor",
                                     L"end of destructor"}),
              book.traces());
}

TEST(TraceGuardTest, ComputedSignaturesAreNotFrozenAtTheFirstCall)
{
    CRecordingLogBook book;
    tracedWithValue(L"a");
    tracedWithValue(L"b");
    ASSERT_EQ(4u, book.lines().size());
    EXPECT_EQ(L"get(a)", book.lines()[0].functionName);
    EXPECT_EQ(L"get(b)", book.lines()[2].functionName);
}

TEST(TypeMappingTest, MappingHoldsExactlyForItsScope)
{
    CRecordingLogBook book;
    book.useTypeMapping(CMessage::LOG_INFO, CMessage::LOG_WARNING);
    {
        CUseTypeMapping mapping(&book, CMessage::LOG_ERROR, CMessage::LOG_WARNING);
        book.message(L"inside", CMessage::LOG_ERROR, 1);
        {
            CTypeMappingBackup backup(&book);
            book.useTypeMapping(CMessage::LOG_WARNING, CMessage::LOG_ERROR);
        }
        book.message(L"inside.warning", CMessage::LOG_WARNING, 1);
    }
    book.message(L"outside", CMessage::LOG_ERROR, 1);
    book.message(L"outside.info", CMessage::LOG_INFO, 1);

    EXPECT_EQ(CMessage::LOG_WARNING, book.onlyMessage(L"inside").type);
    EXPECT_EQ(CMessage::LOG_WARNING, book.onlyMessage(L"inside.warning").type);
    EXPECT_EQ(CMessage::LOG_ERROR, book.onlyMessage(L"outside").type);
    // The mapping set before the guard is back, not merely emptied.
    EXPECT_EQ(CMessage::LOG_WARNING, book.onlyMessage(L"outside.info").type);
}

TEST(OSErrorTextTest, SystemTextsAndFallbacks)
{
    CRecordingLogBook book;
    const iastring notFound = syslib::getOSErrorText(2);
    EXPECT_FALSE(notFound.empty());
    EXPECT_EQ(systemText(2), notFound);

    EXPECT_EQ(L"error code = " + std::to_wstring(noSuchError), syslib::getOSErrorText(noSuchError));

    ::SetLastError(2);
    EXPECT_EQ(notFound, syslib::getLastOSErrorText());
}

namespace
{
DWORD g_providerAnswer = NO_ERROR;
DWORD g_textSize = 0;

DWORD WINAPI fakeProvider(LPDWORD error, LPWSTR text, DWORD textSize, LPWSTR provider, DWORD providerSize)
{
    g_textSize = textSize;
    if (g_providerAnswer != NO_ERROR)
        return g_providerAnswer;
    *error = 53;
    wcsncpy(text, L"The share is offline.", textSize);
    wcsncpy(provider, L"Contoso Network", providerSize);
    return NO_ERROR;
}
} // namespace

TEST(OSErrorTextTest, ExtendedNetworkErrorAsksTheProvider)
{
    CRecordingLogBook book;
    const syslib::CSyWNetLastErrorQuery previous = syslib::setWNetLastErrorQuery(fakeProvider);
    g_providerAnswer = NO_ERROR;
    EXPECT_EQ(L"Contoso Network: The share is offline.", syslib::getOSErrorText(ERROR_EXTENDED_ERROR));
    EXPECT_EQ(512u, g_textSize);
    g_providerAnswer = ERROR_NO_NETWORK;
    EXPECT_EQ(L"extended WNet error (no description available)", syslib::getOSErrorText(ERROR_EXTENDED_ERROR));
    syslib::setWNetLastErrorQuery(previous);
    // Wine's own provider never answers.
    EXPECT_EQ(L"extended WNet error (no description available)", syslib::getOSErrorText(ERROR_EXTENDED_ERROR));
}

TEST(PrintOSErrorTest, MessageHasSixArgumentsInOrder)
{
    CRecordingLogBook book;
    book.setFunctionName(L"caller()");
    syslib::printOSError(2, L"CreateFileW", 77, L"C:\\x.txt", CMessage::LOG_ERROR, L"synxcfile");

    const CRecordedLine message = book.onlyMessage(L"syslib.sysCallFailed");
    EXPECT_EQ(CMessage::LOG_ERROR, message.type);
    EXPECT_EQ(77, message.line);
    EXPECT_EQ((CLogArguments{L"CreateFileW", L"77", L"2", systemText(2), L"C:\\x.txt", L"synxcfile"}),
              message.arguments);
    EXPECT_EQ(L"syxxsyshlp", message.sourceFile);
    EXPECT_EQ(L"syslib::printOSError(const iastring &, int, DWORD, const iastring &, CMessage::eLogMessage)",
              message.functionName);
    // Error 2 is no access problem: no environment dump.
    EXPECT_TRUE(book.logs().empty());
    EXPECT_EQ(L"caller()", book.getFunctionName());
}

TEST(PrintOSErrorTest, WarningTypeIsPassedOn)
{
    CRecordingLogBook book;
    syslib::printOSError(noSuchError, L"X", 1, L"", CMessage::LOG_WARNING, L"f");
    const CRecordedLine message = book.onlyMessage(L"syslib.sysCallFailed");
    EXPECT_EQ(CMessage::LOG_WARNING, message.type);
    EXPECT_EQ(L"error code = " + std::to_wstring(noSuchError), message.arguments.at(3));
}

TEST(TraceOSErrorTest, OneLogLine)
{
    CRecordingLogBook book;
    syslib::traceOSError(2, L"DeleteFileW", 12, L"a.txt", L"synxcfile");
    ASSERT_EQ(1u, book.logs().size());
    EXPECT_EQ(L"Syslib info about system call. OS message 2 (" + systemText(2) +
                  L") after execution of system call 'DeleteFileW' with parameter (a.txt), line (12) in file "
                  L"(synxcfile).",
              book.logs()[0]);
    EXPECT_TRUE(book.messages().empty());
}

TEST(SystemCallTraceTest, LinesCarryCallLineFileAndLastError)
{
    CRecordingLogBook book;
    syslib::traceSystemCall(L"CopyFileW", 10, L"synxcfile");
    ::SetLastError(2);
    syslib::traceSystemCallReturned(11, L"synxcfile");
    ::SetLastError(2);
    syslib::traceExceptionAt(12, L"synxcfile");

    const std::vector<iastring> traces = book.traces();
    ASSERT_EQ(3u, traces.size());
    EXPECT_EQ(L"Going to call system function CopyFileW at line 10 in file synxcfile.", traces[0]);
    EXPECT_EQ(L"System call returned. Line: 11, file: synxcfile. Last OS error message: " + systemText(2),
              traces[1]);
    EXPECT_EQ(L"Syslib control flow info: Exception at line 12 in file synxcfile. Last OS message: " + systemText(2),
              traces[2]);
}

TEST(PrintNTErrorTest, ReportsAndTheWrapperThrowsTheLastError)
{
    CRecordingLogBook book;
    syslib::printNTError(&book, L"CreateProcess", 30, 2, L"cmd.exe /c x ...", CMessage::LOG_WARNING);
    const CRecordedLine reported = book.onlyMessage(L"syslib.NT.generic");
    EXPECT_EQ(CMessage::LOG_WARNING, reported.type);
    ASSERT_EQ(5u, reported.arguments.size());
    EXPECT_EQ(L"CreateProcess", reported.arguments[0]);
    EXPECT_EQ(L"30", reported.arguments[1]);
    EXPECT_EQ(L"2", reported.arguments[2]);
    EXPECT_FALSE(reported.arguments[3].empty());
    EXPECT_EQ(L"cmd.exe /c x ...", reported.arguments[4]);

    book.clear();
    ::SetLastError(5);
    try
    {
        syslib::printNTErrorAndThrow(&book, L"CreateProcess", 31, L"p");
        FAIL() << "no exception";
    }
    catch (const ESyException& caught)
    {
        EXPECT_EQ(ESyException::WIN32_ERROR, caught.getErrorType());
        EXPECT_EQ(5, caught.getCode());
    }
    const CRecordedLine thrown = book.onlyMessage(L"syslib.NT.generic");
    EXPECT_EQ(CMessage::LOG_ERROR, thrown.type);
    EXPECT_EQ(L"5", thrown.arguments.at(2));

    book.clear();
    syslib::printNTError(&book, L"X", 1, noSuchError, L"", CMessage::LOG_ERROR);
    EXPECT_EQ(L"Unknown, try 'net helpmsg <Nr>'", book.onlyMessage(L"syslib.NT.generic").arguments.at(3));
}

TEST(FailureReportTest, LogFirstThenThrow)
{
    CRecordingLogBook book;
    try
    {
        syslib::throwParameterNotValid(L"name", L"CSyX::f(iastring)", 5);
        FAIL() << "no exception";
    }
    catch (const ESyPrecondition& caught)
    {
        EXPECT_EQ(ESyPrecondition::PARAMETER_NOT_VALID, caught.getCode());
    }
    EXPECT_EQ((CLogArguments{L"name", L"CSyX::f(iastring)"}), book.onlyMessage(L"common.parameterNotValid").arguments);

    try
    {
        syslib::throwFunctionNotSupported(L"CSyX::g()", 6);
        FAIL() << "no exception";
    }
    catch (const ESyPrecondition& caught)
    {
        EXPECT_EQ(ESyPrecondition::FUNCTION_NOT_SUPPORTED, caught.getCode());
    }
    EXPECT_EQ(CMessage::LOG_ERROR, book.onlyMessage(L"common.functionNotSupported").type);

    try
    {
        syslib::throwOutOfMemory(7);
        FAIL() << "no exception";
    }
    catch (const ESyException& caught)
    {
        EXPECT_EQ(L"Out of memory", caught.getText());
    }
    EXPECT_EQ(CMessage::LOG_ERROR, book.onlyMessage(L"syslib.outOfMemory").type);
}

TEST(ToStringTest, DecimalText)
{
    EXPECT_EQ(L"-17", syslib::toString(-17));
    EXPECT_EQ(L"0", syslib::toString(0u));
    EXPECT_EQ(L"-2147483648", syslib::toString(static_cast<int>(-2147483647 - 1)));
    EXPECT_EQ(L"-9223372036854775808", syslib::toString(static_cast<long long>(-9223372036854775807LL - 1)));
    EXPECT_EQ(L"18446744073709551615", syslib::toString(18446744073709551615ull));
    EXPECT_EQ(L"2.5", syslib::toString(2.5));
    EXPECT_EQ(L"4294967295", syslib::toStringChecked(4294967295ul));
}
