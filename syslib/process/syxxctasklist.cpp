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

class CStartStrategy
{
public:
    explicit CStartStrategy(ISyTaskList& list) : m_list(list) {}
    virtual ~CStartStrategy() {}
    virtual void start() = 0;

protected:
    ISyTaskList& m_list;
};

class CStartParaNonBlock : public CStartStrategy
{
public:
    using CStartStrategy::CStartStrategy;
    void start() override
    {
        for (int i = 0; i < m_list.getSize(); ++i)
            if (const PSyTask task = m_list.getTask(i))
                task->start(false);
    }
};

class CStartSeqBlock : public CStartStrategy
{
public:
    using CStartStrategy::CStartStrategy;
    void start() override
    {
        for (int i = 0; i < m_list.getSize(); ++i)
            if (const PSyTask task = m_list.getTask(i))
                task->start(true);
    }
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
        // The worker owns this reference: the list lives until its last task has ended.
        std::unique_ptr<PSyTaskList> list(new PSyTaskList(&m_list));
        const PSyChildFunction worker(new CSyChildFunction(0));
        worker->setFunction(&CStartSeqNonBlock::work);
        worker->setArgument(list.get());
        worker->start(false);
        list.release();
    }

private:
    // Ends only its own thread, with 0, or -1 when a task's start failed.
    static unsigned __stdcall work(void* argument)
    {
        const std::unique_ptr<PSyTaskList> list(static_cast<PSyTaskList*>(argument));
        unsigned status = 0;
        for (int i = 0; i < (*list)->getSize(); ++i)
        {
            const PSyTask task = (*list)->getTask(i);
            if (!task)
                continue;
            try
            {
                task->start(true);
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

int CSyTaskListImpl::append(PSyTask task)
{
    m_tasks.push_back(task);
    return getSize() - 1;
}

void CSyTaskListImpl::checkIndex(int nPosition, const wchar_t* signature) const
{
    if (nPosition < 0 || nPosition >= getSize())
        syslib::throwParameterNotValid(L"nPosition", signature, __LINE__);
}

void CSyTaskListImpl::remove(int nPosition)
{
    checkIndex(nPosition, L"CSyTaskListImpl::remove(int)");
    m_tasks.erase(m_tasks.begin() + nPosition);
}

PSyTask CSyTaskListImpl::getTask(int nPosition) const
{
    if (nPosition < 0 || nPosition >= getSize())
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
        strategy.reset(new CStartParaNonBlock(self));
    else if (parallel && blocking)
        strategy.reset(new CStartParaBlock(self));
    else if (sequential && nonBlocking)
        strategy.reset(new CStartSeqNonBlock(self));
    else if (sequential && blocking)
        strategy.reset(new CStartSeqBlock(self));
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

bool CSyTaskListImpl::cancel()
{
    SY_TRACE_FUNCTION(L"CSyTaskListImpl::cancel()");
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

int CSyTaskHandlerImpl::append(PSyTaskList list)
{
    m_entries.emplace_back(list, 0.0);
    return getSize() - 1;
}

int CSyTaskHandlerImpl::appendSyncMark(PSyTimeDiff time)
{
    if (!time)
        syslib::throwParameterNotValid(L"pTime", L"CSyTaskHandlerImpl::appendSyncMark(PSyTimeDiff)", __LINE__);
    m_entries.emplace_back(PSyTaskList(new CSyTaskList()), time->get());
    return getSize() - 1;
}

void CSyTaskHandlerImpl::checkIndex(int nPosition, const wchar_t* signature) const
{
    if (nPosition < 0 || nPosition >= getSize())
        syslib::throwParameterNotValid(L"nPosition", signature, __LINE__);
}

void CSyTaskHandlerImpl::remove(int nPosition)
{
    checkIndex(nPosition, L"CSyTaskHandlerImpl::remove(int)");
    m_entries.erase(m_entries.begin() + nPosition);
}

PSyTaskList CSyTaskHandlerImpl::getTaskList(int nPosition) const
{
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
