// Windows code of the system manager: the special directories, and restart or logoff with the automatic
// logon arranged in the registry first.
#include "sysystemapi.h"
#include "sysystemmgtimpl.h"

#include "syslib/account/syaccountmgt.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/sywinsec.h"

#include <vector>

SY_SOURCE_FILE(L"synxcsysmgt")

namespace
{
const DWORD installationReason = 0x80040002; // planned, application, installation
const wchar_t* const runOnceKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t* const winlogonKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const NTSTATUS statusSuccess = 0;
const NTSTATUS statusNoSuchSecret = static_cast<NTSTATUS>(0xC0000034); // STATUS_OBJECT_NAME_NOT_FOUND

// "common.fatalSystemError" with the call and the last error, then ESySystem.
[[noreturn]] void throwFatal(const wchar_t* call, int line)
{
    const DWORD error = ::GetLastError();
    syslib::reportError(L"common.fatalSystemError", {call, L"error = " + syslib::toString(error)}, line);
    throw ESySystem();
}

// Values written under keys of HKEY_LOCAL_MACHINE (native view), and values removed there, each with what
// it replaced, so that a failure part way leaves the values as they were: no half-arranged logon.
class CRegistryWrites
{
public:
    CRegistryWrites() = default;
    CRegistryWrites(const CRegistryWrites&) = delete;
    CRegistryWrites& operator=(const CRegistryWrites&) = delete;
    ~CRegistryWrites()
    {
        if (!m_committed)
            rollBack();
    }

