// What parsing a path costs: the library's path object and its OS form against std::filesystem::path,
// over the same 100,000 texts. Runs in seconds; the canonical form, which needs the file system, is
// bench_canonical.
#include "benchsupport.h"
#include "pathtexts.h"

#include "syslib/common/syfactory.h"
#include "syslib/filesystem/syfspath.h"

#include <cstdio>
#include <filesystem>

namespace
{
volatile std::size_t g_sink;

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

} // namespace

int main()
{
    const std::size_t count = 100000;
    bench::CTree tree;
    ::SetCurrentDirectoryW(tree.root().c_str());
    const std::vector<iastring> texts = bench::pathTexts(tree.root(), count);
    const IaPtr<ISyFileSystemMgt> manager = getSyslibFactory()->getFileSystemMgt();

    bench::compareRates(
        "(a) parse + toOSString, no log book, against std::filesystem::path + native()", count,
        "getFSPath(text)->toOSString()", [&] { g_sink = parseWithLibrary(*manager, texts); },
        "std::filesystem::path(text).native()", [&] { g_sink = parseWithStd(texts); }, 1.0, 5);

    bench::CDiscardingHostLogBook logBook;
    bench::compareRates("(a') the same with a host-formatted log book attached (informational)", count,
                        "getFSPath(text)->toOSString()", [&] { g_sink = parseWithLibrary(*manager, texts); },
                        "std::filesystem::path(text).native()", [&] { g_sink = parseWithStd(texts); }, 1e9);
    return bench::benchExitCode();
}
