// Time commands: a time point as the library formats it, in both time zones.
#include "hostcommand.h"
#include "syslib/timer/sytimermgt.h"

#include <cerrno>
#include <cwchar>

namespace
{
class CTimeCommand : public CHostCommand
{
public:
    CTimeCommand()
        : CHostCommand("time", "[SECONDS]", "now (or SECONDS since 1970) formatted in GMT and local time",
                       "syhost time 1700000000")
    {
    }
    void define(CLI::App& command) override
    {
        // The parser would take a number too large for 64 bits; the time's own conversion refuses it.
        command.add_option("seconds", m_seconds, "seconds since 1970 (now)")
            ->check(CLI::Validator(
                [](std::string& value) {
                    const iastring number = wide(value);
                    wchar_t* end = nullptr;
                    errno = 0;
                    std::wcstoll(number.c_str(), &end, 10);
                    return number.empty() || *end != L'\0' || errno == ERANGE
                               ? "seconds since 1970, a whole number of 64 bits"
                               : std::string();
                },
                "SECONDS"));
    }
    CHostResult run(CHostContext& context) override
    {
        const IaPtr<ISyTimerMgt> timers = context.factory->getTimerMgt();
        const PSyTime time = m_seconds.empty() ? timers->getTimer()->getTime()
                                               : timers->getTime(static_cast<time_t>(
                                                     std::wcstoll(wide(m_seconds).c_str(), nullptr, 10)));
        const iastring format = L"%Y-%m-%d %H:%M:%S (%A, day %j)";
        CHostResult result;
        result.document = {{"seconds", static_cast<long long>(time->getTime())},
                           {"GMT", utf8(time->getCalendarTime(ISyTime::GMT, format))},
                           {"LOCAL", utf8(time->getCalendarTime(ISyTime::LOCAL, format))}};
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        out << L"seconds since 1970  " << document["seconds"].get<long long>() << L"\n"
            << L"GMT                 " << text(document["GMT"]) << L"\n"
            << L"LOCAL               " << text(document["LOCAL"]) << L"\n";
    }

private:
    std::string m_seconds; // empty: now
} time;
} // namespace
