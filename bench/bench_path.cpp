// What paths cost: parsing into the OS form against std::filesystem::path, and canonicalisation
// (traced into a host-formatted, discarded log book) against calling GetFullPathNameW and
// GetLongPathNameW directly, over the same 100,000 texts naming a small real directory tree.
#include "benchsupport.h"

#include "syslib/common/syfactory.h"
#include "syslib/common/syswin.h"
#include "syslib/filesystem/syfspath.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
volatile std::size_t g_sink;

const wchar_t* const directories[] = {L"Program Files", L"Program Files\\Vantix", L"Program Files\\Vantix\\bin",
                                      L"Data",          L"Data\\logs",           L"Long Directory Name",
                                      L"Long Directory Name\\config"};
const wchar_t* const files[] = {L"Program Files\\Vantix\\bin\\setup.exe", L"Program Files\\Vantix\\readme.txt",
                                L"Data\\logs\\install.1.log",             L"Data\\logs\\install.2.log",
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

// The realistic mix: most texts name what exists, some name what an installer is about to create.
std::vector<iastring> pathTexts(const iastring& root, std::size_t count)
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

std::size_t parseWithLibrary(ISyFileSystemMgt& manager, const std::vector<iastring>& texts)
{
    std::size_t total = 0;
    for (const iastring& text : texts)
        total += manager.getFSPath(text)->toOSString().size();
    return total;
}

std::size_t parseWithStd(const std::vector<iastring>& texts)
{
    std::size_t total = 0;
    for (const iastring& text : texts)
    {
        const std::filesystem::path path(text);
        total += path.native().size();
    }
    return total;
}

std::size_t canonicaliseWithLibrary(ISyFileSystemMgt& manager, const std::vector<iastring>& texts)
{
    std::size_t total = 0;
    for (const iastring& text : texts)
        total += manager.getFSPath(text)->getCanonicalPath()->toOSString().size();
    return total;
}

std::size_t canonicaliseDirectly(const std::vector<iastring>& texts)
{
    std::size_t total = 0;
    wchar_t full[MAX_PATH + 1];
    wchar_t resolved[MAX_PATH + 1];
    for (const iastring& text : texts)
    {
        const DWORD length = ::GetFullPathNameW(text.c_str(), MAX_PATH + 1, full, nullptr);
        const DWORD longLength = ::GetLongPathNameW(full, resolved, MAX_PATH + 1);
        total += longLength ? longLength : length;
    }
    return total;
}
} // namespace

int main()
{
    const std::size_t count = 100000;
    CTree tree;
    ::SetCurrentDirectoryW(tree.root().c_str());
    const std::vector<iastring> texts = pathTexts(tree.root(), count);
    const IaPtr<ISyFileSystemMgt> manager = getSyslibFactory()->getFileSystemMgt();

    bench::compareRates(
        "(a) parse + toOSString, no log book, against std::filesystem::path + native()", count,
        "getFSPath(text)->toOSString()", [&] { g_sink = parseWithLibrary(*manager, texts); },
        "std::filesystem::path(text).native()", [&] { g_sink = parseWithStd(texts); }, 1.0);

    bench::CDiscardingHostLogBook logBook;
    bench::compareRates("(a') the same with a host-formatted log book attached (informational)", count,
                        "getFSPath(text)->toOSString()", [&] { g_sink = parseWithLibrary(*manager, texts); },
                        "std::filesystem::path(text).native()", [&] { g_sink = parseWithStd(texts); }, 1e9);
    bench::compareRates(
        "(b) parse + getCanonicalPath, host-formatted log book, against GetFullPathNameW + GetLongPathNameW",
        count, "getFSPath(text)->getCanonicalPath()", [&] { g_sink = canonicaliseWithLibrary(*manager, texts); },
        "GetFullPathNameW + GetLongPathNameW", [&] { g_sink = canonicaliseDirectly(texts); }, 1.3,
        1); // the system calls take about a millisecond under wine: one run of each is minutes already
    return bench::benchExitCode();
}
