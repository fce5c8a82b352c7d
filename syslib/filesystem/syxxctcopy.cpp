// Portable code only: the tree copy's workers and the record that keeps their log in the tree's order.
#include "sytreecopy.h"

#include "synodeimpl.h"

#include "syslib/common/sytrace.h"

#include <system_error>
#include <utility>

SY_SOURCE_FILE(L"syxxctcopy")

namespace syslib
{
namespace filesystem
{
int& treeCopyWorkersSetting()
{
    static int workers = 0;
    return workers;
}

int treeCopyWorkers(int mode)
{
    // The setup services and the replacement of files in use schedule work for the next restart in one
    // value of the registry, which the system rewrites as a whole: those copies go one at a time.
    if (mode & (ISyNode::USE_SETUP_API | ISyNode::REPLACE_IN_USE))
        return 1;
    const int setting = treeCopyWorkersSetting();
    if (setting <= 0)
        return defaultTreeCopyWorkers();
    return setting < maximumTreeCopyWorkers ? setting : maximumTreeCopyWorkers;
}

void CSyLogRecord::takeState(const ILogBook& state)
{
    m_context1 = state.getContextText1();
    m_context2 = state.getContextText2();
    m_functionName = state.getFunctionName();
    m_sourceFile = state.getSourceFile();
    m_messageType = state.getMessageType();
    m_mapping = state.getTypeMapping();
    m_arguments = state.getArguments();
    m_traceLevel = state.getTraceLevel();
}

void CSyLogRecord::add(eCall call, int number, int type, const iastring& text, bool flag)
{
    if (!m_discarding)
        m_calls.push_back(CCall{call, number, type, flag, text, nullptr, nullptr});
}

void CSyLogRecord::setContextText1(const iastring& text)
{
    m_context1 = text;
    add(CONTEXT1, 0, 0, text);
}

void CSyLogRecord::setContextText2(const iastring& text)
{
    m_context2 = text;
    add(CONTEXT2, 0, 0, text);
}

void CSyLogRecord::setFunctionName(const iastring& name)
{
    m_functionName = name;
    add(FUNCTION, 0, 0, name);
}

void CSyLogRecord::setSourceFile(const iastring& file)
{
    m_sourceFile = file;
    add(SOURCE, 0, 0, file);
}

void CSyLogRecord::setMessageType(CMessage::eLogMessage type)
{
    m_messageType = type;
    add(TYPE, type);
}

void CSyLogRecord::useTypeMapping(CMessage::eLogMessage from, CMessage::eLogMessage to)
{
    m_mapping[from] = to;
    add(USE_MAPPING, from, to);
}

void CSyLogRecord::restoreTypeMapping(const CLogTypeMapping& saved)
{
    m_mapping = saved;
    add(RESTORE_MAPPING);
    if (!m_discarding)
        m_calls.back().mapping = std::make_shared<const CLogTypeMapping>(saved);
}

void CSyLogRecord::setArguments(const CLogArguments& arguments)
{
    m_arguments = arguments;
    add(ARGUMENTS);
    if (!m_discarding)
        m_calls.back().arguments = std::make_shared<const CLogArguments>(arguments);
}

void CSyLogRecord::clearArguments()
{
    m_arguments.clear();
    add(CLEAR_ARGUMENTS);
}

void CSyLogRecord::addArgument(const iastring& argument)
{
    m_arguments.push_back(argument);
    add(ADD_ARGUMENT, 0, 0, argument);
}

void CSyLogRecord::setTraceLevel(int level)
{
    m_traceLevel = level;
    add(TRACE_LEVEL, level);
}

void CSyLogRecord::trace(const iastring& text, int line)
{
    add(TRACE, line, 0, text);
}

void CSyLogRecord::log(const iastring& text, int line)
{
    add(LOG, line, 0, text);
}

// A message takes the arguments with it, as a log book's message does.
void CSyLogRecord::message(const iastring& key, CMessage::eLogMessage type, int line)
{
    m_arguments.clear();
    add(MESSAGE, line, type, key);
}

void CSyLogRecord::messageWithFlag(const iastring& key, bool flag, CMessage::eLogMessage type, int line)
{
    m_arguments.clear();
    add(MESSAGE_WITH_FLAG, line, type, key, flag);
}

void CSyLogRecord::logMessage(const iastring& key, int line)
{
    m_arguments.clear();
    add(LOG_MESSAGE, line, 0, key);
}

void CSyLogRecord::indent()
{
    add(INDENT);
}

void CSyLogRecord::unindent()
{
    add(UNINDENT);
}

void CSyLogRecord::progress(const iastring& text, int number)
{
    add(PROGRESS, number, 0, text);
}

void CSyLogRecord::heading(const iastring& text)
{
    add(HEADING, 0, 0, text);
}

void CSyLogRecord::replay(ILogBook* book, ISyProgressObserver* observer)
{
    for (const CCall& call : m_calls)
    {
        if (call.call == PROGRESS || call.call == HEADING)
        {
            if (observer == nullptr)
                continue;
            if (call.call == PROGRESS)
                observer->progress(call.text, call.number);
            else
                observer->heading(call.text);
            continue;
        }
        if (book == nullptr)
            continue;
        const CMessage::eLogMessage type = static_cast<CMessage::eLogMessage>(call.number);
        switch (call.call)
        {
        case CONTEXT1:
            book->setContextText1(call.text);
            break;
        case CONTEXT2:
            book->setContextText2(call.text);
            break;
        case FUNCTION:
            book->setFunctionName(call.text);
            break;
        case SOURCE:
            book->setSourceFile(call.text);
            break;
        case TYPE:
            book->setMessageType(type);
            break;
        case USE_MAPPING:
            book->useTypeMapping(type, static_cast<CMessage::eLogMessage>(call.type));
            break;
        case RESTORE_MAPPING:
            book->restoreTypeMapping(*call.mapping);
            break;
        case ARGUMENTS:
            book->setArguments(*call.arguments);
            break;
        case CLEAR_ARGUMENTS:
            book->clearArguments();
            break;
        case ADD_ARGUMENT:
            book->addArgument(call.text);
            break;
        case TRACE_LEVEL:
            book->setTraceLevel(call.number);
            break;
        case TRACE:
            book->trace(call.text, call.number);
            break;
        case LOG:
            book->log(call.text, call.number);
            break;
        case MESSAGE:
            book->message(call.text, static_cast<CMessage::eLogMessage>(call.type), call.number);
            break;
        case MESSAGE_WITH_FLAG:
            book->messageWithFlag(call.text, call.flag, static_cast<CMessage::eLogMessage>(call.type), call.number);
            break;
        case LOG_MESSAGE:
            book->logMessage(call.text, call.number);
            break;
        case INDENT:
            book->indent();
            break;
        case UNINDENT:
            book->unindent();
            break;
        default:
            break;
        }
    }
    m_calls.clear();
}

// Every call goes where the walk writes now: the engine's log book, or the record of the walk's part.
class CSyTreeCopy::CWalkLogBook : public ILogBook
{
public:
    explicit CWalkLogBook(CSyTreeCopy& copy) : m_copy(copy) {}

