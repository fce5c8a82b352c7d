// What copying a tree costs: the library's directory copy (traced into a host-formatted, discarded log
// book) against (a) a plain recursive FindFirstFileW/CopyFileW walk and (b) xcopy /E /I /Q, over the same
// generated tree of 5,000 files in 200 directories (200 MB). Each run starts without a target.
#include "benchsupport.h"

#include "syslib/common/syfactory.h"
#include "syslib/common/syswin.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace
{
const int topDirectories = 20;
const int subDirectoriesEach = 9; // 20 + 20 * 9 = 200 directories
const int filesPerDirectory = 25; // 5,000 files
const std::size_t fileBytes = 40 * 1024; // 5,000 * 40 KB = 200 MB

iastring tempRoot()
{
    wchar_t temp[MAX_PATH + 1] = {0};
    ::GetTempPathW(MAX_PATH + 1, temp);
    return iastring(temp) + L"sybench-tree-" + std::to_wstring(::GetCurrentProcessId());
}

void writeFiles(const iastring& directory, const std::vector<char>& content)
{
    for (int i = 0; i < filesPerDirectory; ++i)
    {
        syslib::CSyKernelHandle file(::CreateFileW((directory + L"\\file" + std::to_wstring(i) + L".bin").c_str(),
                                                   GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                   nullptr));
        DWORD written = 0;
        ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    }
}

void makeTree(const iastring& root)
{
    std::vector<char> content(fileBytes);
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 31 + 7);
    ::CreateDirectoryW(root.c_str(), nullptr);
    for (int top = 0; top < topDirectories; ++top)
    {
        const iastring directory = root + L"\\dir" + std::to_wstring(top);
        ::CreateDirectoryW(directory.c_str(), nullptr);
        writeFiles(directory, content);
        for (int sub = 0; sub < subDirectoriesEach; ++sub)
        {
            const iastring subDirectory = directory + L"\\sub" + std::to_wstring(sub);
            ::CreateDirectoryW(subDirectory.c_str(), nullptr);
            writeFiles(subDirectory, content);
        }
    }
}

// Calls visit(name, isDirectory) for every entry of directory but "." and "..".
void forEachEntry(const iastring& directory, const std::function<void(const iastring&, bool)>& visit)
{
    WIN32_FIND_DATAW data;
    syslib::CSyFindHandle search(::FindFirstFileW((directory + L"\\*").c_str(), &data));
    if (!search)
        return;
    do
    {
        const iastring name(data.cFileName);
        if (name != L"." && name != L"..")
            visit(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileW(search.get(), &data));
}

void plainCopy(const iastring& source, const iastring& target)
{
    ::CreateDirectoryW(target.c_str(), nullptr);
    forEachEntry(source, [&](const iastring& name, bool isDirectory) {
        if (isDirectory)
            plainCopy(source + L"\\" + name, target + L"\\" + name);
        else
            ::CopyFileW((source + L"\\" + name).c_str(), (target + L"\\" + name).c_str(), FALSE);
    });
}

void plainRemove(const iastring& path)
{
    forEachEntry(path, [&](const iastring& name, bool isDirectory) {
        if (isDirectory)
            plainRemove(path + L"\\" + name);
        else
            ::DeleteFileW((path + L"\\" + name).c_str());
    });
    ::RemoveDirectoryW(path.c_str());
}

void xcopy(const iastring& source, const iastring& target)
{
    iastring commandLine = L"cmd /c xcopy \"" + source + L"\" \"" + target + L"\" /E /I /Q";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &process))
    {
        std::printf("xcopy could not be started (%lu)\n", ::GetLastError());
        return;
    }
    syslib::CSyKernelHandle processHandle(process.hProcess);
    syslib::CSyKernelHandle threadHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
}

// Seconds of the best of repeats runs of copy(source, target); the target is removed before each run.
double bestCopyTime(const std::function<void(const iastring&, const iastring&)>& copy, const iastring& source,
                    const iastring& target, int repeats)
{
    double best = 1e30;
    for (int run = 0; run < repeats; ++run)
    {
        plainRemove(target);
        const auto start = std::chrono::steady_clock::now();
        copy(source, target);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = seconds < best ? seconds : best;
    }
    return best;
}

// Files below path and their bytes, to check that every copy is complete.
void count(const iastring& path, long long& files, long long& bytes)
{
    forEachEntry(path, [&](const iastring& name, bool isDirectory) {
        if (isDirectory)
            return count(path + L"\\" + name, files, bytes);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (::GetFileAttributesExW((path + L"\\" + name).c_str(), GetFileExInfoStandard, &data))
        {
            ++files;
            bytes += (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    });
}

bool complete(const char* name, const iastring& target)
{
    long long files = 0, bytes = 0;
    count(target, files, bytes);
    const long long expectedFiles = static_cast<long long>(topDirectories) * (1 + subDirectoriesEach) * filesPerDirectory;
    const bool ok = files == expectedFiles && bytes == expectedFiles * static_cast<long long>(fileBytes);
    if (!ok)
        std::printf("  %s copied %lld files, %lld bytes: INCOMPLETE\n", name, files, bytes);
    return ok;
}
} // namespace

int main()
{
    const iastring root = tempRoot();
    const iastring source = root + L"\\source";
    const iastring target = root + L"\\target";
    ::CreateDirectoryW(root.c_str(), nullptr);
    makeTree(source);
    const int repeats = 3;

    const IaPtr<ISyFileSystemMgt> manager = CSyslibFactory::getInstance()->getFileSystemMgt();
    const auto libraryCopy = [&](const iastring& from, const iastring& to) {
        bench::CDiscardingHostLogBook logBook;
        manager->getDirectory(manager->getFSPath(from))
            ->copy(manager->getFSPath(to), ISyNode::MISSING | ISyNode::EXISTING, nullptr);
    };
    std::printf("tree copy: %d files in %d directories, %.0f MB (best of %d)\n",
                topDirectories * (1 + subDirectoriesEach) * filesPerDirectory, topDirectories * (1 + subDirectoriesEach),
                topDirectories * (1 + subDirectoriesEach) * filesPerDirectory * static_cast<double>(fileBytes) / 1048576.0,
                repeats);
    const double plain = bestCopyTime(plainCopy, source, target, repeats);
    bool ok = complete("plain walk", target);
    const double xcopied = bestCopyTime(xcopy, source, target, repeats);
    ok = complete("xcopy", target) && ok;
    const double library = bestCopyTime(libraryCopy, source, target, repeats);
    ok = complete("directory copy", target) && ok;

    const double ratioPlain = library / plain;
    const double ratioXcopy = library / xcopied;
    std::printf("  directory copy            %8.3f s\n", library);
    std::printf("  FindFirstFile/CopyFile    %8.3f s\n", plain);
    std::printf("  xcopy /E /I /Q            %8.3f s\n", xcopied);
    std::printf("  ratio to the plain walk   %.3f (target <= 1.15): %s\n", ratioPlain,
                ratioPlain <= 1.15 ? "met" : "NOT MET");
    std::printf("  ratio to xcopy            %.3f (target < 1): %s\n", ratioXcopy, ratioXcopy < 1 ? "met" : "NOT MET");
    std::fflush(stdout);

    plainRemove(root);
    return ok && ratioPlain <= 1.15 && ratioXcopy < 1 ? 0 : 1;
}
