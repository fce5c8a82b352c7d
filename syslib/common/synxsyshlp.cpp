// Windows code: OS error texts and the NT error report of the child-process code.
#include "sysyshlpwin.h"
#include "sytrace.h"

#include <winnetwk.h>

SY_SOURCE_FILE(L"synxsyshlp")

namespace
{
syslib::CSyWNetLastErrorQuery g_wnetLastErrorQuery = nullptr;

// FormatMessageW text for an error number, or empty when the system has none.
iastring systemMessageText(DWORD osError, DWORD extraFlags)
{
    syslib::CSyLocalMem<wchar_t*> buffer;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | extraFlags, nullptr, osError,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(buffer.receive()),
                         0, nullptr);
    if (length == 0 || !buffer)
        return iastring();
    return iastring(buffer.get(), length);
}
} // namespace

namespace syslib
{
CSyWNetLastErrorQuery setWNetLastErrorQuery(CSyWNetLastErrorQuery query)
{
    const CSyWNetLastErrorQuery previous = g_wnetLastErrorQuery;
    g_wnetLastErrorQuery = query;
    return previous;
}

iastring getOSErrorText(SyOSError osError)
{
    if (osError == ERROR_EXTENDED_ERROR)
    {
        DWORD providerError = 0;
        wchar_t errorText[512] = {0};
        wchar_t providerName[512] = {0};
        const CSyWNetLastErrorQuery query = g_wnetLastErrorQuery ? g_wnetLastErrorQuery : ::WNetGetLastErrorW;
        if (query(&providerError, errorText, 512, providerName, 512) == NO_ERROR)
            return iastring(providerName) + L": " + errorText;
        return L"extended WNet error (no description available)";
    }
    const iastring text = systemMessageText(osError, FORMAT_MESSAGE_IGNORE_INSERTS);
    if (!text.empty())
        return text;
    try
    {
        return L"error code = " + toStringChecked(osError);
    }
    catch (const ESyTypeConversion&)
    {
        return L"error code could not be converted to string.";
    }
}

iastring getLastOSErrorText()
{
    const DWORD lastError = ::GetLastError();
    return getOSErrorText(lastError);
}

void printNTError(ILogBook* logBook, const iastring& systemCall, int line, SyOSError osError,
                  const iastring& parameters, CMessage::eLogMessage type)
{
    ILogBook& book = logBook ? *logBook : syslib::logBook();
    iastring text = systemMessageText(osError, 0);
    if (text.empty())
        text = L"Unknown, try 'net helpmsg <Nr>'";
    book.addArgument(systemCall);
    book.addArgument(toString(line));
    book.addArgument(toString(osError));
    book.addArgument(text);
    book.addArgument(parameters);
    book.message(L"syslib.NT.generic", type, line);
}

void printNTError(ILogBook* logBook, const iastring& systemCall, int line, const iastring& parameters,
                  CMessage::eLogMessage type)
{
    const DWORD lastError = ::GetLastError();
    printNTError(logBook, systemCall, line, lastError, parameters, type);
}

void printNTErrorAndThrow(ILogBook* logBook, const iastring& systemCall, int line, const iastring& parameters)
{
    const DWORD lastError = ::GetLastError();
    printNTError(logBook, systemCall, line, lastError, parameters, CMessage::LOG_ERROR);
    throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(lastError));
}
} // namespace syslib
