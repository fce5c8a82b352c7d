// What copying files through nodes costs: 2,000 files of 1 KB to 1 MB (log-uniform, shuffled) copied one
// by one with ISyNode::copy (traced into a host-formatted, discarded log book, with the decision probes of
// MISSING|EXISTING) against a plain CopyFileW loop over the same files, both replacing existing targets.
#include "benchsupport.h"
#include "callcount.h"

#include "syslib/common/syfactory.h"
#include "syslib/common/syswin.h"
#include "syslib/filesystem/synode.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace
{
int fileCount = 2000;

class CFiles
{
public:
    CFiles()
    {
        m_root = bench::scratchFolder() + L"sybench-copy-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(m_root.c_str(), nullptr);
        ::CreateDirectoryW((m_root + L"\\from").c_str(), nullptr);
        ::CreateDirectoryW((m_root + L"\\to").c_str(), nullptr);
        std::string content(1 << 20, 'x');
        for (std::size_t i = 0; i < content.size(); ++i)
            content[i] = static_cast<char>('a' + (i * 7919) % 26);
        for (int i = 0; i < fileCount; ++i)
        {
            // Every 7th size step next: the sizes are spread over the run, not sorted.
            const double step = static_cast<double>((i * 7) % fileCount) / (fileCount - 1);
            const DWORD size = static_cast<DWORD>(1024.0 * std::pow(1024.0, step));
            const iastring name = L"file" + std::to_wstring(i) + L".bin";
            syslib::CSyKernelHandle file(::CreateFileW((m_root + L"\\from\\" + name).c_str(), GENERIC_WRITE, 0,
                                                       nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            ::WriteFile(file.get(), content.data(), size, &written, nullptr);
            m_bytes += size;
            m_sources.push_back(m_root + L"\\from\\" + name);
            m_targets.push_back(m_root + L"\\to\\" + name);
        }
    }
    ~CFiles()
    {
        for (std::size_t i = 0; i < m_sources.size(); ++i)
        {
            ::DeleteFileW(m_sources[i].c_str());
            ::DeleteFileW(m_targets[i].c_str());
        }
        ::RemoveDirectoryW((m_root + L"\\from").c_str());
        ::RemoveDirectoryW((m_root + L"\\to").c_str());
        ::RemoveDirectoryW(m_root.c_str());
    }

    std::vector<iastring> m_sources;
    std::vector<iastring> m_targets;
    iastring m_root;
    double m_bytes = 0;
};

void copyPlain(const CFiles& files)
{
    for (std::size_t i = 0; i < files.m_sources.size(); ++i)
        ::CopyFileW(files.m_sources[i].c_str(), files.m_targets[i].c_str(), FALSE);
}

void copyWithNodes(ISyFileSystemMgt& manager, const CFiles& files)
{
    for (std::size_t i = 0; i < files.m_sources.size(); ++i)
        manager.getNode(manager.getFSPath(files.m_sources[i]))
            ->copy(manager.getFSPath(files.m_targets[i]), ISyNode::MISSING | ISyNode::EXISTING, nullptr);
}
// Runs work and keeps the file-system calls it made a file.
struct CCounted
{
    explicit CCounted(bench::CFileCallCounter& callCounter) : counter(callCounter) {}

    bench::CFileCallCounter& counter;
    double perFile = 0;
    std::string breakdown;

    void run(const std::function<void()>& work)
    {
        counter.reset();
        work();
        perFile = static_cast<double>(counter.total()) / fileCount;
        breakdown = counter.breakdown();
    }
};

void printCalls(const CCounted& library, const CCounted& raw)
{
    std::printf("  calls/file: library %.2f (%s)\n              CopyFileW %.2f (%s)\n\n", library.perFile,
                library.breakdown.c_str(), raw.perFile, raw.breakdown.c_str());
    std::fflush(stdout);
}
} // namespace

int main()
{
    // SYBENCH_FILES=N: a shorter run while looking into a figure.
    if (const char* count = std::getenv("SYBENCH_FILES"))
        fileCount = std::atoi(count) > 1 ? std::atoi(count) : fileCount;
    CFiles files;
    std::printf("%d files, %.1f MB in all\n", fileCount, files.m_bytes / 1048576.0);
    copyPlain(files); // the targets exist for both sides
    const IaPtr<ISyFileSystemMgt> manager = getSyslibFactory()->getFileSystemMgt();
    bench::CDiscardingHostLogBook logBook;
    bench::CFileCallCounter counter;
    CCounted library{counter};
    CCounted raw{counter};
    bench::compareRates("copy file by file, host-formatted log book attached", fileCount,
                        "getNode(src)->copy(dst, MISSING|EXISTING)",
                        [&] { library.run([&] { copyWithNodes(*manager, files); }); }, "CopyFileW(src, dst, FALSE)",
                        [&] { raw.run([&] { copyPlain(files); }); }, 1.3, 2);
    printCalls(library, raw);
    // The nodes looked up beforehand: what the copy itself adds (target canonical form, probe, times).
    std::vector<PSyNode> nodes;
    for (const iastring& source : files.m_sources)
        nodes.push_back(manager->getNode(manager->getFSPath(source)));
    std::vector<PSyFSPath> targets;
    for (const iastring& target : files.m_targets)
        targets.push_back(manager->getFSPath(target));
    bench::compareRates("the same, nodes and target paths made before the run", fileCount,
                        "node->copy(dst, MISSING|EXISTING)",
                        [&] {
                            library.run([&] {
                                for (std::size_t i = 0; i < nodes.size(); ++i)
                                    nodes[i]->copy(targets[i], ISyNode::MISSING | ISyNode::EXISTING, nullptr);
                            });
                        },
                        "CopyFileW(src, dst, FALSE)", [&] { raw.run([&] { copyPlain(files); }); }, 1.3, 2);
    printCalls(library, raw);
    return bench::benchExitCode();
}
