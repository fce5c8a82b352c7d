// Starting short child processes: start, wait and exit code through the library's child application,
// against CreateProcessW + WaitForSingleObject + GetExitCodeProcess in the same run. The child is this
// program started again with --exit.
//   build/i686/wine-run build/i686/bin/bench_child_start.exe [STARTS]   (or build/x86_64)
#include "benchsupport.h"

#include "framework/iacontaineriter.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/syswin.h"
#include "syslib/process/syprocessmgt.h"

#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--exit") == 0)
        return 3;
    const long starts = argc > 1 ? std::atol(argv[1]) : 200;
    bench::CDiscardingHostLogBook logBook;
    wchar_t program[MAX_PATH + 1] = {0};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    const iastring path = program;
    const IaPtr<ISyProcessMgt> processes = getSyslibFactory()->getProcessMgt();

    unsigned long sum = 0;
    const auto library = [&] {
        for (long i = 0; i < starts; ++i)
        {
            const PSyChildApplication child = processes->createChildApplication(1);
            child->setPath(path);
            child->setArguments(L"--exit", L" ");
            child->start(true);
            sum += child->getExitCode(false);
        }
    };
    const auto raw = [&] {
        for (long i = 0; i < starts; ++i)
        {
            iastring commandLine = path + L" --exit";
            STARTUPINFOW startup = {};
            startup.cb = sizeof(startup);
            PROCESS_INFORMATION created = {};
            if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &created))
                std::exit(2);
            const syslib::CSyKernelHandle process(created.hProcess), thread(created.hThread);
            ::WaitForSingleObject(process.get(), INFINITE);
            DWORD code = 0;
            ::GetExitCodeProcess(process.get(), &code);
            sum += code;
        }
    };
    bench::compareRates("child application: start, wait, exit code", starts, "library", library,
                        "CreateProcessW", raw, 1.15);
    return sum == 0 ? 2 : bench::benchExitCode();
}