    void setText(const wchar_t* keyPath, const wchar_t* name, const iastring& value)
    {
        syslib::logBook().trace(iastring(L"HKEY_LOCAL_MACHINE\\") + keyPath + L": " + name + L" = " + value, __LINE__);
        write(keyPath, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

    void setNumber(const wchar_t* keyPath, const wchar_t* name, DWORD value)
    {
        syslib::logBook().trace(iastring(L"HKEY_LOCAL_MACHINE\\") + keyPath + L": " + name + L" = " +
                                    syslib::toString(value),
                                __LINE__);
        write(keyPath, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }

    // A value that must not stay (a clear-text password of an earlier setup); nothing when there is none.
    void remove(const wchar_t* keyPath, const wchar_t* name)
    {
        CWrite change = open(keyPath, name);
        if (!change.existed)
            return;
        syslib::logBook().trace(iastring(L"HKEY_LOCAL_MACHINE\\") + keyPath + L": " + name + L" removed", __LINE__);
        SY_TRACE_SYSCALL(L"RegDeleteValue");
        const LSTATUS status = syslib::systemApi().RegDeleteValueW(change.key.get(), name);
        if (status != ERROR_SUCCESS)
            fail(status, L"RegDeleteValue", iastring(keyPath) + L"\\" + name);
        m_changes.push_back(std::move(change));
    }

    void commit() { m_committed = true; }

private:
    struct CWrite
    {
        syslib::CSyRegKey key;
        const wchar_t* keyPath = nullptr;
        const wchar_t* name = nullptr;
        bool existed = false;
        DWORD type = REG_NONE;
        std::vector<BYTE> previous;

        CWrite() = default;
        CWrite(CWrite&&) = default;
        // What it held may be a password.
        ~CWrite()
        {
            if (!previous.empty())
                ::SecureZeroMemory(previous.data(), previous.size());
        }
    };

    // The key, and the value as it is before the change.
    CWrite open(const wchar_t* keyPath, const wchar_t* name)
    {
        CWrite change;
        change.keyPath = keyPath;
        change.name = name;
        SY_TRACE_SYSCALL(L"RegOpenKeyEx");
        LSTATUS status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS | syslib::nativeRegistryView,
                                         change.key.receive());
        if (status != ERROR_SUCCESS)
            fail(status, L"RegOpenKeyEx", keyPath);
        DWORD size = 0;
        status = syslib::systemApi().RegQueryValueExW(change.key.get(), name, nullptr, &change.type, nullptr, &size);
        change.existed = status == ERROR_SUCCESS;
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            fail(status, L"RegQueryValueEx", iastring(keyPath) + L"\\" + name);
        if (change.existed)
        {
            change.previous.resize(size);
            status = syslib::systemApi().RegQueryValueExW(change.key.get(), name, nullptr, &change.type,
                                                          change.previous.data(), &size);
            if (status != ERROR_SUCCESS)
                fail(status, L"RegQueryValueEx", iastring(keyPath) + L"\\" + name);
            change.previous.resize(size);
        }
        return change;
    }

    void write(const wchar_t* keyPath, const wchar_t* name, DWORD type, const BYTE* data, DWORD size)
    {
        CWrite change = open(keyPath, name);
        SY_TRACE_SYSCALL(L"RegSetValueEx");
        const LSTATUS status = syslib::systemApi().RegSetValueExW(change.key.get(), name, 0, type, data, size);
        if (status != ERROR_SUCCESS)
            fail(status, L"RegSetValueEx", iastring(keyPath) + L"\\" + name);
        m_changes.push_back(std::move(change));
    }

    [[noreturn]] void fail(LSTATUS status, const wchar_t* call, const iastring& where)
    {
        SY_PRINT_OS_ERROR(static_cast<DWORD>(status), call, where);
        throw ESySystem();
    }

    // A value that cannot be put back is an error of its own: the machine is not as it was.
    void rollBack() noexcept
    {
        for (auto change = m_changes.rbegin(); change != m_changes.rend(); ++change)
        {
            const LSTATUS status =
                change->existed
                    ? syslib::systemApi().RegSetValueExW(change->key.get(), change->name, 0, change->type,
                                                         change->previous.data(),
                                                         static_cast<DWORD>(change->previous.size()))
                    : syslib::systemApi().RegDeleteValueW(change->key.get(), change->name);
            if (status != ERROR_SUCCESS)
            {
                try
                {
                    SY_PRINT_OS_ERROR(static_cast<DWORD>(status),
                                      change->existed ? L"RegSetValueEx" : L"RegDeleteValue",
                                      iastring(change->keyPath) + L"\\" + change->name);
                }
                catch (...)
                {
                }
            }
        }
        m_changes.clear();
    }

    std::vector<CWrite> m_changes;
    bool m_committed = false;
};

// The automatic logon's password as the LSA secret that Winlogon reads, never as a registry value; the
// secret it replaced is put back when the arrangement is taken back.
class CLogonSecret
{
public:
    CLogonSecret() = default;
    CLogonSecret(const CLogonSecret&) = delete;
    CLogonSecret& operator=(const CLogonSecret&) = delete;
    ~CLogonSecret()
    {
        if (m_stored && !m_committed)
            restore();
        if (!m_previous.empty())
            ::SecureZeroMemory(&m_previous[0], m_previous.size() * sizeof(wchar_t));
    }

    void store(const iastring& password)
    {
        syslib::logBook().trace(L"LSA secret DefaultPassword = ********", __LINE__);
        LSA_OBJECT_ATTRIBUTES attributes = {};
        SY_TRACE_SYSCALL(L"LsaOpenPolicy");
        check(syslib::systemApi().LsaOpenPolicy(nullptr, &attributes,
                                                POLICY_CREATE_SECRET | POLICY_GET_PRIVATE_INFORMATION,
                                                m_policy.receive()),
              L"LsaOpenPolicy", L"POLICY_CREATE_SECRET | POLICY_GET_PRIVATE_INFORMATION");
        LSA_UNICODE_STRING name = secretName();
        syslib::CSyLsaSecret previous;
        SY_TRACE_SYSCALL(L"LsaRetrievePrivateData");
        const NTSTATUS retrieved = syslib::systemApi().LsaRetrievePrivateData(m_policy.get(), &name, previous.receive());
        if (retrieved != statusNoSuchSecret)
            check(retrieved, L"LsaRetrievePrivateData", secretKey);
        m_hadPrevious = previous.isValid();
        if (m_hadPrevious && previous.get()->Buffer)
            m_previous.assign(previous.get()->Buffer, previous.get()->Length / sizeof(wchar_t));
        LSA_UNICODE_STRING data = secretData(password);
        SY_TRACE_SYSCALL(L"LsaStorePrivateData");
        check(syslib::systemApi().LsaStorePrivateData(m_policy.get(), &name, &data), L"LsaStorePrivateData",
              secretKey);
        m_stored = true;
    }

    void commit() { m_committed = true; }

private:
    static LSA_UNICODE_STRING secretName() { return secretData(secretKey); }

    static LSA_UNICODE_STRING secretData(const iastring& text)
    {
        LSA_UNICODE_STRING data;
        data.Buffer = const_cast<wchar_t*>(text.c_str());
        data.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
        data.MaximumLength = static_cast<USHORT>(data.Length + sizeof(wchar_t));
        return data;
    }

    static void check(NTSTATUS status, const wchar_t* call, const iastring& parameters)
    {
        if (status == statusSuccess)
            return;
        SY_PRINT_OS_ERROR(::LsaNtStatusToWinError(status), call, parameters);
        throw ESySystem();
    }

    void restore() noexcept
    {
        LSA_UNICODE_STRING name = secretName();
        LSA_UNICODE_STRING data = secretData(m_previous);
        const NTSTATUS status =
            syslib::systemApi().LsaStorePrivateData(m_policy.get(), &name, m_hadPrevious ? &data : nullptr);
        if (status == statusSuccess)
            return;
        try
        {
            SY_PRINT_OS_ERROR(::LsaNtStatusToWinError(status), L"LsaStorePrivateData", secretKey);
        }
        catch (...)
        {
        }
    }

    static const iastring secretKey;
    syslib::CSyLsaPolicy m_policy;
    bool m_stored = false;
    bool m_committed = false;
    bool m_hadPrevious = false;
    iastring m_previous;
};
const iastring CLogonSecret::secretKey = L"DefaultPassword";

void enableShutdownPrivilege()
{
    syslib::CSyKernelHandle token;
    SY_TRACE_SYSCALL(L"OpenThreadToken");
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, TRUE, token.receive()))
    {
        if (::GetLastError() != ERROR_NO_TOKEN)
            throwFatal(L"OpenThreadToken", __LINE__);
        SY_TRACE_SYSCALL(L"OpenProcessToken");
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive()))
            throwFatal(L"OpenProcessToken", __LINE__);
    }
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    SY_TRACE_SYSCALL(L"LookupPrivilegeValue");
    if (!::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        throwFatal(L"LookupPrivilegeValue", __LINE__);
    // Success of the call alone does not say that the privilege is held: the last error does.
    SY_TRACE_SYSCALL(L"AdjustTokenPrivileges");
    ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    if (::GetLastError() != ERROR_SUCCESS)
        throwFatal(L"AdjustTokenPrivileges", __LINE__);
}

