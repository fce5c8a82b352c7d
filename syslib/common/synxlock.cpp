#include "syslib/common/sylock.h"

#include "syslib/common/syswin.h"

namespace syslib
{
static_assert(sizeof(void*) == sizeof(SRWLOCK) && sizeof(void*) == sizeof(CONDITION_VARIABLE),
              "a slim lock and a condition are one pointer each");

namespace
{
PSRWLOCK srw(void*& state)
{
    return reinterpret_cast<PSRWLOCK>(&state);
}
} // namespace

void CSyLock::lock()
{
    ::AcquireSRWLockExclusive(srw(m_state));
}

bool CSyLock::try_lock()
{
    return ::TryAcquireSRWLockExclusive(srw(m_state)) != FALSE;
}

void CSyLock::unlock()
{
    ::ReleaseSRWLockExclusive(srw(m_state));
}

void CSyCondition::wait(std::unique_lock<CSyLock>& lock)
{
    waitMilliseconds(lock, INFINITE);
}

void CSyCondition::waitMilliseconds(std::unique_lock<CSyLock>& lock, unsigned long milliseconds)
{
    ::SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&m_state), srw(lock.mutex()->m_state),
                                milliseconds, 0);
}

void CSyCondition::notify_one()
{
    ::WakeConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&m_state));
}

void CSyCondition::notify_all()
{
    ::WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&m_state));
}
} // namespace syslib
