// Task lists start their tasks together, one after the other or all at once, with the caller waiting
// or not; a task handler keeps task lists and synchronisation marks in order.
#pragma once

#include "sytask.h"

#include "syslib/timer/sytimediff.h"

class ISyTaskList : public ISyGeneric
{
public:
    // A set of flags. Parallel wins over sequential, and non-blocking over blocking.
    enum eTaskListType
    {
        TLT_PARALLEL = 1,
        TLT_SEQUENTIAL = 2,
        TLT_NON_BLOCKING = 4,
        TLT_BLOCKING = 8
    };

    virtual int getType() = 0;
    virtual void setType(int type) = 0;
    // Always TST_ERROR: a list keeps no state of its own; ask its tasks.
    virtual ISyTask::eTaskStatusType getStatus() = 0;
    virtual void clear() = 0;
    virtual int getSize() = 0;
    // The index of the new task.
    virtual int append(PSyTask task) = 0;
    virtual void remove(int nPosition) = 0;
    virtual PSyTask getTask(int nPosition) = 0;
    // Sequential and non-blocking: a worker thread starts the tasks and keeps the list alive until it is
    // done; the caller returns at once. Parallel and blocking starts nothing.
    virtual bool start() = 0;
    // Does nothing: returns false.
    virtual bool waitFor(PSyTask task) = 0;
    // Cancels every task; false when a task's cancel threw ESyCancelError.
    virtual bool cancel() = 0;
};
typedef IaPtr<ISyTaskList> PSyTaskList;

class ISyTaskPredicate
{
public:
    virtual ~ISyTaskPredicate() {}
    virtual bool operator()(PSyTask task) = 0;
};

class ISyTaskHandler : public ISyGeneric
{
public:
    // TST_INITIAL without entries; otherwise running before error before initial before finished.
    virtual ISyTask::eTaskStatusType getStatus() = 0;
    virtual void clear() = 0;
    virtual int getSize() = 0;
    virtual int append(PSyTaskList list) = 0;
    // An entry of an empty task list and the time in seconds.
    virtual int appendSyncMark(PSyTimeDiff time) = 0;
    virtual void remove(int nPosition) = 0;
    virtual PSyTaskList getTaskList(int nPosition) = 0;
    // Does nothing: returns false.
    virtual bool run() = 0;
    // A new list of every task of every entry the predicate accepts.
    virtual PSyTaskList findif(ISyTaskPredicate* predicate) = 0;
};
typedef IaPtr<ISyTaskHandler> PSyTaskHandler;

// "(TLT_SEQUENTIAL|TLT_BLOCKING)"; "(unknown: N)" for a value without any of the four flags.
SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyTaskList::eTaskListType value);
