// Time commands: a time point as the library formats it, in both time zones.
#include "hostcommand.h"

#include <cerrno>
#include <cwchar>

namespace
{
int runTime(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.size() > 1)
        return usageError(context, L"time");
    const IaPtr<ISyTimerMgt> timers = context.factory->getTimerMgt();
    PSyTime time;
    if (arguments.empty())
        time = timers->getTimer()->getTime();
    else
    {
        wchar_t* end = nullptr;
        errno = 0;
        const long long seconds = std::wcstoll(arguments[0].c_str(), &end, 10);
        if (arguments[0].empty() || *end != L'\0' || errno == ERANGE)
            return usageError(context, L"time");
        time = timers->getTime(static_cast<time_t>(seconds));
    }

    // Formatted before anything is written, so that a refused time leaves no half-written lines.
    const iastring format = L"%Y-%m-%d %H:%M:%S (%A, day %j)";
    const iastring gmt = time->getCalendarTime(ISyTime::GMT, format);
    const iastring local = time->getCalendarTime(ISyTime::LOCAL, format);
    context.out << L"seconds since 1970  " << time->getTime() << L"\n"
                << L"GMT                 " << gmt << L"\n"
                << L"LOCAL               " << local << L"\n";
    return HOST_OK;
}

const CHostCommandRegistration time({L"time", L"[SECONDS]",
                                     L"now (or SECONDS since 1970) formatted in GMT and local time", runTime});
} // namespace
