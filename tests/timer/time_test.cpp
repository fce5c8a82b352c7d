#include "syslib/timer/sytimediffimpl.h"
#include "syslib/timer/sytimeimpl.h"
#include "tests/support/expectthrow.h"

#include <cstdlib>
#include <sstream>

namespace
{
// 2008-12-31 23:59:59 UTC, the last second of a leap year.
const time_t endOf2008 = 1230767999;

// Pins the runtime's local time zone for one test and puts the process's own back afterwards.
class CScopedTimeZone
{
public:
    explicit CScopedTimeZone(const char* zone) : m_previous(std::getenv("TZ") ? std::getenv("TZ") : "") { set(zone); }
    ~CScopedTimeZone() { set(m_previous.c_str()); }

private:
    static void set(const char* zone)
    {
        _putenv((std::string("TZ=") + zone).c_str());
        _tzset();
    }
    std::string m_previous;
};
} // namespace

TEST(TimeTest, FormattingAcrossYearsAndTimeZones)
{
    CRecordingLogBook book;
    std::wostringstream names;
    names << ISyTime::GMT << L" " << ISyTime::LOCAL << L" " << static_cast<ISyTime::eTimeZone>(7);
    EXPECT_EQ(L"GMT LOCAL unknown (7)", names.str());

    EXPECT_EQ(L"1970", syslib::newTime(0)->getCalendarTime(ISyTime::GMT, L"%Y"));
    EXPECT_TRUE(book.hasTrace(L"parameter(s): GMT, \"%Y\""));
    EXPECT_TRUE(book.hasTrace(L"return value: Return value: \"1970\""));
    const iastring format = L"%Y-%m-%d %H:%M:%S day %j";
    EXPECT_EQ(L"2008-12-31 23:59:59 day 366", syslib::newTime(endOf2008)->getCalendarTime(ISyTime::GMT, format));
    EXPECT_EQ(L"2009-01-01 00:00:00 day 001", syslib::newTime(endOf2008 + 1)->getCalendarTime(ISyTime::GMT, format));

    const PSyTime time = syslib::newTime(endOf2008);
    {
        CScopedTimeZone east("ABC-3");
        EXPECT_EQ(L"2009-01-01 02:59", time->getCalendarTime(ISyTime::LOCAL, L"%Y-%m-%d %H:%M"));
        EXPECT_EQ(L"2008-12-31 23:59", time->getCalendarTime(ISyTime::GMT, L"%Y-%m-%d %H:%M"));
    }
    CScopedTimeZone west("XYZ+5");
    EXPECT_EQ(L"2008-12-31 18:59", time->getCalendarTime(ISyTime::LOCAL, L"%Y-%m-%d %H:%M"));
}

TEST(TimeTest, FormattingRefusals)
{
    CRecordingLogBook book;
    const PSyTime time = syslib::newTime(0);
    const iastring signature = L"CSyTimeImpl::getCalendarTime(ISyTime::eTimeZone eTimeZone, iastring sFormat)";
    expectLoggedThrow<ESyPrecondition>(book, [&] { time->getCalendarTime(ISyTime::GMT, L""); },
                                       L"common.parameterEmpty", {L"sFormat", signature});
    expectLoggedThrow<ESyPrecondition>(book, [&] { time->getCalendarTime(ISyTime::GMT, L"Y-m-d"); },
                                       L"common.parameterNotValid", {L"sFormat", L"Y-m-d", signature});
    expectLoggedThrow<ESyPrecondition>(
        book, [&] { time->getCalendarTime(static_cast<ISyTime::eTimeZone>(2), L"%Y"); },
        L"common.parameterNotValid", {L"eTimeZone", L"unknown (2)", signature});

    // Before the epoch the runtime has no broken-down time to give.
    book.clear();
    EXPECT_THROW(syslib::newTime(-1)->getCalendarTime(ISyTime::GMT, L"%Y"), ESyTimer);
    EXPECT_EQ(L"gmtime()", book.onlyMessage(L"common.fatalSystemError").arguments.at(1));

    // Thursday, eight letters each: 17 of them fit into the 34 + 104 bytes allowed, 18 not into 36 + 104.
    iastring fits;
    for (int i = 0; i < 17; ++i)
        fits += L"%A";
    EXPECT_EQ(17 * 8u, time->getCalendarTime(ISyTime::GMT, fits).size());
    book.clear();
    EXPECT_THROW(time->getCalendarTime(ISyTime::GMT, fits + L"%A"), ESyTimer);
    const CRecordedLine full = book.onlyMessage(L"common.fatalSystemError");
    ASSERT_EQ(2u, full.arguments.size());
    EXPECT_FALSE(full.arguments[0].empty());
    EXPECT_EQ(L"strftimeS()", full.arguments[1]);
}