// Writes the restart command and, with a password, the automatic logon (the password as the LSA secret,
// a logon count of one so that Windows takes the logon back itself, no clear-text password left in the
// registry), asks for the end of the session, and keeps it all only when the system took the request.
// Without a password the logon values stay as they are: someone else's setup is not ours to overwrite.
void arrangeAndExit(const PSyUser& user, const iastring& password, const iastring& restartCommand, UINT flags)
{
    CRegistryWrites writes;
    CLogonSecret secret;
    try
    {
        if (!restartCommand.empty())
            writes.setText(runOnceKey, L"Qel Installation", restartCommand);
        if (!password.empty())
        {
            writes.setText(winlogonKey, L"AutoAdminLogon", L"1");
            if (user)
            {
                writes.setText(winlogonKey, L"DefaultUserName", user->getName());
                writes.setText(winlogonKey, L"DefaultDomainName", user->getDomain());
                writes.setText(winlogonKey, L"ForceAutoLogon", L"1");
            }
            writes.setNumber(winlogonKey, L"AutoLogonCount", 1);
            secret.store(password);
            writes.remove(winlogonKey, L"DefaultPassword");
        }
    }
    catch (const ESyException&)
    {
        syslib::traceExceptionAt(__LINE__, syThisSourceFile);
        throw ESySystem();
    }
    SY_TRACE_SYSCALL(L"ExitWindowsEx");
    if (!syslib::systemApi().ExitWindowsEx(flags, installationReason))
        throwFatal(L"ExitWindowsEx", __LINE__);
    writes.commit();
    secret.commit();
}

