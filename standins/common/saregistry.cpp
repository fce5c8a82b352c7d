// Registry values of the stand-ins' state.
#include "saregistry.h"

namespace standins
{
bool readDword(HKEY key, const wchar_t* name, DWORD& value)
{
    DWORD size = sizeof(value);
    DWORD type = 0;
    return ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

void writeDword(HKEY key, const wchar_t* name, DWORD value)
{
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

std::vector<BYTE> readBytes(HKEY key, const wchar_t* name)
{
    DWORD size = 0;
    if (::RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::vector<BYTE> bytes(size);
    if (size && ::RegQueryValueExW(key, name, nullptr, nullptr, bytes.data(), &size) != ERROR_SUCCESS)
        return {};
    bytes.resize(size);
    return bytes;
}

std::wstring readText(HKEY key, const wchar_t* name)
{
    const std::vector<BYTE> bytes = readBytes(key, name);
    std::wstring value(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0')
        value.pop_back();
    return value;
}

void writeText(HKEY key, const wchar_t* name, const std::wstring& value)
{
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::vector<std::wstring> readList(HKEY key, const wchar_t* name)
{
    const std::vector<BYTE> bytes = readBytes(key, name);
    const wchar_t* p = reinterpret_cast<const wchar_t*>(bytes.data());
    const wchar_t* end = p + bytes.size() / sizeof(wchar_t);
    std::vector<std::wstring> list;
    while (p < end && *p)
    {
        const std::wstring item(p);
        list.push_back(item);
        p += item.size() + 1;
    }
    return list;
}

void writeList(HKEY key, const wchar_t* name, const std::vector<std::wstring>& list)
{
    std::wstring block;
    for (const std::wstring& item : list)
        block += item + L'\0';
    block += L'\0';
    ::RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(block.data()),
                     static_cast<DWORD>(block.size() * sizeof(wchar_t)));
}

void writeBytes(HKEY key, const wchar_t* name, const std::vector<BYTE>& bytes)
{
    ::RegSetValueExW(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

syslib::CSyRegKey openMachineKey(const std::wstring& path, bool create)
{
    syslib::CSyRegKey key;
    if (create)
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | syslib::nativeRegistryView,
                          nullptr, key.receive(), nullptr);
    else
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | syslib::nativeRegistryView,
                        key.receive());
    return key;
}

bool deleteMachineKey(const std::wstring& path)
{
    {
        const syslib::CSyRegKey key = openMachineKey(path, false);
        if (!key || ::RegDeleteTreeW(key.get(), nullptr) != ERROR_SUCCESS)
            return false;
    }
    return ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), syslib::nativeRegistryView, 0) == ERROR_SUCCESS;
}
} // namespace standins
