// PendingFileRenameOperations, the machine's list of what is renamed or deleted at the next restart: read,
// written, and cleaned of what a test left in it.
#pragma once

#include "framework/iastrutil.h"
#include "syslib/common/syswin.h"

#include <gtest/gtest.h>

#include <vector>

inline const wchar_t* const sessionManager = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// PendingFileRenameOperations: pairs of (source, target) names, a deletion has an empty target. The value
// belongs to the machine: other programs' pending renames must survive the tests.
inline std::vector<iastring> readPendingRenames()
{
    std::vector<iastring> strings;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, sessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return strings;
    const syslib::CSyRegKey owner(key);
    DWORD size = 0;
    if (::RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return strings;
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                           &size) != ERROR_SUCCESS)
        return strings;
    // Split by the value's length, not at the first empty string: a deletion's target is one.
    const std::size_t count = size / sizeof(wchar_t);
    for (std::size_t at = 0; at + 1 < count || (at < count && data[at] != L'\0');)
    {
        const iastring text(data.data() + at);
        strings.push_back(text);
        at += text.size() + 1;
    }
    if (strings.size() % 2 != 0 && strings.back().empty())
        strings.pop_back(); // the list's own terminator
    return strings;
}

inline void writePendingRenames(const std::vector<iastring>& strings)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, sessionManager, 0, KEY_SET_VALUE, &key));
    const syslib::CSyRegKey owner(key);
    if (strings.empty())
    {
        ::RegDeleteValueW(key, L"PendingFileRenameOperations");
        return;
    }
    std::vector<wchar_t> data;
    for (const iastring& text : strings)
    {
        data.insert(data.end(), text.begin(), text.end());
        data.push_back(L'\0');
    }
    data.push_back(L'\0');
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                                              reinterpret_cast<const BYTE*>(data.data()),
                                              static_cast<DWORD>(data.size() * sizeof(wchar_t))));
}

// The names registered for deletion at the next reboot; on leaving, the pairs whose source lies in the
// test's directory are taken out again, and only those.
class CPendingRenames
{
public:
    explicit CPendingRenames(const iastring& ownDirectory) : m_own(stringToUpper(ownDirectory)) {}
    std::vector<iastring> read() const { return readPendingRenames(); }
    ~CPendingRenames()
    {
        const std::vector<iastring> strings = readPendingRenames();
        std::vector<iastring> kept;
        for (std::size_t i = 0; i + 1 < strings.size(); i += 2)
            if (stringToUpper(strings[i]).find(m_own) == iastring::npos)
                kept.insert(kept.end(), {strings[i], strings[i + 1]});
        if (kept.size() != strings.size())
            writePendingRenames(kept);
    }

private:
    iastring m_own;
};

// Whether path (drive form) is among the names; the entries read "\??\C:\...", compared without case.
inline bool registeredForDeletion(const std::vector<iastring>& pending, const iastring& path)
{
    const iastring tail = stringToUpper(path.substr(2));
    for (const iastring& name : pending)
        if (name.size() >= tail.size() && stringToUpper(name.substr(name.size() - tail.size())) == tail)
            return true;
    return false;
}
