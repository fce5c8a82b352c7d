// The prefix's automatic-logon and restart-command values, which restart tests write for real: read them,
// and put them back as a test found them.
#pragma once

#include "framework/iastring.h"
#include "syslib/common/syswin.h"

#include <cstring>
#include <map>
#include <string>

namespace logonstate
{
const wchar_t* const runOnceKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t* const winlogonKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const wchar_t* const restartValue = L"Qel Installation";
const wchar_t* const none = L"(none)";
// Every Winlogon value a restart may write or remove.
const wchar_t* const logonValues[] = {L"AutoAdminLogon",    L"DefaultUserName", L"DefaultPassword",
                                      L"DefaultDomainName", L"ForceAutoLogon",  L"AutoLogonCount"};

// The key in one view of the registry: the native one, which Windows itself reads, unless asked.
inline syslib::CSyRegKey open(const wchar_t* key, REGSAM view = syslib::nativeRegistryView)
{
    syslib::CSyRegKey opened;
    ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS | view, opened.receive());
    return opened;
}

// The value's text ("dword:N" for a number), or none when it is not there.
inline iastring read(const wchar_t* key, const wchar_t* name, REGSAM view = syslib::nativeRegistryView)
{
    wchar_t data[1024] = {0};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    DWORD type = REG_NONE;
    if (::RegQueryValueExW(open(key, view).get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return none;
    if (type == REG_DWORD)
    {
        DWORD number = 0;
        std::memcpy(&number, data, sizeof(number));
        return L"dword:" + std::to_wstring(number);
    }
    iastring text(data, size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

inline bool write(const wchar_t* key, const wchar_t* name, const iastring& value)
{
    if (value.compare(0, 6, L"dword:") == 0)
    {
        const DWORD number = static_cast<DWORD>(std::stoul(value.substr(6)));
        return ::RegSetValueExW(open(key).get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                sizeof(number)) == ERROR_SUCCESS;
    }
    return ::RegSetValueExW(open(key).get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

inline void remove(const wchar_t* key, const wchar_t* name)
{
    ::RegDeleteValueW(open(key).get(), name);
}

// Every value a restart may write, by name, as one view of the registry holds them.
inline std::map<iastring, iastring> snapshot(REGSAM view = syslib::nativeRegistryView)
{
    std::map<iastring, iastring> state;
    for (const wchar_t* name : logonValues)
        state[name] = read(winlogonKey, name, view);
    state[restartValue] = read(runOnceKey, restartValue, view);
    return state;
}

inline void restore(const std::map<iastring, iastring>& state)
{
    for (const auto& value : state)
    {
        const wchar_t* key = value.first == restartValue ? runOnceKey : winlogonKey;
        if (value.second == none)
            remove(key, value.first.c_str());
        else
            write(key, value.first.c_str(), value.second);
    }
}

// Puts the values back when the scope ends.
class CGuard
{
public:
    CGuard() : m_saved(snapshot()) {}
    ~CGuard() { restore(m_saved); }
    CGuard(const CGuard&) = delete;
    CGuard& operator=(const CGuard&) = delete;

private:
    std::map<iastring, iastring> m_saved;
};
} // namespace logonstate
