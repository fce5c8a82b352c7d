#include "syslib/common/syfactory.h"
#include "syslib/common/syswin.h"
#include "tests/support/expectthrow.h"

TEST(TimerMgtTest, HandsOutTracedValueObjectsAndOutlivesItsReferences)
{
    CRecordingLogBook book;
    ISyTimerMgt* raw = nullptr;
    {
        const IaPtr<ISyTimerMgt> manager = getSyslibFactory()->getTimerMgt();
        raw = manager.get();
        EXPECT_EQ(0, manager->getRefCount());
    }
    const PSyTime epoch = raw->getTime(0);
    EXPECT_EQ(1, epoch->getRefCount());
    EXPECT_EQ(L"1970-01-01 00:00:00", epoch->getCalendarTime(ISyTime::GMT, L"%Y-%m-%d %H:%M:%S"));
    ASSERT_FALSE(book.lines().empty());
    EXPECT_EQ(L"CSyTimerMgtImpl::getTime(time_t)", book.lines().front().functionName);
    EXPECT_EQ(L"syxxtimer", book.lines().front().sourceFile);
    EXPECT_TRUE(book.hasTrace(L"return value: Return value: ISyTime* (0)"));

    book.clear();
    EXPECT_EQ(-1.5, raw->getTimeDiff(-1.5)->get());
    EXPECT_TRUE(book.hasTrace(L"return value: Return value: ISyTimeDiff* (-1.5)"));
    expectLoggedThrow<ESyPrecondition>(book, [&] { raw->getTimeDiff(3e9); }, L"syslib.timer.overflow", {L"3e+09"});
}

TEST(TimerMgtTest, TimerTellsTheCurrentTime)
{
    CRecordingLogBook book;
    const IaPtr<ISyTimer> timer = getSyslibFactory()->getTimerMgt()->getTimer();
    const ULONGLONG startTicks = ::GetTickCount64();
    const time_t before = std::time(nullptr);
    const PSyTime first = timer->getTime();
    ::Sleep(5);
    const PSyTime second = timer->getTime();
    const time_t after = std::time(nullptr);
    const ULONGLONG elapsedMs = ::GetTickCount64() - startTicks;

    EXPECT_LE(before, first->getTime());
    EXPECT_LE(second->getTime(), after);
    // Whole seconds: the readings differ by no more than the wall time passed, rounded up.
    const double difference = second->diff(first)->get();
    EXPECT_LE(0.0, difference);
    EXPECT_LE(difference, static_cast<double>(elapsedMs / 1000 + 1));
}