// The user the calling thread acts as (its impersonation, else the process's), found by the token's SID:
// a bare name could find a local account of the same name instead of a domain user.
PSyUser currentUser()
{
    CAccessToken token;
    SY_TRACE_SYSCALL(L"OpenThreadToken");
    if (!token.openThreadToken(TOKEN_QUERY, true))
    {
        if (::GetLastError() != ERROR_NO_TOKEN)
            throwFatal(L"OpenThreadToken", __LINE__);
        SY_TRACE_SYSCALL(L"OpenProcessToken");
        if (!token.openProcessToken(TOKEN_QUERY))
            throwFatal(L"OpenProcessToken", __LINE__);
    }
    CSyWinSid sid;
    SY_TRACE_SYSCALL(L"GetTokenInformation");
    if (!syslib::getTokenSid(token.get(), sid))
        throwFatal(L"GetTokenInformation", __LINE__);
    return CSyslibFactory::getPrivilegedInstance()->getAccountMgt()->getUser(SySID::toStringSID(sid.get()));
}

bool isAdministrator(const PSyUser& user)
{
    return user->isRoot();
}
} // namespace

CSyPath CSySystemMgtImpl::getSpecialPath(ISySystemMgt::osDir osDir)
{
    SY_TRACE_FUNCTION(L"CSySystemMgtImpl::getSpecialPath(ISySystemMgt::osDir)");
    SY_TRACE_PARAMETERS(syslib::toString(osDir));
    wchar_t directory[520] = {0};
    switch (osDir)
    {
    case ISySystemMgt::WINDOWS:
        SY_TRACE_SYSCALL(L"GetWindowsDirectory");
        if (::GetWindowsDirectoryW(directory, 520) == 0)
            throwFatal(L"GetWindowsDirectory", __LINE__);
        break;
    case ISySystemMgt::SYSTEM:
        SY_TRACE_SYSCALL(L"GetSystemDirectory");
        if (::GetSystemDirectoryW(directory, 520) == 0)
            throwFatal(L"GetSystemDirectory", __LINE__);
        break;
    default:
        syslib::reportError(L"common.parameterNotValid",
                            {L"osDir", syslib::toString(osDir), L"CSySystemMgtImpl::getSpecialPath()"}, __LINE__);
        throw ESyPrecondition();
    }
    SY_TRACE_RETURN(directory);
    return CSyPath(directory);
}

void CSySystemMgtImpl::reboot(const iastring& password, const iastring& restartCommand)
{
    SY_TRACE_FUNCTION(L"CSySystemMgtImpl::reboot(const iastring &, const iastring &)");
    SY_TRACE_PARAMETERS(L"********, " + restartCommand);
    try
    {
        const PSyUser user = currentUser();
        enableShutdownPrivilege();
        arrangeAndExit(user, password, restartCommand, EWX_REBOOT | EWX_FORCEIFHUNG);
    }
    catch (const ESyException&)
    {
        syslib::traceExceptionAt(__LINE__, syThisSourceFile);
        throw ESySystem();
    }
    syslib::reportMessage(L"syslib.system.rebootNow", {}, CMessage::LOG_INFO, __LINE__);
}

void CSySystemMgtImpl::reLogin(const PSyUser& user, const iastring& password, const iastring& restartCommand)
{
    SY_TRACE_FUNCTION(L"CSySystemMgtImpl::reLogin(PSyUser, const iastring &, const iastring &)");
    SY_TRACE_PARAMETERS((user ? user->getName() : iastring(L"(unknown)")) + L", ********, " + restartCommand);
    if (user && !isAdministrator(user))
    {
        syslib::reportError(L"syslib.account.isRootSucceededFalse", {user->getName()}, __LINE__);
        throw ESyPrecondition();
    }
    try
    {
        enableShutdownPrivilege();
        arrangeAndExit(user, password, restartCommand, EWX_LOGOFF | EWX_FORCEIFHUNG);
    }
    catch (const ESyException&)
    {
        syslib::traceExceptionAt(__LINE__, syThisSourceFile);
        throw ESySystem();
    }
    syslib::reportMessage(L"syslib.system.switchUserNow", {user ? user->getName() : iastring(L"(unknown)")},
                          CMessage::LOG_INFO, __LINE__);
}
