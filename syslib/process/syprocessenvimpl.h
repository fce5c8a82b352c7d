// Process environments: the description a task carries and the library process's own environment.
#pragma once

#include "syprocessenv.h"

#include <vector>

class CSyProcessEnvironmentImpl : public CSyGenericImpl
{
public:
    void removeEnvironmentVariable(const iastring& name);
    // Names compare without case, as Windows compares them: a name set twice is one variable.
    void setEnvironmentVariable(const iastring& name, const iastring& value);
    iastring getEnvironmentVariable(const iastring& name);
    PSyEnvironmentIterator getEnvironmentVariables();
    unsigned long getUmask();
    void setUmask(unsigned long mask);
    iastring getWorkingDirectory();
    void setWorkingDirectory(const iastring& directory);
    void setUser(PSyUser user, const iastring& password);
    PSyUser getUser();
    void setGroup(PSyGroup group);
    PSyGroup getGroup();
    void setEffectiveUser(PSyUser user, const iastring& password);
    PSyUser getEffectiveUser();
    void setEffectiveGroup(PSyGroup group);
    PSyGroup getEffectiveGroup();
    unsigned long getResourceLimit(ISyProcessEnvironment::Resource resource);
    void setResourceLimit(ISyProcessEnvironment::Resource resource, unsigned long limit);
    unsigned long getAvailableResources(ISyProcessEnvironment::Resource resource);
    iastring dump();

    // For applying the description; never traced.
    const iastring& userPassword() const { return m_userPassword; }

private:
    std::vector<CSyEnvironmentVariable>::iterator find(const iastring& name);

    std::vector<CSyEnvironmentVariable> m_variables;
    PSyUser m_user;
    iastring m_userPassword;
    PSyGroup m_group;
    PSyUser m_effectiveUser;
    iastring m_effectiveUserPassword;
    PSyGroup m_effectiveGroup;
    iastring m_workingDirectory;
    unsigned long m_umask = 0;
};

// The operations both kinds of environment offer, forwarded; I is the interface, Impl its implementation.
template <class I, class Impl>
class CSyProcessEnvironmentHandle : public CSyHandle<I, Impl>
{
public:
    void removeEnvironmentVariable(const iastring& name) override
    {
        return SY_FORWARD(this->m_impl.removeEnvironmentVariable(name));
    }
    void setEnvironmentVariable(const iastring& name, const iastring& value) override
    {
        return SY_FORWARD(this->m_impl.setEnvironmentVariable(name, value));
    }
    iastring getEnvironmentVariable(const iastring& name) override
    {
        return SY_FORWARD(this->m_impl.getEnvironmentVariable(name));
    }
    PSyEnvironmentIterator getEnvironmentVariables() override { return SY_FORWARD(this->m_impl.getEnvironmentVariables()); }
    unsigned long getUmask() override { return SY_FORWARD(this->m_impl.getUmask()); }
    void setUmask(unsigned long mask) override { return SY_FORWARD(this->m_impl.setUmask(mask)); }
    iastring getWorkingDirectory() override { return SY_FORWARD(this->m_impl.getWorkingDirectory()); }
    void setWorkingDirectory(const iastring& directory) override
    {
        return SY_FORWARD(this->m_impl.setWorkingDirectory(directory));
    }
    void setUser(PSyUser user, const iastring& password) override { return SY_FORWARD(this->m_impl.setUser(user, password)); }
    PSyUser getUser() override { return SY_FORWARD(this->m_impl.getUser()); }
    void setGroup(PSyGroup group) override { return SY_FORWARD(this->m_impl.setGroup(group)); }
    PSyGroup getGroup() override { return SY_FORWARD(this->m_impl.getGroup()); }
    void setEffectiveUser(PSyUser user, const iastring& password) override
    {
        return SY_FORWARD(this->m_impl.setEffectiveUser(user, password));
    }
    PSyUser getEffectiveUser() override { return SY_FORWARD(this->m_impl.getEffectiveUser()); }
    void setEffectiveGroup(PSyGroup group) override { return SY_FORWARD(this->m_impl.setEffectiveGroup(group)); }
    PSyGroup getEffectiveGroup() override { return SY_FORWARD(this->m_impl.getEffectiveGroup()); }
    unsigned long getResourceLimit(ISyProcessEnvironment::Resource resource) override { return SY_FORWARD(this->m_impl.getResourceLimit(resource)); }
    void setResourceLimit(ISyProcessEnvironment::Resource resource, unsigned long limit) override
    {
        return SY_FORWARD(this->m_impl.setResourceLimit(resource, limit));
    }
    unsigned long getAvailableResources(ISyProcessEnvironment::Resource resource) override
    {
        return SY_FORWARD(this->m_impl.getAvailableResources(resource));
    }
    iastring dump() override { return SY_FORWARD(this->m_impl.dump()); }
};

