// Portable code only: the library process's own environment, as far as the C runtime reaches it.
#include "syprocessenvimpl.h"

#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <vector>

SY_SOURCE_FILE(L"syxxccpenv")

namespace
{
// The longest value Windows keeps for a variable; a longer one comes back cut or garbled.
const std::size_t maxValueLength = 32766;

// _putenv of the 8-bit form; a text the code page cannot carry fails instead of arriving changed.
bool putEnvironment(const iastring& assignment)
{
    const std::string narrow = toMbstring(assignment);
    if (toIastring(narrow) != assignment)
    {
        errno = EILSEQ;
        return false;
    }
    return ::_putenv(narrow.c_str()) == 0;
}

[[noreturn]] void throwNotSet(const iastring& name, const iastring& value, int line)
{
    const int error = errno;
    syslib::reportError(L"syslib.process.currentProcessEnv.notEnvironmentVariableSet", {name, value}, line);
    errno = error;
    throw ESyPutenvError(true);
}

void reportRemoved(const iastring& name)
{
    ILogBook& book = syslib::logBook();
    book.addArgument(L"Removed environment variable " + name + L" from current process environment.");
    book.message(L"utlmod.generic", CMessage::LOG_INFO, __LINE__);
}

bool sameName(const iastring& a, const iastring& b)
{
    return stringToUpper(a) == stringToUpper(b);
}
} // namespace

void CSyCurrentProcessEnvironmentImpl::setEnvironmentVariable(const iastring& name, const iastring& value)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::setEnvironmentVariable(iastring, iastring)");
    SY_TRACE_PARAMETERS(name + L", " + value);
    if (name.empty())
        return;
    if (value.size() > maxValueLength)
    {
        errno = EINVAL;
        throwNotSet(name, value, __LINE__);
    }
    if (!putEnvironment(name + L"=" + value))
        throwNotSet(name, value, __LINE__);
}

void CSyCurrentProcessEnvironmentImpl::removeEnvironmentVariable(const iastring& name)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::removeEnvironmentVariable(iastring)");
    SY_TRACE_PARAMETERS(name);
    if (!putEnvironment(name + L"="))
        throwNotSet(name, iastring(), __LINE__);
    reportRemoved(name);
}

void CSyCurrentProcessEnvironmentImpl::restoreVariables(const PSyProcessEnvironment& snapshot,
                                                        const PSyProcessEnvironment& applied)
{
    SY_TRACE_FUNCTION(
        L"CSyCurrentProcessEnvironmentImpl::restoreVariables(PSyProcessEnvironment, PSyProcessEnvironment)");
    std::vector<CSyEnvironmentVariable> before;
    const PSyEnvironmentIterator held = snapshot->getEnvironmentVariables();
    for (held->first(); !held->isDone(); held->next())
        before.push_back(held->get());
    std::exception_ptr failure;
    const PSyEnvironmentIterator changed = applied->getEnvironmentVariables();
    for (changed->first(); !changed->isDone(); changed->next())
    {
        const iastring name = changed->get().first;
        if (name.empty())
            continue;
        const auto found = std::find_if(before.begin(), before.end(),
                                        [&](const CSyEnvironmentVariable& variable) { return sameName(variable.first, name); });
        try
        {
            // _wputenv keeps the runtime's copy, which getenv reads, in step with the process's.
            if (found == before.end())
            {
                if (::_wputenv((name + L"=").c_str()) != 0)
                    throwNotSet(name, iastring(), __LINE__);
                reportRemoved(name);
            }
            else if (::_wputenv((found->first + L"=" + found->second).c_str()) != 0 ||
                     (found->second.empty() && !setEmptyVariable(found->first)))
                throwNotSet(found->first, found->second, __LINE__);
        }
        catch (const ESyPutenvError&)
        {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

unsigned long CSyCurrentProcessEnvironmentImpl::getUmask()
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::getUmask()");
    syslib::throwFunctionNotSupported(L"CSyCurrentProcessEnvironmentImpl::getUmask()", __LINE__);
}

void CSyCurrentProcessEnvironmentImpl::setUmask(unsigned long)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::setUmask(unsigned long)");
    syslib::throwFunctionNotSupported(L"CSyCurrentProcessEnvironmentImpl::setUmask(unsigned long)", __LINE__);
}

void CSyCurrentProcessEnvironmentImpl::setGroup(PSyGroup)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::setGroup(PSyGroup)");
    syslib::throwFunctionNotSupported(L"CSyCurrentProcessEnvironmentImpl::setGroup(PSyGroup)", __LINE__);
}

PSyGroup CSyCurrentProcessEnvironmentImpl::getGroup()
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::getGroup()");
    syslib::throwFunctionNotSupported(L"CSyCurrentProcessEnvironmentImpl::getGroup()", __LINE__);
}

