// Windows code: OS error texts, the NT error report of the child-process code, and the token, SID and
// descriptor helpers.
#include "syfilesecapi.h"
#include "sysyshlpwin.h"
#include "sytrace.h"
#include "sywinsec.h"

#include <aclapi.h>
#include <winnetwk.h>

#include <new>

SY_SOURCE_FILE(L"synxsyshlp")

namespace
{
syslib::CSyWNetLastErrorQuery g_wnetLastErrorQuery = nullptr;

// FormatMessageW text for an error number, or empty when the system has none.
// The TokenUser or TokenGroups information of a token; empty (after logging) when it cannot be read.
std::vector<BYTE> tokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass)
{
    ILogBook& book = syslib::logBook();
    DWORD size = 0;
    if (!::GetTokenInformation(token, informationClass, nullptr, 0, &size) &&
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    {
        book.log(L"Could not GetTokenInformation to determine required memory. Error: " +
                     syslib::toString(::GetLastError()) + L" I will exit.",
                 __LINE__);
        return std::vector<BYTE>();
    }
    std::vector<BYTE> buffer;
    try
    {
        buffer.resize(size);
    }
    catch (const std::bad_alloc&)
    {
        book.log(L"Could not allocate buffer for token privileges. I will exit.", __LINE__);
        return std::vector<BYTE>();
    }
    if (size == 0 || !::GetTokenInformation(token, informationClass, buffer.data(), size, &size))
    {
        book.log(L"Could not GetTokenInformation. Error: " + syslib::toString(::GetLastError()) + L" I will exit.",
                 __LINE__);
        return std::vector<BYTE>();
    }
    return buffer;
}

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

SyOSError getLastOSError()
{
    return ::GetLastError();
}

void setLastOSError(SyOSError osError)
{
    ::SetLastError(osError);
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

namespace syslib
{
bool getTokenSid(HANDLE token, CSyWinSid& sid)
{
    SY_TRACE_FUNCTION(L"syslib::getTokenSid");
    const std::vector<BYTE> buffer = tokenInformation(token, TokenUser);
    if (buffer.empty())
        return false;
    try
    {
        sid = CSyWinSid(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
    }
    catch (const ESyException&)
    {
        return false;
    }
    return true;
}

bool getTokenGroups(HANDLE token, CTokenGroups& groups)
{
    SY_TRACE_FUNCTION(L"syslib::getTokenGroups");
    const std::vector<BYTE> buffer = tokenInformation(token, TokenGroups);
    if (buffer.empty())
        return false;
    const TOKEN_GROUPS* tokenGroups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    try
    {
        for (DWORD i = 0; i < tokenGroups->GroupCount; ++i)
            groups.add(CSyWinSid(tokenGroups->Groups[i].Sid), tokenGroups->Groups[i].Attributes);
    }
    catch (const ESyException&)
    {
        return false;
    }
    return true;
}

void appendRid(CSyWinSid& result, const CSyWinSid& domain, DWORD rid)
{
    SY_TRACE_FUNCTION(L"syslib::appendRid(CSyWinSid &, const CSyWinSid &, DWORD)");
    if (domain.isEmpty() || !::IsValidSid(domain.get()))
    {
        reportError(L"syslib.account.invalidSID", {}, __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    const BYTE count = *::GetSidSubAuthorityCount(domain.get());
    if (count >= SID_MAX_SUB_AUTHORITIES)
    {
        reportError(L"syslib.account.invalidSID", {}, __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    std::vector<BYTE> buffer;
    try
    {
        buffer.resize(::GetSidLengthRequired(static_cast<UCHAR>(count + 1)));
    }
    catch (const std::bad_alloc&)
    {
        throwOutOfMemory(__LINE__);
    }
    PSID sid = buffer.data();
    if (!::InitializeSid(sid, ::GetSidIdentifierAuthority(domain.get()), static_cast<BYTE>(count + 1)))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"InitializeSid", SySID::toStringSID(domain.get()));
        throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    for (BYTE i = 0; i < count; ++i)
        *::GetSidSubAuthority(sid, i) = *::GetSidSubAuthority(domain.get(), i);
    *::GetSidSubAuthority(sid, count) = rid;
    result = CSyWinSid(sid);
}

eTokenMembership getTokenGroupMembership(const CSyWinSid& account, const CSyWinSid& group)
{
    SY_TRACE_FUNCTION(L"syslib::getTokenGroupMembership(const CSyWinSid &, const CSyWinSid &)");
    CAccessToken token;
    if (!token.openThreadToken(TOKEN_READ, true) && !token.openProcessToken(TOKEN_READ))
    {
        SY_TRACE_RETURN(L"UNKNOWN");
        return UNKNOWN;
    }
    CSyWinSid user;
    if (!getTokenSid(token.get(), user) || user != account)
    {
        SY_TRACE_RETURN(L"UNKNOWN");
        return UNKNOWN;
    }
    CTokenGroups groups;
    if (!getTokenGroups(token.get(), groups))
    {
        SY_TRACE_RETURN(L"UNKNOWN");
        return UNKNOWN;
    }
    const eTokenMembership result = groups.hasEnabled(group) ? IS_MEMBER : NOT_MEMBER;
    SY_TRACE_RETURN(result == IS_MEMBER ? L"IS_MEMBER" : L"NOT_MEMBER");
    return result;
}
} // namespace syslib

bool SyWinGetSecurityDescriptor(const iastring& objectName, SE_OBJECT_TYPE objectType, CSyWinSecurityDesc& descriptor,
                                SECURITY_INFORMATION requested, bool requestNeededPrivileges)
{
    SY_TRACE_FUNCTION(L"SyWinGetSecurityDescriptor(const iastring &, SE_OBJECT_TYPE, CSyWinSecurityDesc &, "
                      L"SECURITY_INFORMATION, bool)");
    SY_TRACE_PARAMETERS(objectName);
    // Only a SACL needs a privilege.
    if (!(requested & SACL_SECURITY_INFORMATION))
        requestNeededPrivileges = false;

    CSyPrivilegeScope privileges;
    if (requestNeededPrivileges && !privileges.begin({L"SeSecurityPrivilege"}))
        return false;

    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> returned;
    const DWORD result = syslib::fileSecurityApi().GetNamedSecurityInfoW(
        objectName.c_str(), objectType, requested, nullptr, nullptr, nullptr, nullptr, returned.receive());

    if (!privileges.end())
        return false;
    if (result != ERROR_SUCCESS)
    {
        ::SetLastError(result);
        return false;
    }
    try
    {
        descriptor = CSyWinSecurityDesc(returned.get());
    }
    catch (const ESyException& failure)
    {
        ::SetLastError(static_cast<DWORD>(failure.getCode()));
        return false;
    }
    return true;
}