    void setContextText1(const iastring& text) override { to().setContextText1(text); }
    const iastring& getContextText1() const override { return to().getContextText1(); }
    void setContextText2(const iastring& text) override { to().setContextText2(text); }
    const iastring& getContextText2() const override { return to().getContextText2(); }
    void setFunctionName(const iastring& name) override { to().setFunctionName(name); }
    const iastring& getFunctionName() const override { return to().getFunctionName(); }
    void setSourceFile(const iastring& file) override { to().setSourceFile(file); }
    const iastring& getSourceFile() const override { return to().getSourceFile(); }
    void setMessageType(CMessage::eLogMessage type) override { to().setMessageType(type); }
    CMessage::eLogMessage getMessageType() const override { return to().getMessageType(); }
    void useTypeMapping(CMessage::eLogMessage from, CMessage::eLogMessage type) override
    {
        to().useTypeMapping(from, type);
    }
    void restoreTypeMapping(const CLogTypeMapping& saved) override { to().restoreTypeMapping(saved); }
    CLogTypeMapping getTypeMapping() const override { return to().getTypeMapping(); }
    void setArguments(const CLogArguments& arguments) override { to().setArguments(arguments); }
    const CLogArguments& getArguments() const override { return to().getArguments(); }
    void clearArguments() override { to().clearArguments(); }
    void addArgument(const iastring& argument) override { to().addArgument(argument); }
    void setTraceLevel(int level) override { to().setTraceLevel(level); }
    int getTraceLevel() const override { return to().getTraceLevel(); }
    void trace(const iastring& text, int line) override { to().trace(text, line); }
    void log(const iastring& text, int line) override { to().log(text, line); }
    void message(const iastring& key, CMessage::eLogMessage type, int line) override { to().message(key, type, line); }
    void messageWithFlag(const iastring& key, bool flag, CMessage::eLogMessage type, int line) override
    {
        to().messageWithFlag(key, flag, type, line);
    }
    void logMessage(const iastring& key, int line) override { to().logMessage(key, line); }
    void indent() override { to().indent(); }
    void unindent() override { to().unindent(); }

private:
    ILogBook& to() const { return m_copy.m_recording ? *m_copy.m_walk : *m_copy.m_host; }

