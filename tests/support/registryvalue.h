// One registry value of the test prefix that a test changes: whatever it held (or that it was missing) comes
// back when the guard goes. The view is named, for a 32-bit test must reach the 64-bit tree on purpose.
#pragma once

#include "syslib/common/syswin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class CRegistryValue
{
public:
    CRegistryValue(const wchar_t* key, const wchar_t* name, REGSAM view = KEY_WOW64_64KEY) : m_name(name)
    {
        EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                                   nullptr, m_key.receive(), nullptr))
            << "cannot open the key";
        DWORD size = 0;
        m_existed = ::RegQueryValueExW(m_key.get(), name, nullptr, &m_type, nullptr, &size) == ERROR_SUCCESS;
        m_saved.resize(size);
        if (m_existed)
            ::RegQueryValueExW(m_key.get(), name, nullptr, &m_type, m_saved.data(), &size);
    }
    ~CRegistryValue()
    {
        if (m_existed)
            ::RegSetValueExW(m_key.get(), m_name.c_str(), 0, m_type, m_saved.data(), static_cast<DWORD>(m_saved.size()));
        else
            ::RegDeleteValueW(m_key.get(), m_name.c_str());
    }
    CRegistryValue(const CRegistryValue&) = delete;
    CRegistryValue& operator=(const CRegistryValue&) = delete;

    void setBytes(DWORD type, const void* data, std::size_t size)
    {
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(m_key.get(), m_name.c_str(), 0, type,
                                                  static_cast<const BYTE*>(data), static_cast<DWORD>(size)));
    }
    // A text with its terminator, as the registry editors store it.
    void setText(const std::wstring& text, DWORD type = REG_SZ)
    {
        setBytes(type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    void setNumber(DWORD number) { setBytes(REG_DWORD, &number, sizeof(number)); }

private:
    syslib::CSyRegKey m_key;
    std::wstring m_name;
    bool m_existed = false;
    DWORD m_type = REG_NONE;
    std::vector<BYTE> m_saved;
};
