// Portable code only: task lists, their start strategies, and the task handler.
#include "sytasklistimpl.h"
#include "sytaskimpl.h"

#include "syslib/common/syenumio.h"
#include "syslib/common/sytrace.h"

#include <memory>
#include <sstream>

SY_SOURCE_FILE(L"syxxctasklist")

namespace
{
const syslib::CSyEnumName listTypeNames[] = {{ISyTaskList::TLT_PARALLEL, L"TLT_PARALLEL"},
                                             {ISyTaskList::TLT_SEQUENTIAL, L"TLT_SEQUENTIAL"},
                                             {ISyTaskList::TLT_NON_BLOCKING, L"TLT_NON_BLOCKING"},
                                             {ISyTaskList::TLT_BLOCKING, L"TLT_BLOCKING"}};

iastring listTypeText(int type)
{
    std::wostringstream text;
    text << static_cast<ISyTaskList::eTaskListType>(type);
    return text.str();
}

// The gate of one run: taken only while the list has not been cancelled since the run began.
class CRunGate : public CSyStartGate
{
public:
    CRunGate(syslib::CSyLock& lock, const unsigned int& cancels, unsigned int run)
        : m_lock(lock), m_cancels(cancels), m_run(run), m_refused(false)
    {
    }
    bool enter() override
    {
        m_lock.lock();
        if (m_cancels == m_run)
            return true;
        m_lock.unlock();
        m_refused = true;
        return false;
    }
    void leave() override { m_lock.unlock(); }
    bool refused() const { return m_refused; }

private:
    syslib::CSyLock& m_lock;
    const unsigned int& m_cancels;
    const unsigned int m_run;
    bool m_refused;
};

class CStartStrategy
{
public:
    CStartStrategy(ISyTaskList& handle, CSyTaskListImpl& list) : m_handle(handle), m_list(list) {}
    virtual ~CStartStrategy() {}
    virtual void start() = 0;

protected:
    // Each task in list order, null ones left out, until the list is cancelled.
    static void startEach(CSyTaskListImpl& list, unsigned int run, bool wait)
    {
        for (int i = 0; i < list.getSize(); ++i)
            if (const PSyTask task = list.getTask(i))
                if (!list.startTask(*task, wait, run))
                    return;
    }

    ISyTaskList& m_handle;
    CSyTaskListImpl& m_list;
};

class CStartParaNonBlock : public CStartStrategy
{
public:
    using CStartStrategy::CStartStrategy;
    void start() override { startEach(m_list, m_list.beginRun(), false); }
};

class CStartSeqBlock : public CStartStrategy
{
public:
    using CStartStrategy::CStartStrategy;
    void start() override { startEach(m_list, m_list.beginRun(), true); }
};

// Starts nothing: what a parallel start that waits should wait for is left open.
class CStartParaBlock : public CStartStrategy
{
public:
    using CStartStrategy::CStartStrategy;
    void start() override {}
};

class CStartSeqNonBlock : public CStartStrategy
{
public:
    using CStartStrategy::CStartStrategy;
    void start() override
    {
        // The worker owns this: the list lives until its last task has ended.
        std::unique_ptr<CWork> work(new CWork{PSyTaskList(&m_handle), m_list, m_list.beginRun()});
        const PSyChildFunction worker(new CSyChildFunction(0));
        worker->setFunction(&CStartSeqNonBlock::work);
        worker->setArgument(work.get());
        worker->start(false);
        work.release();
    }

private:
    struct CWork
    {
        PSyTaskList keepAlive;
        CSyTaskListImpl& list;
        unsigned int run;
    };

    // Ends only its own thread, with 0, or -1 when a task's start failed.
    static unsigned __stdcall work(void* argument)
    {
        const std::unique_ptr<CWork> work(static_cast<CWork*>(argument));
        unsigned status = 0;
        for (int i = 0; i < work->list.getSize(); ++i)
        {
            const PSyTask task = work->list.getTask(i);
            if (!task)
                continue;
            try
            {
                if (!work->list.startTask(*task, true, work->run))
                    break;
            }
            catch (const ESyStartError&)
            {
                status = static_cast<unsigned>(-1);
            }
            catch (const ESyException&)
            {
                // Reported where it happened; nobody is left to catch it on this thread, so the
                // list ends here as a blocking one would.
                return static_cast<unsigned>(-1);
            }
        }
        return status;
    }
};
} // namespace

