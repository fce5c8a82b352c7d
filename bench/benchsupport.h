// Benchmarks measure the library against a baseline in the same run and print both and the ratio.
// A benchmark is a main() that calls compareRates (or timeIt) and returns benchExitCode().
#pragma once

#include "framework/iastring.h"
#include "host/hostlogbook.h"
#include "host/utf8stream.h"

#include <functional>

namespace bench
{
// Seconds for one call of work (the best of `repeats` runs, to shed noise from the other core).
double timeIt(const std::function<void()>& work, int repeats = 3);

// Times both sides (`operations` operations each, best of `repeats` runs), prints per-operation figures
// and candidate/baseline, and notes whether the ratio meets target (≤ target).
void compareRates(const char* title, long long operations, const char* candidateName,
                  const std::function<void()>& candidate, const char* baselineName,
                  const std::function<void()>& baseline, double target, int repeats = 3);

// A log book that formats every line as syhost's does into a discarded sink: what tracing costs a host.
class CDiscardingHostLogBook
{
public:
    CDiscardingHostLogBook();
    ~CDiscardingHostLogBook();

private:
    CNullStreamBuf m_buffer;
    std::wostream m_sink;
    CHostLogBook m_logBook;
    ILogBook* m_previous;
};

// The folder a benchmark makes its files in: the temporary folder, or SYBENCH_ROOT when set (Z:\\dev\\shm
// under wine puts them in memory, so that the host disk's write-back does not decide a copy's figures).
// Ends with a backslash.
iastring scratchFolder();

// 0 when every compared ratio met its target, else 1.
int benchExitCode();
} // namespace bench
