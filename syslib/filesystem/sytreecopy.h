// A tree copy that copies several files at once while the engine sees a copy of one file at a time: the
// walk, every decision and every directory stay on the calling thread; workers only copy files already
// decided on. What anyone writes meanwhile is recorded and handed to the engine's log book and progress
// observer (neither needs to be thread-safe) in the tree's order, so the log is line for line the log of a
// copy on one thread. Portable code only (syxxctcopy.cpp).
#pragma once

#include "framework/iastring.h"
#include "framework/logbook.h"
#include "framework/progressobserver.h"
#include "syslib/common/sylock.h"
#include "syslib/common/sytrace.h"

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace syslib
{
namespace filesystem
{
// How many files a tree copy copies at once by default: one worker a processor the process may run on,
// at least 2 (the walk's own waits overlap a copy) and at most 8 (robocopy /MT's count). Measured with
// bench_treecopy (docs/architecture.md): with the tree in memory a copy is the system's work, and workers
// beyond the processors only queue for it. maximumTreeCopyWorkers caps what the engine may ask for.
int defaultTreeCopyWorkers();
const int maximumTreeCopyWorkers = 16;
// The engine's setting (ISyFileSystemMgt::setTreeCopyWorkers): 0 for the default, 1 for one file at a time.
int& treeCopyWorkersSetting();
// The number of workers a tree copy in this mode uses (1: none, the caller's thread copies).
int treeCopyWorkers(int mode);

// What a log book is told, kept to be told again: every call in order, with the state the book would
// answer with meanwhile (the trace guards read it back), and the progress observer's calls among them.
class CSyLogRecord : public ILogBook
{
public:
    CSyLogRecord() = default;
    // Answers with state until told otherwise.
    void takeState(const ILogBook& state);

    void setContextText1(const iastring& text) override;
    const iastring& getContextText1() const override { return m_context1; }
    void setContextText2(const iastring& text) override;
    const iastring& getContextText2() const override { return m_context2; }
    void setFunctionName(const iastring& name) override;
    const iastring& getFunctionName() const override { return m_functionName; }
    void setSourceFile(const iastring& file) override;
    const iastring& getSourceFile() const override { return m_sourceFile; }
    void setMessageType(CMessage::eLogMessage type) override;
    CMessage::eLogMessage getMessageType() const override { return m_messageType; }
    void useTypeMapping(CMessage::eLogMessage from, CMessage::eLogMessage to) override;
    void restoreTypeMapping(const CLogTypeMapping& saved) override;
    CLogTypeMapping getTypeMapping() const override { return m_mapping; }
    void setArguments(const CLogArguments& arguments) override;
    const CLogArguments& getArguments() const override { return m_arguments; }
    void clearArguments() override;
    void addArgument(const iastring& argument) override;
    void setTraceLevel(int level) override;
    int getTraceLevel() const override { return m_traceLevel; }
    void trace(const iastring& text, int line) override;
    void log(const iastring& text, int line) override;
    void message(const iastring& key, CMessage::eLogMessage type, int line) override;
    void messageWithFlag(const iastring& key, bool flag, CMessage::eLogMessage type, int line) override;
    void logMessage(const iastring& key, int line) override;
    void indent() override;
    void unindent() override;

    void progress(const iastring& text, int number);
    void heading(const iastring& text);

    // Tells book and observer (may be null) everything recorded, in order, and forgets it.
    void replay(ILogBook* book, ISyProgressObserver* observer);
    void forget() { m_calls.clear(); }
    // Calls are counted no more, the state goes on (for what is to be thrown away).
    void setDiscarding(bool discarding) { m_discarding = discarding; }

private:
    enum eCall
    {
        CONTEXT1,
        CONTEXT2,
        FUNCTION,
        SOURCE,
        TYPE,
        USE_MAPPING,
        RESTORE_MAPPING,
        ARGUMENTS,
        CLEAR_ARGUMENTS,
        ADD_ARGUMENT,
        TRACE_LEVEL,
        TRACE,
        LOG,
        MESSAGE,
        MESSAGE_WITH_FLAG,
        LOG_MESSAGE,
        INDENT,
        UNINDENT,
        PROGRESS,
        HEADING
    };
    struct CCall
    {
        eCall call;
        int number; // line, type, level or progress number
        int type;   // of a message, or what a mapping maps to
        bool flag;
        iastring text;
        std::shared_ptr<const CLogArguments> arguments;
        std::shared_ptr<const CLogTypeMapping> mapping;
    };
    void add(eCall call, int number = 0, int type = 0, const iastring& text = iastring(), bool flag = false);

    std::vector<CCall> m_calls;
    bool m_discarding = false;
    iastring m_context1;
    iastring m_context2;
    iastring m_functionName;
    iastring m_sourceFile;
    CMessage::eLogMessage m_messageType = CMessage::LOG_INFO;
    CLogTypeMapping m_mapping;
    CLogArguments m_arguments;
    int m_traceLevel = 0;
};

// Thrown on the walking thread where it learns that a file before it failed: it unwinds silently to the
// directory loop of that file, which throws the file's own failure.
struct CSyEarlierFailure
{
};

class CSyTreeCopy
{
public:
    // workers: as treeCopyWorkers; with more than one, threads are started as files come.
    CSyTreeCopy(int workers, ISyProgressObserver* observer);
    // Waits for what still runs.
    ~CSyTreeCopy();
    CSyTreeCopy(const CSyTreeCopy&) = delete;
    CSyTreeCopy& operator=(const CSyTreeCopy&) = delete;

    bool parallel() const { return m_workers > 1; }
    void heading(const iastring& text);
    void progress(const iastring& text);

    // Copies a decided file on a worker. newTarget: the file it makes where nothing was (taken back when a
    // file before it fails); empty for a file it replaces, which waits for every file before it.
    void copyFile(std::function<void()> copy, const iastring& newTarget);
    // Where the walk is back in a directory's loop after one child.
    void endOfChild();
    // Hands on what is done; learns of a failure (throws CSyEarlierFailure).
    void settle();
    // Waits for every file on the way (CSyEarlierFailure when one failed).
    void drain();
    // For what the directory loop caught: the failure to throw from there, which is the earliest file's
    // that failed before the walk got so far, else caught. What came before it is handed on.
    std::exception_ptr failure(std::exception_ptr caught);

private:
    struct CPart
    {
        bool onWorker = false;
        bool started = false;
        bool done = false;
        std::function<void()> copy;
        iastring newTarget;
        std::exception_ptr failure;
        CSyLogRecord record;
    };
    class CWalkLogBook;

    CSyLogRecord& newWalkPart();
    void work();
    void run(CPart& part);
    void finished(CPart& part);
    // Hands the parts at the front on as far as they are done.
    void handOnDone(std::unique_lock<CSyLock>& lock);
    void waitForWorkers(std::unique_lock<CSyLock>& lock);
    // With a worker part failed: hands on up to it and the rest of its file's copy, takes back what the
    // files after it made and lets the walk unwind into nothing.
    void resolve(std::unique_lock<CSyLock>& lock);
    [[noreturn]] void throwEarlierFailure(std::unique_lock<CSyLock>& lock);
    // Removes a file a worker made (false: it stays).
    static bool takeBack(const iastring& osPath);
    void reportNotTakenBack();

    const int m_workers;
    ISyProgressObserver* const m_observer;
    ILogBook* const m_host; // the engine's log book (null: none is set)
    std::unique_ptr<CWalkLogBook> m_walkBook;
    std::unique_ptr<CSyThreadLogBook> m_ownBook; // the walking thread's, while workers may run
    // In the tree's order; the walk's own part (m_walk) is the last one. Only the walking thread changes it.
    std::deque<std::unique_ptr<CPart>> m_parts;
    CSyLogRecord* m_walk = nullptr;
    bool m_recording = false; // something is on the way: the walk writes into its part
    bool m_resolved = false;  // a failure is being thrown from its directory loop
    std::exception_ptr m_failure;
    std::vector<iastring> m_notTakenBack;
    // Shared with the workers, under m_lock.
    CSyLock m_lock;
    CSyCondition m_workArrived;
    CSyCondition m_partDone;
    std::deque<CPart*> m_queued;
    int m_onTheWay = 0; // worker parts not handed on yet
    int m_idle = 0;
    bool m_failed = false;
    bool m_stopping = false;
    std::vector<std::thread> m_threads; // joined by the destructor
};
} // namespace filesystem
} // namespace syslib
