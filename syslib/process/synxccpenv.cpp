// Windows code: the library process's variables, working directory, user and token.
#include "syprocessenvimpl.h"

#include "framework/iacontaineriter.h"
#include "syslib/common/sytrace.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sywinsec.h"
#include "syuserswitch.h"

#include <cerrno>
#include <cwchar>

SY_SOURCE_FILE(L"synxccpenv")

namespace
{
// The process user's SID text, read once: the process token's user never changes.
iastring g_processUserSid;

[[noreturn]] void throwCannotAccessUser(DWORD error, const iastring& call, int line)
{
    syslib::printOSError(error, call, line, iastring(), CMessage::LOG_ERROR, syThisSourceFile);
    syslib::reportError(L"syslib.account.cannotAccessCurUser", {}, line);
    throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
}

CSyWinSid processUser()
{
    CAccessToken token;
    if (!token.openProcessToken(TOKEN_QUERY))
        throwCannotAccessUser(::GetLastError(), L"OpenProcessToken", __LINE__);
    CSyWinSid user;
    if (!syslib::getTokenSid(token.get(), user))
        throwCannotAccessUser(::GetLastError(), L"GetTokenInformation", __LINE__);
    return user;
}

const iastring& processUserSid()
{
    if (g_processUserSid.empty())
        g_processUserSid = SySID::toStringSID(processUser().get());
    return g_processUserSid;
}

// SID texts come from different writers; the letter "S" and any hexadecimal authority may differ in case.
bool sameSid(const iastring& a, const iastring& b)
{
    return !a.empty() && ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

iastring accountText(CSyWinSid& sid)
{
    iastring text = SySID::toStringSID(sid.get());
    if (sid.lookupAccount())
        text += L" (" + (sid.getDomain().empty() ? iastring() : sid.getDomain() + L"\\") + sid.getName() + L")";
    return text;
}

iastring groupAttributes(DWORD attributes)
{
    static const struct
    {
        DWORD bit;
        const wchar_t* name;
    } names[] = {{SE_GROUP_MANDATORY, L"mandatory"},
                 {SE_GROUP_ENABLED_BY_DEFAULT, L"enabled-by-default"},
                 {SE_GROUP_ENABLED, L"enabled"},
                 {SE_GROUP_OWNER, L"owner"},
                 {SE_GROUP_USE_FOR_DENY_ONLY, L"deny-only"},
                 {SE_GROUP_INTEGRITY, L"integrity"},
                 {SE_GROUP_INTEGRITY_ENABLED, L"integrity-enabled"},
                 {SE_GROUP_LOGON_ID, L"logon-id"},
                 {SE_GROUP_RESOURCE, L"resource"}};
    iastring text;
    for (const auto& name : names)
        if ((attributes & name.bit) == name.bit)
            text += (text.empty() ? L"" : L",") + iastring(name.name);
    return text.empty() ? iastring(L"-") : text;
}
} // namespace

iastring CSyCurrentProcessEnvironmentImpl::getEnvironmentVariable(const iastring& name)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::getEnvironmentVariable(iastring)");
    SY_TRACE_PARAMETERS(name);
    std::vector<wchar_t> value(256);
    for (;;)
    {
        const DWORD length = ::GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0)
            return SY_RETURN_TRACED(iastring());
        // A value that does not fit gives the size it needs, terminator included.
        if (length < value.size())
            return SY_RETURN_TRACED(iastring(value.data(), length));
        value.resize(length);
    }
}

bool CSyCurrentProcessEnvironmentImpl::setEmptyVariable(const iastring& name)
{
    if (::SetEnvironmentVariableW(name.c_str(), L""))
        return true;
    errno = EINVAL;
    return false;
}

std::vector<CSyEnvironmentVariable> CSyCurrentProcessEnvironmentImpl::readVariables(bool& incomplete)
{
    syslib::CSyEnvironmentStrings block(::GetEnvironmentStringsW());
    if (!block)
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"GetEnvironmentStringsW", iastring());
        throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    std::vector<CSyEnvironmentVariable> variables;
    for (const wchar_t* entry = block.get(); *entry; entry += std::wcslen(entry) + 1)
    {
        // "=C:=C:\dir" entries are the per-drive directories of the command interpreter, not variables.
        if (entry[0] == L'=')
            continue;
        const wchar_t* separator = std::wcschr(entry, L'=');
        if (!separator)
        {
            incomplete = true;
            continue;
        }
        variables.emplace_back(iastring(entry, separator), iastring(separator + 1));
    }
    return variables;
}

PSyEnvironmentIterator CSyCurrentProcessEnvironmentImpl::getEnvironmentVariables()
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::getEnvironmentVariables()");
    bool incomplete = false;
    return PSyEnvironmentIterator(new CIaContainerIter<CSyEnvironmentVariable>(readVariables(incomplete)));
}

