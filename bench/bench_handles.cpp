// Handle stability over long runs: each file-system operation an installer repeats, 10,000 times (or the
// count given as the first argument), with the process's open handles counted before and every 1,000
// rounds. A count that grows after the first round is a leak; the run then exits with 1.
//   build/i686/wine-run build/i686/bin/bench_handles.exe [ROUNDS]   (or build/x86_64)
#include "benchsupport.h"

#include "syslib/common/syfactory.h"
#include "syslib/common/syswin.h"
#include "syslib/filesystem/sydirectory.h"
#include "syslib/filesystem/syfile.h"
#include "syslib/filesystem/syfilesystemmgt.h"
#include "tests/support/handlecount.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace
{
typedef ISyNode N;

void writeFile(const iastring& path, const char* text)
{
    syslib::CSyKernelHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(file.get(), text, static_cast<DWORD>(std::char_traits<char>::length(text)), &written, nullptr);
}

struct COperation
{
    const char* name;
    std::function<void()> run;
};
} // namespace

int main(int argc, char** argv)
{
    const long rounds = argc > 1 ? std::atol(argv[1]) : 10000;
    bench::CDiscardingHostLogBook logBook;
    const iastring root = bench::scratchFolder() + L"sybench-handles-" + std::to_wstring(::GetCurrentProcessId());
    for (const wchar_t* directory : {L"", L"\\tree", L"\\tree\\sub", L"\\copies"})
        ::CreateDirectoryW((root + directory).c_str(), nullptr);
    writeFile(root + L"\\a.txt", "a");
    writeFile(root + L"\\tree\\one.txt", "one");
    writeFile(root + L"\\tree\\sub\\two.txt", "two");

    const IaPtr<ISyFileSystemMgt> manager = getSyslibFactory()->getFileSystemMgt();
    const auto path = [&](const wchar_t* name) { return manager->getFSPath(root + name); };
    const auto copyA = [&](const wchar_t* target, int mode) {
        manager->getNode(path(L"\\a.txt"))->copy(path(target), static_cast<N::CopyMoveMode_t>(mode), nullptr);
    };
    const std::vector<COperation> operations = {
        {"node lookup and copy", [&] { copyA(L"\\b.txt", N::MISSING | N::EXISTING); }},
        {"copy through the setup services", [&] { copyA(L"\\c.txt", N::MISSING | N::EXISTING | N::USE_SETUP_API); }},
        {"copy replacing files in use", [&] { copyA(L"\\d.txt", N::MISSING | N::EXISTING | N::REPLACE_IN_USE); }},
        {"copy decided by time and version", [&] { copyA(L"\\b.txt", N::IF_NEWER | N::IF_HIGHER_VERSION); }},
        {"move and move back",
         [&] {
             manager->getNode(path(L"\\b.txt"))->move(path(L"\\moved.txt"), N::MISSING);
             manager->getNode(path(L"\\moved.txt"))->move(path(L"\\b.txt"), N::MISSING);
         }},
        {"create and remove a file", [&] { manager->createFile(path(L"\\new.txt"))->remove(); }},
        {"list the first entry only",
         [&] { manager->getDirectory(path(L"\\tree"))->getChildNodes(L"*", false)->get(); }},
        {"list everything",
         [&] {
             const PSyDirectory tree = manager->getDirectory(path(L"\\tree"));
             for (PSyNodeIterator it = tree->getChildNodes(L"*", false); !it->isDone(); it->next())
                 it->get();
         }},
        {"total size", [&] { manager->getDirectory(path(L"\\tree"))->getTotalSize(); }},
        {"tree copy",
         [&] { manager->getDirectory(path(L"\\tree"))->copy(path(L"\\copies"), N::MISSING | N::EXISTING, nullptr); }},
        {"times and size",
         [&] {
             const PSyNode node = manager->getNode(path(L"\\a.txt"));
             node->setTimeStamp(node->getTimeStamp());
             node->getSize();
         }},
        {"stream write and read",
         [&] {
             const PSyFile file = manager->getFile(path(L"\\a.txt"));
             file->openStream(ISyFile::WRITE | ISyFile::TRUNCATE)->putLine(L"line", true);
             file->openStream(ISyFile::READ)->getLine();
         }},
        {"existence and canonical form",
         [&] {
             manager->isExisting(path(L"\\tree\\sub"), N::DIRECTORY);
             path(L"\\tree\\..\\a.txt")->getCanonicalPath();
         }},
    };

    int leaks = 0;
    std::printf("%-36s %10s %10s %10s\n", "operation", "handles", "after 1", "at end");
    for (const COperation& operation : operations)
    {
        const std::size_t before = openHandles().size();
        operation.run();
        const std::size_t afterFirst = openHandles().size();
        std::size_t highest = afterFirst;
        for (long round = 1; round < rounds; ++round)
        {
            operation.run();
            if (round % 1000 == 0 && openHandles().size() > highest)
                highest = openHandles().size();
        }
        const std::size_t atEnd = openHandles().size();
        const bool leaked = atEnd > afterFirst || highest > afterFirst;
        leaks += leaked;
        std::printf("%-36s %10zu %10zu %10zu%s\n", operation.name, before, afterFirst, atEnd,
                    leaked ? "  LEAK" : "");
        std::fflush(stdout);
    }
    std::printf("%ld rounds of %zu operations: %s\n", rounds, operations.size(),
                leaks ? "handle count grew" : "handle count stable");
    return leaks ? 1 : 0;
}
