// What the canonical form costs: parse + getCanonicalPath (traced into a host-formatted, discarded log
// book) against calling GetFullPathNameW and GetLongPathNameW directly, over the texts of bench_path.
// Minutes under wine: each long-name lookup takes about a millisecond there.
#include "benchsupport.h"
#include "pathtexts.h"

#include "syslib/common/syfactory.h"
#include "syslib/filesystem/syfspath.h"

#include <cstdio>

namespace
{
volatile std::size_t g_sink;

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
    bench::CTree tree;
    ::SetCurrentDirectoryW(tree.root().c_str());
    const std::vector<iastring> texts = bench::pathTexts(tree.root(), count);
    const IaPtr<ISyFileSystemMgt> manager = getSyslibFactory()->getFileSystemMgt();
    bench::CDiscardingHostLogBook logBook;
    bench::compareRates(
        "(b) parse + getCanonicalPath, host-formatted log book, against GetFullPathNameW + GetLongPathNameW",
        count, "getFSPath(text)->getCanonicalPath()", [&] { g_sink = canonicaliseWithLibrary(*manager, texts); },
        "GetFullPathNameW + GetLongPathNameW", [&] { g_sink = canonicaliseDirectly(texts); }, 1.3,
        1); // one run of each is minutes already
    return bench::benchExitCode();
}