    CSyTreeCopy& m_copy;
};

CSyTreeCopy::CSyTreeCopy(int workers, ISyProgressObserver* observer)
    : m_workers(workers), m_observer(observer), m_host(syslib::getLogBook())
{
    if (parallel() && m_host != nullptr)
    {
        m_walkBook.reset(new CWalkLogBook(*this));
        m_ownBook.reset(new CSyThreadLogBook(m_walkBook.get()));
    }
}

CSyTreeCopy::~CSyTreeCopy()
{
    {
        const std::lock_guard<CSyLock> lock(m_lock);
        m_stopping = true;
        m_queued.clear();
    }
    m_workArrived.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void CSyTreeCopy::heading(const iastring& text)
{
    if (m_recording)
        m_walk->heading(text);
    else if (m_observer != nullptr)
        m_observer->heading(text);
}

void CSyTreeCopy::progress(const iastring& text)
{
    if (m_recording)
        m_walk->progress(text, 0);
    else if (m_observer != nullptr)
        m_observer->progress(text, 0);
}

CSyLogRecord& CSyTreeCopy::newWalkPart()
{
    std::unique_ptr<CPart> part(new CPart);
    if (m_walk != nullptr)
        part->record.takeState(*m_walk);
    else if (m_host != nullptr)
        part->record.takeState(*m_host);
    m_walk = &part->record;
    m_parts.push_back(std::move(part));
    return *m_walk;
}

void CSyTreeCopy::copyFile(std::function<void()> copy, const iastring& newTarget)
{
    std::unique_lock<CSyLock> lock(m_lock);
    // A file that is replaced cannot be taken back: it starts once every file before it went through.
    // Beyond twice the workers, the walk waits rather than run further ahead.
    for (;;)
    {
        handOnDone(lock);
        if (m_failed || m_onTheWay == 0 || (!newTarget.empty() && m_onTheWay < 2 * m_workers))
            break;
        m_partDone.wait(lock);
    }
    if (m_failed)
        throwEarlierFailure(lock);
    if (!m_recording)
    {
        m_walk = nullptr;
        newWalkPart();
        m_recording = true;
    }
    std::unique_ptr<CPart> part(new CPart);
    part->onWorker = true;
    part->copy = std::move(copy);
    part->newTarget = newTarget;
    part->record.takeState(*m_walk);
    CPart* const queued = part.get();
    m_parts.push_back(std::move(part));
    newWalkPart();
    ++m_onTheWay;
    m_queued.push_back(queued);
    if (m_idle == 0 && static_cast<int>(m_threads.size()) < m_workers)
    {
        try
        {
            m_threads.emplace_back(&CSyTreeCopy::work, this);
        }
        catch (const std::system_error&)
        {
            // Without a thread of its own the file is copied here, as a worker would.
            if (m_threads.empty())
            {
                m_queued.pop_back();
                queued->started = true;
                lock.unlock();
                run(*queued);
                lock.lock();
                finished(*queued);
                return;
            }
        }
    }
    m_workArrived.notify_one();
}

void CSyTreeCopy::endOfChild()
{
    if (!m_recording)
        return;
    newWalkPart();
    std::unique_lock<CSyLock> lock(m_lock);
    handOnDone(lock);
}

void CSyTreeCopy::settle()
{
    if (!m_recording)
        return;
    std::unique_lock<CSyLock> lock(m_lock);
    handOnDone(lock);
    if (m_failed)
        throwEarlierFailure(lock);
}

void CSyTreeCopy::drain()
{
    if (!m_recording)
        return;
    std::unique_lock<CSyLock> lock(m_lock);
    for (;;)
    {
        handOnDone(lock);
        if (m_failed || m_onTheWay == 0)
            break;
        m_partDone.wait(lock);
    }
    if (m_failed)
        throwEarlierFailure(lock);
}

std::exception_ptr CSyTreeCopy::failure(std::exception_ptr caught)
{
    if (m_resolved)
    {
        // Unwound to the failed file's directory: from here on the engine's log book hears the rest.
        m_resolved = false;
        m_walk->setDiscarding(false);
        m_parts.clear();
        m_walk = nullptr;
        m_recording = false;
        reportNotTakenBack();
        return m_failure;
    }
    if (!m_recording)
        return caught;
    std::unique_lock<CSyLock> lock(m_lock);
    waitForWorkers(lock);
    if (m_failed)
    {
        resolve(lock);
        return failure(caught);
    }
    // The walk failed itself, after every file before it went through: all of it is told.
    m_onTheWay = 0;
    std::deque<std::unique_ptr<CPart>> parts;
    parts.swap(m_parts);
    m_walk = nullptr;
    m_recording = false;
    lock.unlock();
    for (const std::unique_ptr<CPart>& part : parts)
        part->record.replay(m_host, m_observer);
    return caught;
}

void CSyTreeCopy::work()
{
    std::unique_lock<CSyLock> lock(m_lock);
    for (;;)
    {
        if (m_queued.empty())
        {
            if (m_stopping)
            {
                lock.unlock();
                releaseThreadState();
                return;
            }
            ++m_idle;
            m_workArrived.wait(lock);
            --m_idle;
            continue;
        }
        CPart& part = *m_queued.front();
        m_queued.pop_front();
        part.started = true;
        lock.unlock();
        run(part);
        lock.lock();
        finished(part);
    }
}

void CSyTreeCopy::run(CPart& part)
{
    const CSyThreadLogBook own(m_host != nullptr ? &part.record : nullptr);
    try
    {
        part.copy();
    }
    catch (...)
    {
        part.failure = std::current_exception();
    }
    part.copy = nullptr;
}

void CSyTreeCopy::finished(CPart& part)
{
    part.done = true;
    if (part.failure)
        m_failed = true;
    m_partDone.notify_all();
}

void CSyTreeCopy::handOnDone(std::unique_lock<CSyLock>& lock)
{
    // The lock is let go while the engine is told: what finished meanwhile is handed on in the next round.
    for (;;)
    {
        std::vector<std::unique_ptr<CPart>> done;
        while (!m_parts.empty())
        {
            CPart& front = *m_parts.front();
            if (front.onWorker ? !front.done || front.failure : &front.record == m_walk && m_onTheWay != 0)
                break;
            if (front.onWorker)
                --m_onTheWay;
            done.push_back(std::move(m_parts.front()));
            m_parts.pop_front();
        }
        if (done.empty())
            return;
        const bool caughtUp = m_parts.empty();
        lock.unlock();
        for (const std::unique_ptr<CPart>& part : done)
            part->record.replay(m_host, m_observer);
        lock.lock();
        if (caughtUp)
        {
            // Nothing on the way: the walk writes straight to the engine's log book again.
            m_walk = nullptr;
            m_recording = false;
            return;
        }
    }
}

void CSyTreeCopy::waitForWorkers(std::unique_lock<CSyLock>& lock)
{
    for (;;)
    {
        bool running = false;
        for (const std::unique_ptr<CPart>& part : m_parts)
            running = running || (part->onWorker && !part->done);
        if (!running)
            return;
        m_partDone.wait(lock);
    }
}

void CSyTreeCopy::resolve(std::unique_lock<CSyLock>& lock)
{
    // What has not started never will.
    for (CPart* part : m_queued)
        part->done = true;
    m_queued.clear();
    waitForWorkers(lock);
    std::size_t failed = 0;
    while (!(m_parts[failed]->onWorker && m_parts[failed]->failure))
        ++failed;
    m_failure = m_parts[failed]->failure;
    // The walk's part after the failed file is the rest of that file's own copy.
    const std::size_t toldParts = failed + 2 < m_parts.size() ? failed + 2 : m_parts.size();
    std::vector<std::unique_ptr<CPart>> told;
    for (std::size_t i = 0; i < toldParts; ++i)
        told.push_back(std::move(m_parts[i]));
    // What the files after it made goes again, as if they had never started.
    for (std::size_t i = toldParts; i < m_parts.size(); ++i)
        if (m_parts[i]->started && !m_parts[i]->newTarget.empty() && !takeBack(m_parts[i]->newTarget))
            m_notTakenBack.push_back(m_parts[i]->newTarget);
    // The walk unwinds to the failed file's directory with the state it has, into nothing.
    std::unique_ptr<CPart> walk(new CPart);
    walk->record.takeState(*m_walk);
    walk->record.setDiscarding(true);
    m_parts.clear();
    m_walk = &walk->record;
    m_parts.push_back(std::move(walk));
    m_onTheWay = 0;
    m_failed = false;
    m_resolved = true;
    lock.unlock();
    for (const std::unique_ptr<CPart>& part : told)
        part->record.replay(m_host, m_observer);
    lock.lock();
}

void CSyTreeCopy::throwEarlierFailure(std::unique_lock<CSyLock>& lock)
{
    resolve(lock);
    lock.unlock();
    throw CSyEarlierFailure();
}

void CSyTreeCopy::reportNotTakenBack()
{
    for (const iastring& path : m_notTakenBack)
        reportMessage(L"syslib.filesystem.copyNotTakenBack", {path}, CMessage::LOG_WARNING, __LINE__);
    m_notTakenBack.clear();
}
} // namespace filesystem
} // namespace syslib
