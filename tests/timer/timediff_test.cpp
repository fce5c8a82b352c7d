#include "syslib/timer/sytimediffimpl.h"
#include "tests/support/expectthrow.h"

#include <limits>

namespace
{
PSyTimeDiff seconds(double value)
{
    return syslib::newTimeDiff(value);
}
} // namespace

TEST(TimeDiffTest, RangeEdgesKeepTheOldValueOnRejection)
{
    CRecordingLogBook book;
    PSyTimeDiff value = seconds(2147483647.0);
    value->set(-2147483647.0);
    const ESyPrecondition tooBig = expectLoggedThrow<ESyPrecondition>(
        book, [&] { value->set(2147483648.0); }, L"syslib.timer.overflow", {L"2.14748e+09"});
    EXPECT_EQ(ESyPrecondition::PARAMETER_NOT_VALID, tooBig.getCode());
    EXPECT_THROW(value->set(-2147483648.0), ESyPrecondition);
    EXPECT_THROW(value->set(std::numeric_limits<double>::quiet_NaN()), ESyPrecondition);
    EXPECT_EQ(-2147483647.0, value->get());
}

TEST(TimeDiffTest, ArithmeticMakesNewRangeCheckedObjects)
{
    CRecordingLogBook book;
    const PSyTimeDiff ten = seconds(10);
    const PSyTimeDiff four = seconds(4);
    EXPECT_EQ(14.0, ten->add(four)->get());
    EXPECT_TRUE(book.hasTrace(L"return value: Return value: ISyTimeDiff* (14)"));
    EXPECT_EQ(-6.0, four->diff(ten)->get());
    EXPECT_EQ(25.0, ten->mul(2.5)->get());
    EXPECT_EQ(-2.5, ten->div(-4)->get());
    EXPECT_EQ(10.0, ten->get());

    expectLoggedThrow<ESyPrecondition>(book, [&] { seconds(2147483647.0)->add(seconds(1)); },
                                       L"syslib.timer.overflow", {L"2.14748e+09"});
    EXPECT_THROW(seconds(-2147483647.0)->diff(seconds(1)), ESyPrecondition);
    EXPECT_THROW(ten->div(1e-9), ESyPrecondition);
    // Results exactly on the edges are accepted.
    EXPECT_EQ(2147483647.0, seconds(2147483646.0)->add(seconds(1))->get());
    EXPECT_EQ(-2147483647.0, seconds(-2147483646.0)->diff(seconds(1))->get());
    EXPECT_EQ(2147483647.0, seconds(-2147483647.0)->mul(-1)->get());
    EXPECT_EQ(0.0, ten->diff(ten)->get());
    EXPECT_EQ(0.0, ten->mul(0)->get());

    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->add(PSyTimeDiff()); }, L"common.parameterEmpty",
                                       {L"sypSummand", L"CSyTimeDiffImpl::add(PSyTimeDiff sypSummand)"});
    EXPECT_TRUE(book.hasTrace(L"parameter(s): (ISyTimeDiff *) NULL"));
    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->diff(PSyTimeDiff()); }, L"common.parameterEmpty",
                                       {L"sypSubtrahend", L"CSyTimeDiffImpl::diff(PSyTimeDiff sypSubtrahend)"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->div(0.0); }, L"common.parameterEmpty",
                                       {L"dDividend", L"CSyTimeDiffImpl::div(double dDividend)"});
}

TEST(TimeDiffTest, FormatsTheMagnitudeAsADuration)
{
    CRecordingLogBook book;
    EXPECT_EQ(L"1 days 1:1:1", seconds(90061)->getCalendarTime(L"%d days %X"));
    EXPECT_TRUE(book.hasTrace(L"return value: Return value: \"1 days 1:1:1\""));
    // The sign is dropped and fractions are cut off.
    EXPECT_EQ(L"1:1:1", seconds(-3661)->getCalendarTime(L"%X"));
    EXPECT_EQ(L"1:1:1", seconds(3661.99)->getCalendarTime(L"%X"));

    // 400 days and 5 seconds: one year, one month and four days past the epoch.
    EXPECT_EQ(L"1/4/1 j35 m1 d4 H0 M0 S5",
              seconds(400 * 86400.0 + 5)->getCalendarTime(L"%x j%j m%m d%d H%H M%M S%S"));
    // Every occurrence is replaced; sequences strftime would know stay as they are.
    EXPECT_EQ(L"5-5 %Y %%", seconds(5)->getCalendarTime(L"%S-%S %Y %%"));
    // The largest difference still breaks down (2038-01-19 03:14:07).
    EXPECT_EQ(L"0/18/68 3:14:7", seconds(-2147483647.0)->getCalendarTime(L"%x %X"));
    expectLoggedThrow<ESyPrecondition>(book, [&] { seconds(1)->getCalendarTime(L"days"); },
                                       L"common.parameterNotValid",
                                       {L"sFormat", L"days", L"CSyTimeDiffImpl::getCalendarTime(iastring sFormat)"});
}
