// What copying a tree costs: the library's directory copy (traced into a host-formatted, discarded log
// book) against (a) a plain recursive FindFirstFileW/CopyFileW walk and (b) xcopy /E /I /Q, over the same
// generated tree in 200 directories: 5,000 files (200 MB), then 20,000 (800 MB, four times as many a
// folder), so that a cost growing with the folder shows as a growing time per file. Each run starts
// without a target. Then, at 5,000 files, the library's copy with 1 to 16 workers against the plain walk:
// the figures the default worker count was chosen from. bench_treecopy N copies one tree of N files (a
// multiple of 200) instead, without the sweep.
#include "benchsupport.h"
#include "callcount.h"

#include "syslib/common/syfactory.h"
#include "syslib/common/syswin.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace
{
const int topDirectories = 20;
const int subDirectoriesEach = 9; // 20 + 20 * 9 = 200 directories
const int directories = topDirectories * (1 + subDirectoriesEach);
int filesPerDirectory = 25;
const std::size_t fileBytes = 40 * 1024;

int fileCount()
{
    return directories * filesPerDirectory;
}

iastring tempRoot()
{
    return bench::scratchFolder() + L"sybench-tree-" + std::to_wstring(::GetCurrentProcessId());
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

bool complete(const char* name, const iastring& target);

struct CCopyTimes
{
    double best = 1e30;
    double worst = 0;
    long long calls = 0; // file-system calls of the last run
    std::string breakdown;
};

// One run of copy(source, target) added to times; the target is removed first. A run that left the copy
// incomplete (a child process that could not start on a loaded machine) is reported and not counted;
// times.best stays 1e30 when none was complete.
void timeRun(const char* name, const std::function<void(const iastring&, const iastring&)>& copy,
             const iastring& source, const iastring& target, bench::CFileCallCounter& counter, CCopyTimes& times)
{
    plainRemove(target);
    counter.reset();
    const auto start = std::chrono::steady_clock::now();
    copy(source, target);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    times.calls = counter.total();
    times.breakdown = counter.breakdown();
    if (!complete(name, target))
        return;
    times.best = seconds < times.best ? seconds : times.best;
    times.worst = seconds > times.worst ? seconds : times.worst;
}

void printTimes(const char* name, const CCopyTimes& times, bool counted)
{
    std::printf("  %-26s %8.3f s (worst %.3f)  %7.3f ms/file", name, times.best, times.worst,
                times.best * 1000.0 / fileCount());
    if (counted)
        std::printf("  %5.2f calls/file: %s", static_cast<double>(times.calls) / fileCount(), times.breakdown.c_str());
    std::printf("\n");
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
    const long long expectedFiles = fileCount();
    const bool ok = files == expectedFiles && bytes == expectedFiles * static_cast<long long>(fileBytes);
    if (!ok)
        std::printf("  %s copied %lld files, %lld bytes: INCOMPLETE\n", name, files, bytes);
    return ok;
}

void observedLibraryCopy(const iastring& from, const iastring& to, ISyProgressObserver* observer)
{
    const IaPtr<ISyFileSystemMgt> manager = CSyslibFactory::getInstance()->getFileSystemMgt();
    bench::CDiscardingHostLogBook logBook;
    manager->getDirectory(manager->getFSPath(from))
        ->copy(manager->getFSPath(to), ISyNode::MISSING | ISyNode::EXISTING, observer);
}

void libraryCopy(const iastring& from, const iastring& to)
{
    observedLibraryCopy(from, to, nullptr);
}

std::size_t openHandleCount()
{
    // Wine's GetProcessHandleCount answers 0: the handle values are probed, lowest first.
    std::size_t count = 0;
    for (std::uintptr_t value = 4, unused = 0; unused < 256; value += 4)
    {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
        {
            ++count;
            unused = 0;
        }
        else
            ++unused;
    }
    return count;
}

// Committed private memory, summed over the address space: wine's process counters leave thread stacks out.
std::size_t privateBytes()
{
    std::size_t bytes = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (std::uintptr_t address = 0;
         ::VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof(region)) == sizeof(region);)
    {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            bytes += region.RegionSize;
        const std::uintptr_t next = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break; // the top of the address space
        address = next;
    }
    return bytes;
}

// The most handles and private bytes the process held while a copy went on, seen now and then as the
// copy tells its progress (on the walking thread, while workers copy).
class CResourcePeak : public ISyProgressObserver
{
public:
    void progress(const iastring&, int) override
    {
        if (m_calls++ % 50 != 0)
            return;
        m_handles = std::max(m_handles, openHandleCount());
        m_bytes = std::max(m_bytes, privateBytes());
    }
    void heading(const iastring&) override {}
    std::size_t handles() const { return m_handles; }
    std::size_t bytes() const { return m_bytes; }

private:
    long long m_calls = 0;
    std::size_t m_handles = 0;
    std::size_t m_bytes = 0;
};

// The library's copy with each worker count against the plain walk, in turns, over the tree at source.
void sweepWorkers(const iastring& source, const iastring& target, bench::CFileCallCounter& counter)
{
    const IaPtr<ISyFileSystemMgt> manager = CSyslibFactory::getInstance()->getFileSystemMgt();
    const int chosen = manager->getTreeCopyWorkers();
    const std::vector<int> counts = {1, 2, 3, 4, 8, 16};
    const int repeats = 2;
    std::vector<CCopyTimes> times(counts.size());
    CCopyTimes plain;
    for (int run = 0; run < repeats; ++run)
    {
        timeRun("plain walk", plainCopy, source, target, counter, plain);
        for (std::size_t i = 0; i < counts.size(); ++i)
        {
            manager->setTreeCopyWorkers(counts[i]);
            timeRun("directory copy", libraryCopy, source, target, counter, times[i]);
        }
    }
    // What the workers hold meanwhile, against the copy on the caller's thread alone.
    std::vector<CResourcePeak> peaks(counts.size());
    for (std::size_t i = 0; i < counts.size(); ++i)
    {
        manager->setTreeCopyWorkers(counts[i]);
        plainRemove(target);
        observedLibraryCopy(source, target, &peaks[i]);
    }
    manager->setTreeCopyWorkers(chosen);
    std::printf("workers (best of %d; the plain walk %.3f s), with the peak handles and private bytes:\n", repeats,
                plain.best);
    for (std::size_t i = 0; i < counts.size(); ++i)
    {
        std::printf("  %2d worker(s)  %8.3f s  %7.3f ms/file  ratio to the plain walk %.3f", counts[i], times[i].best,
                    times[i].best * 1000.0 / fileCount(), times[i].best / plain.best);
        if (counts[i] > 1)
            std::printf("  %+d handles, %+.0f KB a worker",
                        static_cast<int>(peaks[i].handles() - peaks[0].handles()) / counts[i],
                        (static_cast<double>(peaks[i].bytes()) - peaks[0].bytes()) / 1024.0 / counts[i]);
        std::printf("%s\n", counts[i] == chosen ? "  (the default)" : "");
    }
    std::fflush(stdout);
}

// Copies one generated tree of fileCount() files three ways; false when a copy was incomplete or a ratio
// missed its target. libraryPerFile: the library's best seconds a file. sweep: then the worker counts.
bool compareTreeCopies(const iastring& root, double& libraryPerFile, bool sweep)
{
    const iastring source = root + L"\\source";
    const iastring target = root + L"\\target";
    ::CreateDirectoryW(root.c_str(), nullptr);
    makeTree(source);
    const int repeats = 3;

    std::printf("tree copy: %d files in %d directories, %.0f MB (best of %d)\n", fileCount(), directories,
                fileCount() * static_cast<double>(fileBytes) / 1048576.0, repeats);
    std::fflush(stdout);
    bench::CFileCallCounter counter;
    // Taken in turns, each run starting with another way, so that no way of copying always runs while the
    // writes (and the target's removal) of the same other one are still being flushed to disk.
    CCopyTimes plain, xcopied, library;
    for (int run = 0; run < repeats; ++run)
        for (int turn = 0; turn < 3; ++turn)
            switch ((run + turn) % 3)
            {
            case 0:
                timeRun("plain walk", plainCopy, source, target, counter, plain);
                break;
            case 1:
                timeRun("xcopy", xcopy, source, target, counter, xcopied);
                break;
            default:
                timeRun("directory copy", libraryCopy, source, target, counter, library);
                break;
            }
    const bool ok = plain.best < 1e30 && xcopied.best < 1e30 && library.best < 1e30;

    const double ratioPlain = library.best / plain.best;
    const double ratioXcopy = library.best / xcopied.best;
    printTimes("directory copy", library, counter.hooked() > 0);
    printTimes("FindFirstFile/CopyFile", plain, counter.hooked() > 0);
    printTimes("xcopy /E /I /Q", xcopied, false);
    std::printf("  ratio to the plain walk   %.3f (target <= 1.0): %s\n", ratioPlain,
                ratioPlain <= 1.0 ? "met" : "NOT MET");
    std::printf("  ratio to xcopy            %.3f (target < 1): %s\n", ratioXcopy, ratioXcopy < 1 ? "met" : "NOT MET");
    std::fflush(stdout);
    if (sweep)
        sweepWorkers(source, target, counter);

    plainRemove(root);
    libraryPerFile = library.best / fileCount();
    return ok && ratioPlain <= 1.0 && ratioXcopy < 1;
}
} // namespace

int main(int argc, char** argv)
{
    const iastring root = tempRoot();
    std::vector<int> sizes = {25, 100}; // files a directory: 5,000 and 20,000 files
    const bool sweep = !(argc > 1 && std::atoi(argv[1]) >= directories);
    if (!sweep)
        sizes = {std::atoi(argv[1]) / directories};
    bool ok = true;
    std::vector<double> perFile;
    for (const int size : sizes)
    {
        filesPerDirectory = size;
        double libraryPerFile = 0;
        ok = compareTreeCopies(root, libraryPerFile, sweep && size == sizes.front()) && ok;
        perFile.push_back(libraryPerFile);
    }
    if (perFile.size() > 1)
    {
        // Flat means the larger tree costs no more a file than the smaller, give or take the noise of a
        // shared machine.
        const double growth = perFile.back() / perFile.front();
        std::printf("library time per file, %d files against %d: %.3f (target <= 1.2): %s\n",
                    directories * sizes.back(), directories * sizes.front(), growth,
                    growth <= 1.2 ? "met" : "NOT MET");
        ok = ok && growth <= 1.2;
    }
    return ok ? 0 : 1;
}