std::wostream& operator<<(std::wostream& os, ISyTaskList::eTaskListType value)
{
    const int known = ISyTaskList::TLT_PARALLEL | ISyTaskList::TLT_SEQUENTIAL | ISyTaskList::TLT_NON_BLOCKING |
                      ISyTaskList::TLT_BLOCKING;
    os << L"(";
    if ((value & known) == 0)
        return os << L"unknown: " << static_cast<int>(value) << L")";
    const wchar_t* separator = L"";
    for (const syslib::CSyEnumName& entry : listTypeNames)
        if (value & entry.value)
        {
            os << separator << entry.name;
            separator = L"|";
        }
    return os << L")";
}

void CSyTaskListImpl::setType(int type)
{
    SY_TRACE_FUNCTION(L"CSyTaskListImpl::setType(int)");
    SY_TRACE_PARAMETERS(syslib::toString(type));
    m_iType = type;
}

int CSyTaskListImpl::getSize() const
{
    SY_TRACE_FUNCTION(L"CSyTaskListImpl::getSize()");
    return static_cast<int>(m_tasks.size());
}

int CSyTaskListImpl::append(PSyTask task)
{
    SY_TRACE_FUNCTION(L"CSyTaskListImpl::append(PSyTask)");
    m_tasks.push_back(task);
    return static_cast<int>(m_tasks.size()) - 1;
}

void CSyTaskListImpl::checkIndex(int nPosition, const wchar_t* signature) const
{
    if (nPosition < 0 || nPosition >= static_cast<int>(m_tasks.size()))
        syslib::throwParameterNotValid(L"nPosition", signature, __LINE__);
}

void CSyTaskListImpl::remove(int nPosition)
{
    SY_TRACE_FUNCTION(L"CSyTaskListImpl::remove(int)");
    checkIndex(nPosition, L"CSyTaskListImpl::remove(int)");
    m_tasks.erase(m_tasks.begin() + nPosition);
}

PSyTask CSyTaskListImpl::getTask(int nPosition) const
{
    SY_TRACE_FUNCTION(L"CSyTaskListImpl::getTask(int)");
    if (nPosition < 0 || nPosition >= static_cast<int>(m_tasks.size()))
        syslib::logBook().log(L"Precondition violated: No valid index given to getTask().", __LINE__);
    checkIndex(nPosition, L"CSyTaskListImpl::getTask(int)");
    return m_tasks[nPosition];
}

