// Process environments: a detached description of the surroundings a program runs in, and the live
// environment of the library's own process.
#pragma once

#include "framework/iaiter.h"
#include "syslib/account/syaccount.h"
#include "syslib/common/syexport.h"

#include <ostream>
#include <utility>

// (name, value)
typedef std::pair<iastring, iastring> CSyEnvironmentVariable;
typedef IIaPIterGeneric<CSyEnvironmentVariable> ISyEnvironmentIterator;
typedef IaPtr<ISyEnvironmentIterator> PSyEnvironmentIterator;

class ISyProcessEnvironment : public ISyGeneric
{
public:
    enum Resource
    {
        RES_CPU_TIME = 0,
        RES_FILE_SIZE = 1,
        RES_DATA_SIZE = 2,
        RES_STACK_SIZE = 3,
        RES_CORE_SIZE = 4,
        RES_OPEN_FILES = 5,
        RES_VIRTUAL_MEMORY = 6
    };

    virtual void removeEnvironmentVariable(const iastring& name) = 0;
    virtual void setEnvironmentVariable(const iastring& name, const iastring& value) = 0;
    // Empty when the variable is not set.
    virtual iastring getEnvironmentVariable(const iastring& name) = 0;
    virtual PSyEnvironmentIterator getEnvironmentVariables() = 0;
    virtual unsigned long getUmask() = 0;
    virtual void setUmask(unsigned long mask) = 0;
    virtual iastring getWorkingDirectory() = 0;
    virtual void setWorkingDirectory(const iastring& directory) = 0;
    virtual void setUser(PSyUser user, const iastring& password) = 0;
    virtual PSyUser getUser() = 0;
    virtual void setGroup(PSyGroup group) = 0;
    virtual PSyGroup getGroup() = 0;
    virtual void setEffectiveUser(PSyUser user, const iastring& password) = 0;
    virtual PSyUser getEffectiveUser() = 0;
    virtual void setEffectiveGroup(PSyGroup group) = 0;
    virtual PSyGroup getEffectiveGroup() = 0;
    virtual unsigned long getResourceLimit(Resource resource) = 0;
    virtual void setResourceLimit(Resource resource, unsigned long limit) = 0;
    virtual unsigned long getAvailableResources(Resource resource) = 0;
    // "Process environment" with the variables, the user and the working directory, one a line.
    virtual iastring dump() = 0;
};
typedef IaPtr<ISyProcessEnvironment> PSyProcessEnvironment;

class ISyCurrentProcessEnvironment : public ISyProcessEnvironment
{
public:
    // Applies the description: its user if it names one, its working directory if it has one, then its
    // variables in order. The thread's user and the variables it does not name stay as they are.
    virtual void set(PSyProcessEnvironment environment) = 0;
    // Copies the user, the working directory and every variable into the description.
    virtual void fill(PSyProcessEnvironment environment) = 0;
    // The process's token: a "user" line with the SID, then a "group" line a group with its attributes,
    // then a "privilege" line a privilege with its state.
    virtual iastring dumpToken() = 0;
};
typedef IaPtr<ISyCurrentProcessEnvironment> PSyCurrentProcessEnvironment;

SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyProcessEnvironment::Resource value);