class CSyProcessEnvironment : public CSyProcessEnvironmentHandle<ISyProcessEnvironment, CSyProcessEnvironmentImpl>
{
};

class CSyCurrentProcessEnvironmentImpl : public CSyGenericImpl
{
public:
    void removeEnvironmentVariable(const iastring& name);
    void setEnvironmentVariable(const iastring& name, const iastring& value);
    iastring getEnvironmentVariable(const iastring& name);
    PSyEnvironmentIterator getEnvironmentVariables();
    unsigned long getUmask();
    void setUmask(unsigned long mask);
    iastring getWorkingDirectory();
    void setWorkingDirectory(const iastring& directory);
    // A null user is the process's own user: switching to it ends any impersonation.
    void setUser(PSyUser user, const iastring& password);
    PSyUser getUser();
    void setGroup(PSyGroup group);
    PSyGroup getGroup();
    void setEffectiveUser(PSyUser user, const iastring& password);
    PSyUser getEffectiveUser();
    void setEffectiveGroup(PSyGroup group);
    PSyGroup getEffectiveGroup();
    unsigned long getResourceLimit(ISyProcessEnvironment::Resource resource);
    void setResourceLimit(ISyProcessEnvironment::Resource resource, unsigned long limit);
    unsigned long getAvailableResources(ISyProcessEnvironment::Resource resource);
    iastring dump();
    void set(PSyProcessEnvironment environment);
    void fill(PSyProcessEnvironment environment);
    iastring dumpToken();

    // For a task's start: each variable `applied` names gets back the value `snapshot` (from fill) holds,
    // or goes when it holds none. Through the wide calls, so that every value the process held survives.
    // Goes on past a variable that fails (each reported); then throws the first failure.
    void restoreVariables(const PSyProcessEnvironment& snapshot, const PSyProcessEnvironment& applied);

private:
    // A variable with an empty value, which the runtime cannot hold: the process's own alone.
    static bool setEmptyVariable(const iastring& name);
    // The variables as the process holds them; throws ESyException(WIN32_ERROR) when the block is unreadable.
    std::vector<CSyEnvironmentVariable> readVariables(bool& incomplete);
    // Name of the process token's user; throws after "syslib.account.cannotAccessCurUser".
    iastring processUserName();
};

class CSyCurrentProcessEnvironment
    : public CSyProcessEnvironmentHandle<ISyCurrentProcessEnvironment, CSyCurrentProcessEnvironmentImpl>
{
public:
    void set(PSyProcessEnvironment environment) override { return SY_FORWARD(m_impl.set(environment)); }
    void fill(PSyProcessEnvironment environment) override { return SY_FORWARD(m_impl.fill(environment)); }
    iastring dumpToken() override { return SY_FORWARD(m_impl.dumpToken()); }
};

namespace syslib
{
// The dump of an environment from its parts; a part that could not be read is null/flagged.
iastring formatEnvironmentDump(const std::vector<CSyEnvironmentVariable>* variables, bool someUnreadable,
                               const iastring* userName, const iastring* workingDirectory);
} // namespace syslib
