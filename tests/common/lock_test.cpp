// The library's lock and condition: exclusion, waking and the bounded wait.
#include "syslib/common/sylock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

TEST(LockTest, OnlyOneThreadHoldsTheLockAtATime)
{
    syslib::CSyLock lock;
    long counter = 0;
    int inside = 0;
    bool overlapped = false;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i)
            {
                const std::lock_guard<syslib::CSyLock> held(lock);
                overlapped = overlapped || ++inside != 1;
                counter = counter + 1;
                --inside;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(80000, counter);
    EXPECT_FALSE(overlapped);
}

TEST(LockTest, AHeldLockIsNotTakenAgainUntilItIsLetGo)
{
    syslib::CSyLock lock;
    lock.lock();
    bool taken = true;
    std::thread([&] { taken = lock.try_lock(); }).join();
    EXPECT_FALSE(taken);
    lock.unlock();
    std::thread([&] {
        taken = lock.try_lock();
        if (taken)
            lock.unlock();
    }).join();
    EXPECT_TRUE(taken);
}

TEST(LockTest, AWaiterWakesWhenToldAndHoldsTheLockAgain)
{
    syslib::CSyLock lock;
    syslib::CSyCondition ready;
    bool told = false;
    bool heldAfterWait = false;
    std::thread waiter([&] {
        std::unique_lock<syslib::CSyLock> held(lock);
        ready.wait(held, [&] { return told; });
        heldAfterWait = held.owns_lock() && !lock.try_lock();
    });
    {
        const std::lock_guard<syslib::CSyLock> held(lock);
        told = true;
    }
    ready.notify_one();
    waiter.join();
    EXPECT_TRUE(heldAfterWait);
}

TEST(LockTest, ABoundedWaitEndsWithTheConditionUnmetOrMet)
{
    syslib::CSyLock lock;
    syslib::CSyCondition ready;
    std::unique_lock<syslib::CSyLock> held(lock);
    EXPECT_FALSE(ready.wait_for(held, std::chrono::milliseconds(30), [] { return false; }));
    EXPECT_TRUE(held.owns_lock());
    bool told = false;
    std::thread teller([&] {
        {
            const std::lock_guard<syslib::CSyLock> other(lock);
            told = true;
        }
        ready.notify_all();
    });
    EXPECT_TRUE(ready.wait_for(held, std::chrono::seconds(60), [&] { return told; }));
    held.unlock();
    teller.join();
}
