#include "syslib/timer/sytimediffimpl.h"
#include "tests/support/expectthrow.h"

#include <cmath>
#include <limits>

namespace
{
PSyTimeDiff seconds(double value)
{
    return syslib::newTimeDiff(value);
}
} // namespace

TEST(TimeDiffTest, RangeEdgesAndTheValueKeptOnRejection)
{
    CRecordingLogBook book;
    PSyTimeDiff value = seconds(5);
    value->set(2147483647.0);
    EXPECT_EQ(2147483647.0, value->get());
    value->set(-2147483647.0);
    EXPECT_EQ(-2147483647.0, value->get());

    const ESyPrecondition tooBig = expectLoggedThrow<ESyPrecondition>(
        book, [&] { value->set(2147483648.0); }, L"syslib.timer.overflow", {L"2.14748e+09"});
    EXPECT_EQ(ESyPrecondition::PARAMETER_NOT_VALID, tooBig.getCode());
    expectLoggedThrow<ESyPrecondition>(book, [&] { value->set(-2147483648.0); }, L"syslib.timer.overflow",
                                       {L"-2.14748e+09"});
    EXPECT_THROW(value->set(std::numeric_limits<double>::quiet_NaN()), ESyPrecondition);
    EXPECT_EQ(-2147483647.0, value->get());
}

TEST(TimeDiffTest, ArithmeticMakesNewObjectsAndMayGoNegative)
{
    CRecordingLogBook book;
    const PSyTimeDiff ten = seconds(10);
    const PSyTimeDiff four = seconds(4);

    const PSyTimeDiff sum = ten->add(four);
    EXPECT_EQ(14.0, sum->get());
    EXPECT_TRUE(book.hasTrace(L"parameter(s): 4"));
    EXPECT_TRUE(book.hasTrace(L"return value: Return value: ISyTimeDiff* (14)"));
    EXPECT_EQ(6.0, ten->diff(four)->get());
    EXPECT_EQ(-6.0, four->diff(ten)->get());
    EXPECT_EQ(25.0, ten->mul(2.5)->get());
    EXPECT_EQ(-2.5, ten->div(-4)->get());
    EXPECT_EQ(10.0, ten->get());
    EXPECT_EQ(4.0, four->get());
    EXPECT_NE(ten.get(), sum.get());
    EXPECT_EQ(1, sum->getRefCount());

    // Results pass the same range check as set.
    const PSyTimeDiff max = seconds(2147483647.0);
    expectLoggedThrow<ESyPrecondition>(book, [&] { max->add(seconds(1)); }, L"syslib.timer.overflow",
                                       {L"2.14748e+09"});
    EXPECT_THROW(seconds(-2147483647.0)->diff(seconds(1)), ESyPrecondition);
    EXPECT_THROW(ten->mul(3e8), ESyPrecondition);
    EXPECT_THROW(ten->div(1e-9), ESyPrecondition);
}

TEST(TimeDiffTest, NullOperandsAndZeroDivisorAreRefused)
{
    CRecordingLogBook book;
    const PSyTimeDiff ten = seconds(10);
    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->add(PSyTimeDiff()); }, L"common.parameterEmpty",
                                       {L"sypSummand", L"CSyTimeDiffImpl::add(PSyTimeDiff sypSummand)"});
    EXPECT_TRUE(book.hasTrace(L"parameter(s): (ISyTimeDiff *) NULL"));
    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->diff(PSyTimeDiff()); }, L"common.parameterEmpty",
                                       {L"sypSubtrahend", L"CSyTimeDiffImpl::diff(PSyTimeDiff sypSubtrahend)"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->div(0.0); }, L"common.parameterEmpty",
                                       {L"dDividend", L"CSyTimeDiffImpl::div(double dDividend)"});
    EXPECT_THROW(ten->div(-0.0), ESyPrecondition);
}

TEST(TimeDiffTest, FormatsTheMagnitudeAsADuration)
{
    CRecordingLogBook book;
    EXPECT_EQ(L"1 days 1:1:1", seconds(90061)->getCalendarTime(L"%d days %X"));
    EXPECT_TRUE(book.hasTrace(L"parameter(s): \"%d days %X\""));
    EXPECT_TRUE(book.hasTrace(L"return value: Return value: \"1 days 1:1:1\""));

    // The sign is dropped and fractions are cut off.
    EXPECT_EQ(L"1:1:1", seconds(-3661)->getCalendarTime(L"%X"));
    EXPECT_EQ(L"1:1:1", seconds(3661.99)->getCalendarTime(L"%X"));
    EXPECT_EQ(L"0:0:0", seconds(-0.5)->getCalendarTime(L"%X"));

    // 400 days and 5 seconds: one year, one month and four days past the epoch.
    const PSyTimeDiff long_ = seconds(400 * 86400.0 + 5);
    EXPECT_EQ(L"1/4/1 j35 m1 d4 H0 M0 S5", long_->getCalendarTime(L"%x j%j m%m d%d H%H M%M S%S"));
    // Every occurrence is replaced; sequences strftime would know stay as they are.
    EXPECT_EQ(L"5-5 %Y %%", seconds(5)->getCalendarTime(L"%S-%S %Y %%"));
    // The largest difference still breaks down (2038-01-19 03:14:07).
    EXPECT_EQ(L"0/18/68 3:14:7", seconds(-2147483647.0)->getCalendarTime(L"%x %X"));
}

TEST(TimeDiffTest, FormatMustBeGivenAndContainAPlaceholder)
{
    CRecordingLogBook book;
    const PSyTimeDiff value = seconds(1);
    const iastring signature = L"CSyTimeDiffImpl::getCalendarTime(iastring sFormat)";
    expectLoggedThrow<ESyPrecondition>(book, [&] { value->getCalendarTime(L""); }, L"common.parameterEmpty",
                                       {L"sFormat", signature});
    expectLoggedThrow<ESyPrecondition>(book, [&] { value->getCalendarTime(L"days"); },
                                       L"common.parameterNotValid", {L"sFormat", L"days", signature});
}
