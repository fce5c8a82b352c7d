// Windows code of the system manager: the special directories, and restart or logoff with the automatic
// logon arranged in the registry first.
#include "sysystemapi.h"
#include "sysystemmgtimpl.h"

#include "syslib/account/syaccountmgt.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/sywinsec.h"

#include <lmcons.h>

#include <vector>

SY_SOURCE_FILE(L"synxcsysmgt")

namespace
{
const DWORD installationReason = 0x80040002; // planned, application, installation
const wchar_t* const runOnceKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t* const winlogonKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

// "common.fatalSystemError" with the call and the last error, then ESySystem.
[[noreturn]] void throwFatal(const wchar_t* call, int line)
{
    const DWORD error = ::GetLastError();
    syslib::reportError(L"common.fatalSystemError", {call, L"error = " + syslib::toString(error)}, line);
    throw ESySystem();
}

// String values written under keys of HKEY_LOCAL_MACHINE, each with what it replaced, so that a failure
// part way leaves the values as they were: no half-arranged logon, and no password left behind.
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

    // secret: the value is never written into the log.
    void set(const wchar_t* keyPath, const wchar_t* name, const iastring& value, bool secret)
    {
        syslib::logBook().trace(iastring(L"HKEY_LOCAL_MACHINE\\") + keyPath + L": " + name + L" = " +
                                    (secret ? iastring(L"********") : value),
                                __LINE__);
        CWrite write;
        write.keyPath = keyPath;
        write.name = name;
        SY_TRACE_SYSCALL(L"RegOpenKeyEx");
        LSTATUS status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS | syslib::nativeRegistryView,
                                       write.key.receive());
        if (status != ERROR_SUCCESS)
            fail(status, L"RegOpenKeyEx", keyPath);
        DWORD size = 0;
        write.existed = ::RegQueryValueExW(write.key.get(), name, nullptr, &write.type, nullptr, &size) ==
                        ERROR_SUCCESS;
        if (write.existed)
        {
            write.previous.resize(size);
            if (::RegQueryValueExW(write.key.get(), name, nullptr, &write.type, write.previous.data(), &size) !=
                ERROR_SUCCESS)
                fail(::GetLastError(), L"RegQueryValueEx", iastring(keyPath) + L"\\" + name);
        }
        SY_TRACE_SYSCALL(L"RegSetValueEx");
        status = syslib::systemApi().RegSetValueExW(write.key.get(), name, 0, REG_SZ,
                                                    reinterpret_cast<const BYTE*>(value.c_str()),
                                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        if (status != ERROR_SUCCESS)
            fail(status, L"RegSetValueEx", iastring(keyPath) + L"\\" + name);
        m_writes.push_back(std::move(write));
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
    };

    [[noreturn]] void fail(LSTATUS status, const wchar_t* call, const iastring& where)
    {
        SY_PRINT_OS_ERROR(static_cast<DWORD>(status), call, where);
        throw ESySystem();
    }

    void rollBack()
    {
        for (auto write = m_writes.rbegin(); write != m_writes.rend(); ++write)
        {
            const LSTATUS status =
                write->existed ? ::RegSetValueExW(write->key.get(), write->name, 0, write->type,
                                                  write->previous.data(), static_cast<DWORD>(write->previous.size()))
                               : ::RegDeleteValueW(write->key.get(), write->name);
            if (status != ERROR_SUCCESS)
                SY_TRACE_OS_ERROR(static_cast<DWORD>(status), L"RegSetValueEx/RegDeleteValue",
                                  iastring(write->keyPath) + L"\\" + write->name);
        }
        m_writes.clear();
    }

    std::vector<CWrite> m_writes;
    bool m_committed = false;
};

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

// Writes the restart command and the automatic logon, asks for the end of the session, and keeps the
// values only when the system took the request.
void arrangeAndExit(const PSyUser& user, const iastring& password, const iastring& restartCommand, UINT flags)
{
    CRegistryWrites writes;
    try
    {
        if (!restartCommand.empty())
            writes.set(runOnceKey, L"Qel Installation", restartCommand, false);
        writes.set(winlogonKey, L"AutoAdminLogon", password.empty() ? L"0" : L"1", false);
        if (user)
        {
            writes.set(winlogonKey, L"DefaultUserName", user->getName(), false);
            writes.set(winlogonKey, L"DefaultPassword", password, true);
            writes.set(winlogonKey, L"DefaultDomainName", user->getDomain(), false);
            writes.set(winlogonKey, L"ForceAutoLogon", L"1", false);
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
        wchar_t name[UNLEN + 1] = {0};
        DWORD length = UNLEN + 1;
        SY_TRACE_SYSCALL(L"GetUserName");
        if (!::GetUserNameW(name, &length))
            throwFatal(L"GetUserName", __LINE__);
        const PSyUser user = CSyslibFactory::getPrivilegedInstance()->getAccountMgt()->getUser(name);
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