bool CSyTaskListImpl::start(ISyTaskList& self)
{
    SY_TRACE_FUNCTION(L"CSyTaskListImpl::start()");
    const bool parallel = (m_iType & ISyTaskList::TLT_PARALLEL) != 0;
    const bool sequential = (m_iType & ISyTaskList::TLT_SEQUENTIAL) != 0;
    const bool nonBlocking = (m_iType & ISyTaskList::TLT_NON_BLOCKING) != 0;
    const bool blocking = (m_iType & ISyTaskList::TLT_BLOCKING) != 0;
    std::unique_ptr<CStartStrategy> strategy;
    if (parallel && nonBlocking)
        strategy.reset(new CStartParaNonBlock(self, *this));
    else if (parallel && blocking)
        strategy.reset(new CStartParaBlock(self, *this));
    else if (sequential && nonBlocking)
        strategy.reset(new CStartSeqNonBlock(self, *this));
    else if (sequential && blocking)
        strategy.reset(new CStartSeqBlock(self, *this));
    else
    {
        syslib::logBook().log(L"CSyTaskListImpl::start() called with wrong list type", __LINE__);
        syslib::reportError(L"common.attributeNotValid", {listTypeText(m_iType), L"CSyTaskListImpl::m_iType"},
                            __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    strategy->start();
    return true;
}

unsigned int CSyTaskListImpl::beginRun()
{
    const std::lock_guard<syslib::CSyLock> lock(m_startLock);
    return m_cancels;
}

bool CSyTaskListImpl::startTask(ISyTask& task, bool wait, unsigned int run)
{
    CRunGate gate(m_startLock, m_cancels, run);
    if (CSyTaskImpl* own = syslib::ownTask(&task))
        // As through the task's handle: the worker of a background start catches only the library's own.
        syslib::callForCaller([&] { return own->start(wait, &gate); });
    else if (gate.enter())
    {
        // The host's own task cannot take the gate: it is only asked before the start.
        gate.leave();
        task.start(wait);
    }
    return !gate.refused();
}

bool CSyTaskListImpl::cancel()
{
    SY_TRACE_FUNCTION(L"CSyTaskListImpl::cancel()");
    {
        // Waits for a start on its way: its task runs then, and is cancelled below.
        const std::lock_guard<syslib::CSyLock> lock(m_startLock);
        ++m_cancels;
    }
    bool result = true;
    for (const PSyTask& task : m_tasks)
    {
        if (!task)
            continue;
        try
        {
            task->cancel();
        }
        catch (const ESyCancelError& error)
        {
            syslib::logBook().log(L"Not all tasks could be canceled. " + error.getText(), __LINE__);
            result = false;
        }
    }
    return result;
}

ISyTask::eTaskStatusType CSyTaskHandlerImpl::getStatus() const
{
    SY_TRACE_FUNCTION(L"CSyTaskHandlerImpl::getStatus()");
    if (m_entries.empty())
        return ISyTask::TST_INITIAL;
    bool seen[4] = {false, false, false, false};
    for (const auto& entry : m_entries)
    {
        const int status = entry.first->getStatus();
        if (status < ISyTask::TST_INITIAL || status > ISyTask::TST_ERROR)
        {
            syslib::reportError(L"syslib.process.internalError",
                                {L"Unknown task status in CSyTaskHandlerImpl::getStatus()"}, __LINE__);
            throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
        }
        seen[status] = true;
    }
    if (seen[ISyTask::TST_RUNNING])
        return ISyTask::TST_RUNNING;
    if (seen[ISyTask::TST_ERROR])
        return ISyTask::TST_ERROR;
    if (seen[ISyTask::TST_INITIAL])
        return ISyTask::TST_INITIAL;
    return ISyTask::TST_FINISHED;
}

void CSyTaskHandlerImpl::clear()
{
    SY_TRACE_FUNCTION(L"CSyTaskHandlerImpl::clear()");
    m_entries.clear();
}

int CSyTaskHandlerImpl::getSize() const
{
    SY_TRACE_FUNCTION(L"CSyTaskHandlerImpl::getSize()");
    return static_cast<int>(m_entries.size());
}

// Every entry is a list: getStatus and findif ask each one.
int CSyTaskHandlerImpl::append(PSyTaskList list)
{
    SY_TRACE_FUNCTION(L"CSyTaskHandlerImpl::append(PSyTaskList)");
    if (!list)
        syslib::throwParameterNotValid(L"pList", L"CSyTaskHandlerImpl::append(PSyTaskList)", __LINE__);
    m_entries.emplace_back(list, 0.0);
    return static_cast<int>(m_entries.size()) - 1;
}

int CSyTaskHandlerImpl::appendSyncMark(PSyTimeDiff time)
{
    SY_TRACE_FUNCTION(L"CSyTaskHandlerImpl::appendSyncMark(PSyTimeDiff)");
    if (!time)
        syslib::throwParameterNotValid(L"pTime", L"CSyTaskHandlerImpl::appendSyncMark(PSyTimeDiff)", __LINE__);
    m_entries.emplace_back(PSyTaskList(new CSyTaskList()), time->get());
    return static_cast<int>(m_entries.size()) - 1;
}

void CSyTaskHandlerImpl::checkIndex(int nPosition, const wchar_t* signature) const
{
    if (nPosition < 0 || nPosition >= static_cast<int>(m_entries.size()))
        syslib::throwParameterNotValid(L"nPosition", signature, __LINE__);
}

void CSyTaskHandlerImpl::remove(int nPosition)
{
    SY_TRACE_FUNCTION(L"CSyTaskHandlerImpl::remove(int)");
    checkIndex(nPosition, L"CSyTaskHandlerImpl::remove(int)");
    m_entries.erase(m_entries.begin() + nPosition);
}

PSyTaskList CSyTaskHandlerImpl::getTaskList(int nPosition) const
{
    SY_TRACE_FUNCTION(L"CSyTaskHandlerImpl::getTaskList(int)");
    checkIndex(nPosition, L"CSyTaskHandlerImpl::getTaskList(int)");
    return m_entries[nPosition].first;
}

PSyTaskList CSyTaskHandlerImpl::findif(ISyTaskPredicate* predicate) const
{
    SY_TRACE_FUNCTION(L"CSyTaskHandlerImpl::findif(ISyTaskPredicate*)");
    const PSyTaskList found(new CSyTaskList());
    for (const auto& entry : m_entries)
        for (int i = 0; i < entry.first->getSize(); ++i)
        {
            const PSyTask task = entry.first->getTask(i);
            if (task && predicate != nullptr && (*predicate)(task))
                found->append(task);
        }
    return found;
}

bool CSyTaskHandlerImpl::run()
{
    SY_TRACE_FUNCTION(L"CSyTaskHandlerImpl::run()");
    return false;
}
