// The texts both path benchmarks read: 100,000 of them over ten templates naming a small real directory
// tree (most name what exists, some what an installer is about to create).
#pragma once

#include "framework/iastring.h"
#include "syslib/common/syswin.h"

#include <cstddef>
#include <string>
#include <vector>

namespace bench
{
inline const wchar_t* const directories[] = {L"Program Files", L"Program Files\\Vantix",
                                             L"Program Files\\Vantix\\bin", L"Data", L"Data\\logs",
                                             L"Long Directory Name", L"Long Directory Name\\config"};
inline const wchar_t* const files[] = {L"Program Files\\Vantix\\bin\\setup.exe", L"Program Files\\Vantix\\readme.txt",
                                       L"Data\\logs\\install.1.log", L"Data\\logs\\install.2.log",
                                       L"Long Directory Name\\config\\app.ini"};

class CTree
{
public:
    CTree()
    {
        wchar_t temp[MAX_PATH + 1] = {0};
        ::GetTempPathW(MAX_PATH + 1, temp);
        m_root = iastring(temp) + L"sybench-path-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(m_root.c_str(), nullptr);
        for (const wchar_t* directory : directories)
            ::CreateDirectoryW((m_root + L"\\" + directory).c_str(), nullptr);
        for (const wchar_t* file : files)
            syslib::CSyKernelHandle(::CreateFileW((m_root + L"\\" + file).c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    ~CTree()
    {
        for (const wchar_t* file : files)
            ::DeleteFileW((m_root + L"\\" + file).c_str());
        for (std::size_t i = sizeof(directories) / sizeof(directories[0]); i-- > 0;)
            ::RemoveDirectoryW((m_root + L"\\" + directories[i]).c_str());
        ::RemoveDirectoryW(m_root.c_str());
    }
    const iastring& root() const { return m_root; }

private:
    iastring m_root;
};

inline std::vector<iastring> pathTexts(const iastring& root, std::size_t count)
{
    wchar_t shortName[MAX_PATH + 1] = {0};
    ::GetShortPathNameW((root + L"\\Long Directory Name").c_str(), shortName, MAX_PATH + 1);
    iastring forward = root;
    for (wchar_t& c : forward)
        if (c == L'\\')
            c = L'/';
    const std::vector<iastring> templates = {
        root + L"\\Program Files\\Vantix\\bin\\setup.exe",
        forward + L"/Program Files\\Vantix/bin/../bin/setup.exe",
        root + L"\\Data\\.\\logs\\..\\logs\\install.1.log",
        L"\\\\?\\" + root + L"\\Data\\logs\\install.2.log",
        L"Data\\logs\\install.2.log",
        L"Program Files/./Vantix//readme.txt",
        iastring(shortName) + L"\\config\\app.ini",
        root + L"\\Long Directory Name\\config\\new.ini",
        root + L"\\Data\\logs",
        L"\\\\fileserver\\install\\vantix\\setup.exe",
    };
    std::vector<iastring> texts;
    texts.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        texts.push_back(templates[i % templates.size()]);
    return texts;
}
} // namespace bench