TEST(TimeTest, ArithmeticStaysInRangeAndRoundsTowardsThePast)
{
    CRecordingLogBook book;
    const PSyTime ten = syslib::newTime(10);
    EXPECT_EQ(10, ten->add(syslib::newTimeDiff(0.9))->getTime());
    EXPECT_EQ(9, ten->add(syslib::newTimeDiff(-0.1))->getTime());
    EXPECT_TRUE(book.hasTrace(L"return value: Return value: ISyTime* (9)"));
    EXPECT_EQ(10, ten->getTime());

    const ESyTimer negative = expectLoggedThrow<ESyTimer>(
        book, [&] { ten->add(syslib::newTimeDiff(-20)); }, L"syslib.timer.negative", {L"-20"});
    EXPECT_EQ(ESyException::SPECIFIC_CODE, negative.getErrorType());
    EXPECT_THROW(ten->add(syslib::newTimeDiff(-10.5)), ESyTimer);
    // Exactly the earliest time is a time; a fraction below it is not.
    EXPECT_EQ(0, ten->add(syslib::newTimeDiff(-10))->getTime());
    EXPECT_THROW(ten->add(syslib::newTimeDiff(-10.000001)), ESyTimer);
    const PSyTime late = syslib::newTime(2147483640);
    EXPECT_EQ(2147483647, late->add(syslib::newTimeDiff(7))->getTime());
    EXPECT_THROW(late->add(syslib::newTimeDiff(8)), ESyTimer);
    // The sum is checked before the fraction goes.
    expectLoggedThrow<ESyTimer>(book, [&] { late->add(syslib::newTimeDiff(7.5)); }, L"syslib.timer.overflow",
                                {L"7.5"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->add(PSyTimeDiff()); }, L"common.parameterEmpty",
                                       {L"sypSummand", L"CSyTimeImpl::add(PSyTimeDiff sypSummand)"});

    EXPECT_EQ(-150.0, syslib::newTime(100)->diff(syslib::newTime(250))->get());
    // The widest differences of two times are still differences, in both directions.
    EXPECT_EQ(2147483647.0, syslib::newTime(2147483647)->diff(syslib::newTime(0))->get());
    EXPECT_EQ(-2147483647.0, syslib::newTime(0)->diff(syslib::newTime(2147483647))->get());
    EXPECT_EQ(0.0, late->diff(late)->get());
    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->diff(PSyTime()); }, L"common.parameterEmpty",
                                       {L"sypSubtrahend", L"CSyTimeImpl::diff(PSyTime sypSubtrahend)"});
    EXPECT_TRUE(book.hasTrace(L"parameter(s): (ISyTime*) NULL"));
    // setTime takes any value; a difference beyond the range of a difference is refused (the widest that a
    // 32-bit time_t, the product's, can give).
    expectLoggedThrow<ESyPrecondition>(
        book, [&] { syslib::newTime(2147483647)->diff(syslib::newTime(-2147483647 - 1)); }, L"syslib.timer.overflow",
        {L"4.29497e+09"});
}
