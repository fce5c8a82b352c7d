// A lock and a condition that own no kernel object. The runtime's std::mutex allocates its state on first
// use and, because its destructor does nothing, never frees it: every instance leaks that memory, and the
// event it creates the first time two threads meet at it. These are the system's slim locks instead
// (synxlock.cpp); they work with std::lock_guard and std::unique_lock.
#pragma once

#include <chrono>
#include <mutex>

namespace syslib
{
class CSyLock
{
public:
    CSyLock() = default;
    CSyLock(const CSyLock&) = delete;
    CSyLock& operator=(const CSyLock&) = delete;

    void lock();
    bool try_lock();
    void unlock();

private:
    friend class CSyCondition;
    void* m_state = nullptr; // an SRWLOCK, whose initial state is all zero
};

class CSyCondition
{
public:
    CSyCondition() = default;
    CSyCondition(const CSyCondition&) = delete;
    CSyCondition& operator=(const CSyCondition&) = delete;

    // Lets the lock go until woken (or spuriously), then holds it again.
    void wait(std::unique_lock<CSyLock>& lock);
    template <class Predicate>
    void wait(std::unique_lock<CSyLock>& lock, Predicate ready)
    {
        while (!ready())
            wait(lock);
    }
    // As wait with a predicate, for at most timeout; false: it never became ready.
    template <class Rep, class Period, class Predicate>
    bool wait_for(std::unique_lock<CSyLock>& lock, const std::chrono::duration<Rep, Period>& timeout,
                  Predicate ready)
    {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (!ready())
        {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            waitMilliseconds(lock, static_cast<unsigned long>(left.count()));
        }
        return true;
    }
    void notify_one();
    void notify_all();

private:
    // Woken, timed out or spuriously: the caller looks again.
    void waitMilliseconds(std::unique_lock<CSyLock>& lock, unsigned long milliseconds);
    void* m_state = nullptr; // a CONDITION_VARIABLE, likewise
};
} // namespace syslib
