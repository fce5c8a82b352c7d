// The process manager: lives from its first request until the library is unloaded.
#pragma once

#include "syprocessmgt.h"

class CSyProcessMgtImpl : public CSyGenericImpl
{
public:
    PSyCurrentProcessEnvironment getCurrentProcessEnvironment();
    PSyProcessEnvironment createProcessEnvironment();
    PSyTaskList createTaskList();
    PSyTaskHandler createTaskHandler();
    PSyChildApplication createChildApplication(int taskId);
    PSyChildFunction createChildFunction(int taskId);
    PSyTaskIO createTaskIO();
    PSySimpleProcessInterface createSimpleProcessInterface();
    iastring getCommandLine(PSyStringIterator arguments);
};

class CSyProcessMgt : public CSyManagerHandle<ISyProcessMgt, CSyProcessMgtImpl>
{
public:
    PSyCurrentProcessEnvironment getCurrentProcessEnvironment() override
    {
        return SY_FORWARD(m_impl.getCurrentProcessEnvironment());
    }
    PSyProcessEnvironment createProcessEnvironment() override { return SY_FORWARD(m_impl.createProcessEnvironment()); }
    PSyTaskList createTaskList() override { return SY_FORWARD(m_impl.createTaskList()); }
    PSyTaskHandler createTaskHandler() override { return SY_FORWARD(m_impl.createTaskHandler()); }
    PSyChildApplication createChildApplication(int taskId) override
    {
        return SY_FORWARD(m_impl.createChildApplication(taskId));
    }
    PSyChildFunction createChildFunction(int taskId) override { return SY_FORWARD(m_impl.createChildFunction(taskId)); }
    PSyTaskIO createTaskIO() override { return SY_FORWARD(m_impl.createTaskIO()); }
    PSySimpleProcessInterface createSimpleProcessInterface() override
    {
        return SY_FORWARD(m_impl.createSimpleProcessInterface());
    }
    iastring getCommandLine(PSyStringIterator arguments) override
    {
        return SY_FORWARD(m_impl.getCommandLine(arguments));
    }
};
