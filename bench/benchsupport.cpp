#include "benchsupport.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
bool g_allMet = true;

double now()
{
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void printPerOperation(const char* name, double seconds, long long operations)
{
    const double ns = seconds * 1e9 / static_cast<double>(operations);
    if (ns < 100000)
        std::printf("  %-44s %12.1f ns/op  %14.0f op/s\n", name, ns, operations / seconds);
    else
        std::printf("  %-44s %12.3f ms/op  %14.1f op/s\n", name, ns / 1e6, operations / seconds);
}
} // namespace

namespace bench
{
double timeIt(const std::function<void()>& work, int repeats)
{
    double best = 1e300;
    for (int i = 0; i < repeats; ++i)
    {
        const double start = now();
        work();
        best = std::min(best, now() - start);
    }
    return best;
}

void compareRates(const char* title, long long operations, const char* candidateName,
                  const std::function<void()>& candidate, const char* baselineName,
                  const std::function<void()>& baseline, double target, int repeats)
{
    std::printf("%s (%lld operations a run, best of %d)\n", title, operations, repeats);
    // Turn about, so that a drift of the machine (the disk's cache, other load) meets both alike.
    double baselineSeconds = 1e300;
    double candidateSeconds = 1e300;
    for (int i = 0; i < repeats; ++i)
    {
        baselineSeconds = std::min(baselineSeconds, timeIt(baseline, 1));
        candidateSeconds = std::min(candidateSeconds, timeIt(candidate, 1));
    }
    printPerOperation(candidateName, candidateSeconds, operations);
    printPerOperation(baselineName, baselineSeconds, operations);
    const double ratio = candidateSeconds / baselineSeconds;
    const bool met = ratio <= target;
    g_allMet = g_allMet && met;
    std::printf("  ratio %.3f (target <= %.2f): %s\n\n", ratio, target, met ? "met" : "NOT MET");
    std::fflush(stdout);
}

CDiscardingHostLogBook::CDiscardingHostLogBook()
    : m_sink(&m_buffer), m_logBook(m_sink), m_previous(syslib::setLogBook(&m_logBook))
{
}

CDiscardingHostLogBook::~CDiscardingHostLogBook()
{
    syslib::setLogBook(m_previous);
}

iastring scratchFolder()
{
    if (const char* root = std::getenv("SYBENCH_ROOT"))
    {
        iastring folder(root, root + std::strlen(root)); // an ASCII path from the command line
        if (!folder.empty() && folder.back() != L'\\')
            folder += L'\\';
        return folder;
    }
    wchar_t temp[MAX_PATH + 1] = {0};
    ::GetTempPathW(MAX_PATH + 1, temp);
    return temp;
}

int benchExitCode()
{
    return g_allMet ? 0 : 1;
}
} // namespace bench