void CSyCurrentProcessEnvironmentImpl::setEffectiveUser(PSyUser user, const iastring& password)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::setEffectiveUser(PSyUser, iastring)");
    syslib::logBook().trace(L"effective user corresponds to real user", __LINE__);
    setUser(user, password);
}

PSyUser CSyCurrentProcessEnvironmentImpl::getEffectiveUser()
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::getEffectiveUser()");
    syslib::logBook().trace(L"effective user corresponds to real user", __LINE__);
    return getUser();
}

void CSyCurrentProcessEnvironmentImpl::setEffectiveGroup(PSyGroup group)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::setEffectiveGroup(PSyGroup)");
    syslib::logBook().trace(L"effective group corresponds to real group", __LINE__);
    setGroup(group);
}

PSyGroup CSyCurrentProcessEnvironmentImpl::getEffectiveGroup()
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::getEffectiveGroup()");
    syslib::logBook().trace(L"effective group corresponds to real group", __LINE__);
    return getGroup();
}

unsigned long CSyCurrentProcessEnvironmentImpl::getResourceLimit(ISyProcessEnvironment::Resource)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::getResourceLimit(ISyProcessEnvironment::Resource)");
    syslib::throwFunctionNotSupported(
        L"CSyCurrentProcessEnvironmentImpl::getResourceLimit(ISyProcessEnvironment::Resource)", __LINE__);
}

void CSyCurrentProcessEnvironmentImpl::setResourceLimit(ISyProcessEnvironment::Resource, unsigned long)
{
    SY_TRACE_FUNCTION(
        L"CSyCurrentProcessEnvironmentImpl::setResourceLimit(ISyProcessEnvironment::Resource, unsigned long)");
    syslib::throwFunctionNotSupported(
        L"CSyCurrentProcessEnvironmentImpl::setResourceLimit(ISyProcessEnvironment::Resource, unsigned long)",
        __LINE__);
}

unsigned long CSyCurrentProcessEnvironmentImpl::getAvailableResources(ISyProcessEnvironment::Resource)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::getAvailableResources(ISyProcessEnvironment::Resource)");
    syslib::throwFunctionNotSupported(
        L"CSyCurrentProcessEnvironmentImpl::getAvailableResources(ISyProcessEnvironment::Resource)", __LINE__);
}

void CSyCurrentProcessEnvironmentImpl::set(PSyProcessEnvironment environment)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::set(PSyProcessEnvironment)");
    if (!environment)
    {
        syslib::reportError(L"common.attributeEmpty", {L"pEnv", L"CSyCurrentProcessEnvironmentImpl::set()"}, __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    // Only our own descriptions carry a password; another implementation's user gets none.
    if (const PSyUser user = environment->getUser())
    {
        const CSyProcessEnvironment* ours = dynamic_cast<const CSyProcessEnvironment*>(environment.get());
        setUser(user, ours ? ours->impl().userPassword() : iastring());
    }
    const iastring directory = environment->getWorkingDirectory();
    if (!directory.empty())
        setWorkingDirectory(directory);
    PSyEnvironmentIterator variables = environment->getEnvironmentVariables();
    for (variables->first(); !variables->isDone(); variables->next())
    {
        const CSyEnvironmentVariable variable = variables->get();
        setEnvironmentVariable(variable.first, variable.second);
    }
}

void CSyCurrentProcessEnvironmentImpl::fill(PSyProcessEnvironment environment)
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::fill(PSyProcessEnvironment)");
    if (!environment)
    {
        syslib::reportError(L"common.attributeEmpty", {L"pEnv", L"CSyCurrentProcessEnvironmentImpl::fill()"},
                            __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    // The user stays unset: an unset user is the process's own one when the snapshot is applied again,
    // which is what storing it would give, without binding the account at every task start.
    environment->setWorkingDirectory(getWorkingDirectory());
    bool incomplete = false;
    for (const CSyEnvironmentVariable& variable : readVariables(incomplete))
        environment->setEnvironmentVariable(variable.first, variable.second);
}

iastring CSyCurrentProcessEnvironmentImpl::dump()
{
    SY_TRACE_FUNCTION(L"CSyCurrentProcessEnvironmentImpl::dump()");
    std::vector<CSyEnvironmentVariable> variables;
    bool readable = true;
    bool incomplete = false;
    try
    {
        variables = readVariables(incomplete);
    }
    catch (const ESyException&)
    {
        readable = false;
    }
    iastring user;
    bool userKnown = true;
    try
    {
        user = processUserName();
    }
    catch (const ESyException&)
    {
        userKnown = false;
    }
    iastring directory;
    bool directoryKnown = true;
    try
    {
        directory = getWorkingDirectory();
    }
    catch (const ESyException&)
    {
        directoryKnown = false;
    }
    return syslib::formatEnvironmentDump(readable ? &variables : nullptr, incomplete, userKnown ? &user : nullptr,
                                         directoryKnown ? &directory : nullptr);
}