iastring CSyCurrentProcessEnvironmentImpl::getWorkingDirectory()
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::getWorkingDirectory()");
    std::vector<wchar_t> directory(MAX_PATH);
    for (;;)
    {
        const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data());
        if (length == 0)
        {
            syslib::logBook().log(L"The working directory could not be determined.", __LINE__);
            syslib::reportError(L"syslib.process.currentProcessEnv.notGetWorkdir", {}, __LINE__);
            throw ESyCurrentDirError(false);
        }
        if (length < directory.size())
            return SY_RETURN_TRACED(iastring(directory.data(), length));
        directory.resize(length);
    }
}

void CSyCurrentProcessEnvironmentImpl::setWorkingDirectory(const iastring& directory)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::setWorkingDirectory(iastring)");
    SY_TRACE_PARAMETERS(directory);
    if (directory.empty())
        syslib::throwParameterEmpty(L"sDirectory", L"CSyCurrentProcessEnvironmentImpl::setWorkingDirectory(iastring)",
                                    __LINE__);
    if (!::SetCurrentDirectoryW(directory.c_str()))
    {
        syslib::logBook().log(L"The working directory could not be changed.", __LINE__);
        syslib::reportError(L"syslib.process.currentProcessEnv.notSetWorkdir", {}, __LINE__);
        throw ESyChangeDir(false);
    }
    syslib::logBook().message(L"syslib.process.currentProcessEnv.cwdSuccessful", CMessage::LOG_INFO, __LINE__);
}

iastring CSyCurrentProcessEnvironmentImpl::processUserName()
{
    CSyWinSid user = processUser();
    if (!user.lookupAccount())
        throwCannotAccessUser(::GetLastError(), L"LookupAccountSid", __LINE__);
    return user.getName();
}

PSyUser CSyCurrentProcessEnvironmentImpl::getUser()
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::getUser()");
    const iastring sid = processUserSid();
    SY_TRACE_PARAMETERS(sid);
    return CSyslibFactory::getPrivilegedInstance()->getAccountMgt()->getUser(sid);
}

void CSyCurrentProcessEnvironmentImpl::setUser(PSyUser user, const iastring& password)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::setUser(PSyUser, iastring)");
    SY_TRACE_PARAMETERS((user ? user->getName() : iastring()) + L", ********");
    ILogBook& book = syslib::logBook();
    const iastring& processSid = processUserSid();
    const bool toProcessUser = !user || sameSid(user->getSID(), processSid);

    CAccessToken threadToken;
    const bool impersonating = threadToken.openThreadToken(TOKEN_QUERY, true);
    if (toProcessUser)
    {
        if (!impersonating)
        {
            if (!::ImpersonateSelf(SecurityImpersonation))
            {
                const DWORD error = ::GetLastError();
                SY_PRINT_OS_ERROR(error, L"ImpersonateSelf", L"SecurityImpersonation");
                throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
            }
            book.log(L"Target user and process user are identical => impersonating process user.", __LINE__);
            return;
        }
        // The thread's own user decides: a thread that impersonates someone else must be switched back.
        if (sameSid(syslib::threadUserSid(threadToken.get()), processSid))
        {
            book.log(L"Target user and current thread user are identical but different from the process user, we "
                     L"already have a thread token => Nothing to do.",
                     __LINE__);
            return;
        }
    }
    if (impersonating)
    {
        ::RegCloseKey(HKEY_CURRENT_USER);
        ::RevertToSelf();
        syslib::endUserSwitch();
        book.log(L"Terminated current impersonation.", __LINE__);
        if (toProcessUser)
        {
            book.trace(L"Target user and process user are identical => user switch-back.", __LINE__);
            return;
        }
    }
    book.trace(L"Target user and process user differ => normal user switch.", __LINE__);
    syslib::switchToUser(*user, password);
}

iastring CSyCurrentProcessEnvironmentImpl::dumpToken()
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::dumpToken()");
    CAccessToken token;
    if (!token.openThreadToken(TOKEN_QUERY, true) && !token.openProcessToken(TOKEN_QUERY))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"OpenProcessToken", L"TOKEN_QUERY");
        throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    CSyWinSid user;
    CTokenGroups groups;
    if (!syslib::getTokenSid(token.get(), user) || !syslib::getTokenGroups(token.get(), groups))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"GetTokenInformation", L"TokenUser, TokenGroups");
        throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    iastring text = L"user " + accountText(user) + L"\n";
    for (const CTokenGroups::Entry& entry : groups)
    {
        CSyWinSid group = entry.first;
        text += L"group " + accountText(group) + L" " + groupAttributes(entry.second) + L"\n";
    }

    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : sizeof(TOKEN_PRIVILEGES));
    if (!::GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), static_cast<DWORD>(buffer.size()), &size))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"GetTokenInformation", L"TokenPrivileges");
        throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    const TOKEN_PRIVILEGES* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i)
    {
        LUID luid = privileges->Privileges[i].Luid;
        wchar_t name[128] = {0};
        DWORD nameLength = 128;
        const iastring privilege = ::LookupPrivilegeNameW(nullptr, &luid, name, &nameLength)
                                       ? iastring(name, nameLength)
                                       : L"LUID " + syslib::toString(luid.LowPart);
        text += L"privilege " + privilege + L" " +
                ((privileges->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) ? L"enabled" : L"disabled") + L"\n";
    }
    return text;
}
