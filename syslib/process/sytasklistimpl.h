// Task lists with their start strategies, and the task handler.
#pragma once

#include "sytasklist.h"
#include "syslib/common/sylock.h"

#include <utility>
#include <vector>

class CSyTaskListImpl : public CSyGenericImpl
{
public:
    int getType() const { return m_iType; }
    void setType(int type);
    ISyTask::eTaskStatusType getStatus() const { return ISyTask::TST_ERROR; }
    void clear() { m_tasks.clear(); }
    int getSize() const;
    int append(PSyTask task);
    void remove(int nPosition);
    PSyTask getTask(int nPosition) const;
    bool start(ISyTaskList& self);
    bool waitFor(PSyTask) { return false; }
    // Also stops every start of this list begun before: no further task of it starts.
    bool cancel();

    // For the start strategies. A run is one start() of the list; startTask starts one of its tasks
    // unless the list has been cancelled since the run began, and says whether it has not.
    unsigned int beginRun();
    bool startTask(ISyTask& task, bool wait, unsigned int run);

private:
    void checkIndex(int nPosition, const wchar_t* signature) const;

    int m_iType = 0;
    std::vector<PSyTask> m_tasks;
    // Held from the decision to start a task until it runs; cancel counts under it.
    syslib::CSyLock m_startLock;
    unsigned int m_cancels = 0;
};

class CSyTaskList : public CSyHandle<ISyTaskList, CSyTaskListImpl>
{
public:
    int getType() override { return SY_FORWARD(m_impl.getType()); }
    void setType(int type) override { return SY_FORWARD(m_impl.setType(type)); }
    ISyTask::eTaskStatusType getStatus() override { return SY_FORWARD(m_impl.getStatus()); }
    void clear() override { return SY_FORWARD(m_impl.clear()); }
    int getSize() override { return SY_FORWARD(m_impl.getSize()); }
    int append(PSyTask task) override { return SY_FORWARD(m_impl.append(task)); }
    void remove(int nPosition) override { return SY_FORWARD(m_impl.remove(nPosition)); }
    PSyTask getTask(int nPosition) override { return SY_FORWARD(m_impl.getTask(nPosition)); }
    // The worker of a background start needs the list itself, to keep it alive.
    bool start() override { return SY_FORWARD(m_impl.start(*this)); }
    bool waitFor(PSyTask task) override { return SY_FORWARD(m_impl.waitFor(task)); }
    bool cancel() override { return SY_FORWARD(m_impl.cancel()); }
};

class CSyTaskHandlerImpl : public CSyGenericImpl
{
public:
    ISyTask::eTaskStatusType getStatus() const;
    void clear();
    int getSize() const;
    // Refuses a null list.
    int append(PSyTaskList list);
    int appendSyncMark(PSyTimeDiff time);
    void remove(int nPosition);
    PSyTaskList getTaskList(int nPosition) const;
    // Does nothing: running the lists in turn is left to the caller.
    bool run();
    PSyTaskList findif(ISyTaskPredicate* predicate) const;

private:
    void checkIndex(int nPosition, const wchar_t* signature) const;

    std::vector<std::pair<PSyTaskList, double>> m_entries;
};

class CSyTaskHandler : public CSyHandle<ISyTaskHandler, CSyTaskHandlerImpl>
{
public:
    ISyTask::eTaskStatusType getStatus() override { return SY_FORWARD(m_impl.getStatus()); }
    void clear() override { return SY_FORWARD(m_impl.clear()); }
    int getSize() override { return SY_FORWARD(m_impl.getSize()); }
    int append(PSyTaskList list) override { return SY_FORWARD(m_impl.append(list)); }
    int appendSyncMark(PSyTimeDiff time) override { return SY_FORWARD(m_impl.appendSyncMark(time)); }
    void remove(int nPosition) override { return SY_FORWARD(m_impl.remove(nPosition)); }
    PSyTaskList getTaskList(int nPosition) override { return SY_FORWARD(m_impl.getTaskList(nPosition)); }
    bool run() override { return SY_FORWARD(m_impl.run()); }
    PSyTaskList findif(ISyTaskPredicate* predicate) override { return SY_FORWARD(m_impl.findif(predicate)); }
};
