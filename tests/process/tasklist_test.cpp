// Task lists and the task handler, with child applications that leave marks in a shared file.
#include "framework/iastrutil.h"
#include "syslib/process/sytaskimpl.h"
#include "syslib/process/sytasklistimpl.h"
#include "syslib/timer/sytimediffimpl.h"

#include "tests/support/expectthrow.h"
#include "tests/support/tempdir.h"
#include "tests/support/testchild.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace
{
// Appends "<id>+" to the file, waits a little, appends "<id>-": overlapping runs interleave the marks.
int record(const std::vector<iastring>& arguments)
{
    const std::string id = toMbstring(arguments.at(1));
    const auto mark = [&](const char* what) {
        std::ofstream(toMbstring(arguments.at(0)), std::ios::app) << id << what;
    };
    mark("+");
    ::Sleep(150);
    mark("-");
    return 0;
}
const CTestChildRegistration recordChild(L"record", record);

iastring ownProgram()
{
    wchar_t program[MAX_PATH + 1] = {0};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    return program;
}

PSyTask childTask(const iastring& arguments)
{
    const PSyChildApplication application(new CSyChildApplication(1));
    application->setPath(ownProgram());
    application->setArguments(arguments, L" ");
    return application;
}

std::string marks(const iastring& file)
{
    std::ifstream in(toMbstring(file));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

PSyTaskList listOf(int type, const std::vector<PSyTask>& tasks)
{
    const PSyTaskList list(new CSyTaskList());
    list->setType(type);
    for (const PSyTask& task : tasks)
        list->append(task);
    return list;
}

iastring typeText(int type)
{
    std::wostringstream text;
    text << static_cast<ISyTaskList::eTaskListType>(type);
    return text.str();
}

// A list of the host's own making that reports a status no task has.
class CStrangeList : public CSyTaskList
{
public:
    ISyTask::eTaskStatusType getStatus() override { return static_cast<ISyTask::eTaskStatusType>(7); }
};

// The operation's guard wrote both its lines, once each.
void expectGuarded(const CRecordingLogBook& book, const iastring& signature)
{
    int begins = 0, ends = 0;
    for (const CRecordedLine& line : book.lines())
        if (line.functionName == signature && line.kind == CLogBookBase::LINE_TRACE)
        {
            begins += line.text == L"begin of function";
            ends += line.text == L"end of function";
        }
    EXPECT_EQ(1, begins) << toMbstring(signature);
    EXPECT_EQ(1, ends) << toMbstring(signature);
}

class CAcceptIds : public ISyTaskPredicate
{
public:
    explicit CAcceptIds(int id) : m_id(id) {}
    bool operator()(PSyTask task) override { return task->getId() == m_id; }

private:
    int m_id;
};
} // namespace

TEST(TaskListTest, SequentialBlockingStartsEachAfterThePreviousHasEnded)
{
    const CTempDir directory;
    const iastring file = directory / L"marks.txt";
    std::vector<PSyTask> tasks;
    for (const wchar_t* id : {L"1", L"2", L"3"})
        tasks.push_back(childTask(L"--child=record " + file + L" " + id));
    const PSyTaskList list = listOf(ISyTaskList::TLT_SEQUENTIAL | ISyTaskList::TLT_BLOCKING, tasks);
    EXPECT_TRUE(list->start());
    EXPECT_EQ("1+1-2+2-3+3-", marks(file));
    for (const PSyTask& task : tasks)
        EXPECT_EQ(ISyTask::TST_FINISHED, task->getStatus());
}

TEST(TaskListTest, ParallelNonBlockingReturnsWhileAllRunAndCancelEndsThemAll)
{
    const CTempDir directory;
    std::vector<PSyTask> tasks;
    for (int i = 0; i < 3; ++i)
        tasks.push_back(childTask(L"--child=wait-for-file " + (directory / L"never")));
    const PSyTaskList list = listOf(ISyTaskList::TLT_PARALLEL | ISyTaskList::TLT_NON_BLOCKING, tasks);
    EXPECT_TRUE(list->start());
    for (const PSyTask& task : tasks)
        EXPECT_EQ(ISyTask::TST_RUNNING, task->getStatus());
    EXPECT_TRUE(list->cancel());
    for (const PSyTask& task : tasks)
        EXPECT_EQ(ISyTask::TST_ERROR, task->getStatus());
}

TEST(TaskListTest, SequentialNonBlockingRunsInOrderBehindTheCaller)
{
    const CTempDir directory;
    const iastring file = directory / L"marks.txt";
    const PSyTaskList list = listOf(ISyTaskList::TLT_SEQUENTIAL | ISyTaskList::TLT_NON_BLOCKING,
                                    {childTask(L"--child=record " + file + L" 1"),
                                     childTask(L"--child=record " + file + L" 2")});
    EXPECT_TRUE(list->start());
    // The worker holds the list until its last task has ended.
    EXPECT_EQ(2, list->getRefCount());
    for (int i = 0; i < 600 && list->getRefCount() > 1; ++i)
        ::Sleep(50);
    ASSERT_EQ(1, list->getRefCount());
    EXPECT_EQ("1+1-2+2-", marks(file));
}

TEST(TaskListTest, ACancelledSequentialListStartsNoFurtherTask)
{
    const CTempDir directory;
    const iastring file = directory / L"marks.txt";
    for (const int blocking : {int(ISyTaskList::TLT_NON_BLOCKING), int(ISyTaskList::TLT_BLOCKING)})
    {
        const PSyTask waiting = childTask(L"--child=wait-for-file " + (directory / L"never"));
        const PSyTask next = childTask(L"--child=record " + file + L" 2");
        const PSyTaskList list = listOf(ISyTaskList::TLT_SEQUENTIAL | blocking, {waiting, next});
        // A blocking list is cancelled from another thread than the one its start blocks.
        std::thread starter;
        if (blocking == ISyTaskList::TLT_BLOCKING)
            starter = std::thread([&list] { list->start(); });
        else
            EXPECT_TRUE(list->start());
        for (int i = 0; i < 600 && waiting->getStatus() != ISyTask::TST_RUNNING; ++i)
            ::Sleep(50);
        ASSERT_EQ(ISyTask::TST_RUNNING, waiting->getStatus()) << blocking;
        EXPECT_TRUE(list->cancel());
        if (starter.joinable())
            starter.join();
        // The worker of a non-blocking list lets the list go when it stops.
        for (int i = 0; i < 600 && list->getRefCount() > 1; ++i)
            ::Sleep(50);
        EXPECT_EQ(1, list->getRefCount());
        EXPECT_EQ(ISyTask::TST_ERROR, waiting->getStatus());
        EXPECT_EQ(ISyTask::TST_INITIAL, next->getStatus()) << blocking;
        EXPECT_EQ("", marks(file)) << blocking;
    }

    // A cancel stops the starts begun before it; a later start is a new one.
    const PSyTaskList list = listOf(ISyTaskList::TLT_SEQUENTIAL | ISyTaskList::TLT_BLOCKING,
                                    {childTask(L"--child=record " + file + L" 3")});
    EXPECT_TRUE(list->cancel());
    EXPECT_TRUE(list->start());
    EXPECT_EQ("3+3-", marks(file));
}

TEST(TaskListTest, ParallelWinsOverSequentialAndAParallelBlockingListStartsNothing)
{
    const PSyTask task = childTask(L"--child=exit-with 0");
    const PSyTaskList list =
        listOf(ISyTaskList::TLT_PARALLEL | ISyTaskList::TLT_SEQUENTIAL | ISyTaskList::TLT_BLOCKING, {task});
    EXPECT_TRUE(list->start());
    EXPECT_EQ(ISyTask::TST_INITIAL, task->getStatus());
}

TEST(TaskListTest, ATypeWithoutAStrategyIsRefused)
{
    CRecordingLogBook book;
    for (const int type : {0, int(ISyTaskList::TLT_PARALLEL), int(ISyTaskList::TLT_BLOCKING | ISyTaskList::TLT_NON_BLOCKING)})
    {
        const PSyTaskList list = listOf(type, {});
        const ESyPrecondition refused = expectLoggedThrow<ESyPrecondition>(
            book, [&] { list->start(); }, L"common.attributeNotValid", {typeText(type), L"CSyTaskListImpl::m_iType"});
        EXPECT_EQ(ESyPrecondition::PARAMETER_NOT_VALID, refused.getCode());
        const std::vector<iastring> logs = book.logs();
        EXPECT_NE(logs.end(), std::find(logs.begin(), logs.end(), L"CSyTaskListImpl::start() called with wrong list type"));
    }
}

TEST(TaskListTest, TypesPrintTheirFlagNames)
{
    EXPECT_EQ(L"(TLT_SEQUENTIAL|TLT_BLOCKING)", typeText(ISyTaskList::TLT_SEQUENTIAL | ISyTaskList::TLT_BLOCKING));
    EXPECT_EQ(L"(TLT_PARALLEL|TLT_NON_BLOCKING)", typeText(ISyTaskList::TLT_NON_BLOCKING | ISyTaskList::TLT_PARALLEL));
    EXPECT_EQ(L"(unknown: 0)", typeText(0));
    EXPECT_EQ(L"(unknown: 16)", typeText(16));
}

TEST(TaskListTest, IndicesAreCheckedOnBothEnds)
{
    CRecordingLogBook book;
    const PSyTaskList list(new CSyTaskList());
    EXPECT_EQ(ISyTask::TST_ERROR, list->getStatus());
    const PSyTask first = childTask(L"a"), second = childTask(L"b");
    EXPECT_EQ(0, list->append(first));
    EXPECT_EQ(1, list->append(second));
    EXPECT_EQ(second, list->getTask(1));
    for (const int bad : {-1, 2})
    {
        expectLoggedThrow<ESyPrecondition>(book, [&] { list->getTask(bad); }, L"common.parameterNotValid",
                                           {L"nPosition", L"CSyTaskListImpl::getTask(int)"});
        const std::vector<iastring> logs = book.logs();
        EXPECT_EQ(L"Precondition violated: No valid index given to getTask().", logs.at(0));
        expectLoggedThrow<ESyPrecondition>(book, [&] { list->remove(bad); }, L"common.parameterNotValid",
                                           {L"nPosition", L"CSyTaskListImpl::remove(int)"});
    }
    list->remove(0);
    EXPECT_EQ(1, list->getSize());
    EXPECT_EQ(second, list->getTask(0));
    EXPECT_FALSE(list->waitFor(second));
    list->clear();
    EXPECT_EQ(0, list->getSize());
}

TEST(TaskHandlerTest, StatusSyncMarksAndSearch)
{
    CRecordingLogBook book;
    const PSyTaskHandler handler(new CSyTaskHandler());
    EXPECT_EQ(ISyTask::TST_INITIAL, handler->getStatus());
    EXPECT_FALSE(handler->run());

    const PSyTask a(new CSyChildApplication(7)), b(new CSyChildApplication(8)), c(new CSyChildApplication(7));
    EXPECT_EQ(0, handler->append(listOf(0, {a, b})));
    EXPECT_EQ(1, handler->appendSyncMark(syslib::newTimeDiff(2.5)));
    EXPECT_EQ(2, handler->append(listOf(0, {c})));
    EXPECT_EQ(0, handler->getTaskList(1)->getSize());
    EXPECT_EQ(a, handler->getTaskList(0)->getTask(0));
    // Lists report TST_ERROR, so a handler with lists does too.
    EXPECT_EQ(ISyTask::TST_ERROR, handler->getStatus());

    CAcceptIds sevens(7);
    const PSyTaskList found = handler->findif(&sevens);
    ASSERT_EQ(2, found->getSize());
    EXPECT_EQ(a, found->getTask(0));
    EXPECT_EQ(c, found->getTask(1));
    EXPECT_EQ(0, found->getType());

    expectLoggedThrow<ESyPrecondition>(book, [&] { handler->appendSyncMark(PSyTimeDiff()); },
                                       L"common.parameterNotValid",
                                       {L"pTime", L"CSyTaskHandlerImpl::appendSyncMark(PSyTimeDiff)"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { handler->getTaskList(3); }, L"common.parameterNotValid",
                                       {L"nPosition", L"CSyTaskHandlerImpl::getTaskList(int)"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { handler->remove(-1); }, L"common.parameterNotValid",
                                       {L"nPosition", L"CSyTaskHandlerImpl::remove(int)"});
    handler->remove(1);
    EXPECT_EQ(2, handler->getSize());
    handler->clear();
    EXPECT_EQ(ISyTask::TST_INITIAL, handler->getStatus());

    handler->append(PSyTaskList(new CStrangeList()));
    expectLoggedThrow<ESyPrecondition>(book, [&] { handler->getStatus(); }, L"syslib.process.internalError",
                                       {L"Unknown task status in CSyTaskHandlerImpl::getStatus()"});
}

TEST(TaskHandlerTest, ANullListIsRefusedAndNothingAdded)
{
    CRecordingLogBook book;
    const PSyTaskHandler handler(new CSyTaskHandler());
    handler->append(listOf(0, {}));
    const ESyPrecondition refused = expectLoggedThrow<ESyPrecondition>(
        book, [&] { handler->append(PSyTaskList()); }, L"common.parameterNotValid",
        {L"pList", L"CSyTaskHandlerImpl::append(PSyTaskList)"});
    EXPECT_EQ(ESyPrecondition::PARAMETER_NOT_VALID, refused.getCode());
    EXPECT_EQ(1, handler->getSize());
    // What asks every entry still can.
    EXPECT_EQ(ISyTask::TST_ERROR, handler->getStatus());
    CAcceptIds any(1);
    EXPECT_EQ(0, handler->findif(&any)->getSize());
}

TEST(TaskHandlerTest, TaskListAndHandlerOperationsTraceEntryAndExit)
{
    CRecordingLogBook book;
    const PSyTask task = childTask(L"a");
    const PSyTaskList list(new CSyTaskList());
    const PSyTaskHandler handler(new CSyTaskHandler());
    const auto guarded = [&book](const wchar_t* signature, const std::function<void()>& call) {
        book.clear();
        call();
        expectGuarded(book, signature);
    };
    guarded(L"CSyTaskImpl::getStatus()", [&] { task->getStatus(); });
    guarded(L"CSyTaskImpl::getExitCode(bool)", [&] { task->getExitCode(false); });
    guarded(L"CSyTaskImpl::getProcessId()", [&] { task->getProcessId(); });
    guarded(L"CSyTaskImpl::getHandle()", [&] { task->getHandle(); });
    guarded(L"CSyTaskListImpl::append(PSyTask)", [&] { list->append(task); });
    guarded(L"CSyTaskListImpl::getSize()", [&] { list->getSize(); });
    guarded(L"CSyTaskListImpl::getTask(int)", [&] { list->getTask(0); });
    guarded(L"CSyTaskListImpl::remove(int)", [&] { list->remove(0); });
    guarded(L"CSyTaskHandlerImpl::append(PSyTaskList)", [&] { handler->append(list); });
    guarded(L"CSyTaskHandlerImpl::appendSyncMark(PSyTimeDiff)",
            [&] { handler->appendSyncMark(syslib::newTimeDiff(1.0)); });
    guarded(L"CSyTaskHandlerImpl::getSize()", [&] { handler->getSize(); });
    guarded(L"CSyTaskHandlerImpl::getTaskList(int)", [&] { handler->getTaskList(1); });
    guarded(L"CSyTaskHandlerImpl::remove(int)", [&] { handler->remove(1); });
    guarded(L"CSyTaskHandlerImpl::run()", [&] { handler->run(); });
    guarded(L"CSyTaskHandlerImpl::clear()", [&] { handler->clear(); });
    // A refusal leaves the function through its guard too.
    guarded(L"CSyTaskListImpl::getTask(int)", [&] { EXPECT_THROW(list->getTask(0), ESyPrecondition); });
}
