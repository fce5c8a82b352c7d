// Portable code only: the process environment a task carries, and the dump format both kinds share.
#include "syprocessenvimpl.h"

#include "framework/iacontaineriter.h"
#include "framework/iastrutil.h"
#include "syslib/common/syenumio.h"
#include "syslib/common/sytrace.h"

#include <algorithm>

SY_SOURCE_FILE(L"syxxcpenv")

namespace
{
iastring accountName(const PSyAccount& account)
{
    return account ? account->getName() : iastring();
}
} // namespace

std::vector<CSyEnvironmentVariable>::iterator CSyProcessEnvironmentImpl::find(const iastring& name)
{
    const iastring wanted = stringToUpper(name);
    return std::find_if(m_variables.begin(), m_variables.end(), [&](const CSyEnvironmentVariable& variable) {
        return stringToUpper(variable.first) == wanted;
    });
}

void CSyProcessEnvironmentImpl::removeEnvironmentVariable(const iastring& name)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyProcessEnvironmentImpl::removeEnvironmentVariable(" + name + L")"
                                               : iastring());
    const auto found = find(name);
    if (found != m_variables.end())
        m_variables.erase(found);
}

void CSyProcessEnvironmentImpl::setEnvironmentVariable(const iastring& name, const iastring& value)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyProcessEnvironmentImpl::setEnvironmentVariable(" + name + L", " + value + L")"
                               : iastring());
    if (name.empty())
        return;
    const auto found = find(name);
    if (found != m_variables.end())
        found->second = value;
    else
        m_variables.emplace_back(name, value);
}

iastring CSyProcessEnvironmentImpl::getEnvironmentVariable(const iastring& name)
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::getEnvironmentVariable(iastring)");
    SY_TRACE_PARAMETERS(name);
    const auto found = find(name);
    return SY_RETURN_TRACED(found != m_variables.end() ? found->second : iastring());
}

PSyEnvironmentIterator CSyProcessEnvironmentImpl::getEnvironmentVariables()
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::getEnvironmentVariables()");
    return PSyEnvironmentIterator(new CIaContainerIter<CSyEnvironmentVariable>(m_variables));
}

unsigned long CSyProcessEnvironmentImpl::getUmask()
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::getUmask()");
    return m_umask;
}

void CSyProcessEnvironmentImpl::setUmask(unsigned long mask)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyProcessEnvironmentImpl::setUmask(" + syslib::toString(mask) + L")"
                               : iastring());
    m_umask = mask;
}

iastring CSyProcessEnvironmentImpl::getWorkingDirectory()
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::getWorkingDirectory()");
    return SY_RETURN_TRACED(m_workingDirectory);
}

void CSyProcessEnvironmentImpl::setWorkingDirectory(const iastring& directory)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyProcessEnvironmentImpl::setWorkingDirectory(" + directory + L")"
                                               : iastring());
    m_workingDirectory = directory;
}

void CSyProcessEnvironmentImpl::setUser(PSyUser user, const iastring& password)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyProcessEnvironmentImpl::setUser(" + accountName(user) + L", pasword)"
                               : iastring());
    m_user = user;
    m_userPassword = password;
}

PSyUser CSyProcessEnvironmentImpl::getUser()
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::getUser()");
    return m_user;
}

void CSyProcessEnvironmentImpl::setGroup(PSyGroup group)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyProcessEnvironmentImpl::setGroup(" + accountName(group) + L")"
                                               : iastring());
    m_group = group;
}

PSyGroup CSyProcessEnvironmentImpl::getGroup()
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::getGroup()");
    return m_group;
}

void CSyProcessEnvironmentImpl::setEffectiveUser(PSyUser user, const iastring& password)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyProcessEnvironmentImpl::setEffectiveUser(" + accountName(user) + L", pasword)"
                               : iastring());
    m_effectiveUser = user;
    m_effectiveUserPassword = password;
}

PSyUser CSyProcessEnvironmentImpl::getEffectiveUser()
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::getEffectiveUser()");
    return m_effectiveUser;
}

void CSyProcessEnvironmentImpl::setEffectiveGroup(PSyGroup group)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyProcessEnvironmentImpl::setEffectiveGroup(" + accountName(group) + L")"
                               : iastring());
    m_effectiveGroup = group;
}

PSyGroup CSyProcessEnvironmentImpl::getEffectiveGroup()
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::getEffectiveGroup()");
    return m_effectiveGroup;
}

unsigned long CSyProcessEnvironmentImpl::getResourceLimit(ISyProcessEnvironment::Resource)
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::getResourceLimit(ISyProcessEnvironment::Resource)");
    syslib::throwFunctionNotSupported(L"CSyProcessEnvironmentImpl::getResourceLimit(ISyProcessEnvironment::Resource)",
                                      __LINE__);
}

void CSyProcessEnvironmentImpl::setResourceLimit(ISyProcessEnvironment::Resource, unsigned long)
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::setResourceLimit(ISyProcessEnvironment::Resource, unsigned long)");
    syslib::throwFunctionNotSupported(
        L"CSyProcessEnvironmentImpl::setResourceLimit(ISyProcessEnvironment::Resource, unsigned long)", __LINE__);
}

unsigned long CSyProcessEnvironmentImpl::getAvailableResources(ISyProcessEnvironment::Resource)
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::getAvailableResources(ISyProcessEnvironment::Resource)");
    syslib::throwFunctionNotSupported(
        L"CSyProcessEnvironmentImpl::getAvailableResources(ISyProcessEnvironment::Resource)", __LINE__);
}

iastring CSyProcessEnvironmentImpl::dump()
{
    SY_TRACE_FUNCTION(L"CSyProcessEnvironmentImpl::dump()");
    const iastring user = accountName(m_user);
    return syslib::formatEnvironmentDump(&m_variables, false, &user, &m_workingDirectory);
}

namespace syslib
{
iastring formatEnvironmentDump(const std::vector<CSyEnvironmentVariable>* variables, bool someUnreadable,
                               const iastring* userName, const iastring* workingDirectory)
{
    iastring text = L"Process environment\n===================\nEnvironment Variables\n=====================\n";
    if (variables)
    {
        for (const CSyEnvironmentVariable& variable : *variables)
            text += variable.first + L" = " + variable.second + L"\n";
        if (someUnreadable)
            text += L"<incomplete: could not get environment variable>\n";
    }
    else
        text += L"<incomplete: could not get environment variables>\n";
    text += userName ? L"User: " + *userName + L"\n" : iastring(L"<Could not get user.>\n");
    text += workingDirectory ? L"Working directory: " + *workingDirectory + L"\n"
                             : iastring(L"Working directory: <Could not get working directory.>\n");
    return text + L"\n";
}
} // namespace syslib

std::wostream& operator<<(std::wostream& os, ISyProcessEnvironment::Resource value)
{
    static const syslib::CSyEnumName names[] = {
        {ISyProcessEnvironment::RES_CPU_TIME, L"RES_CPU_TIME"},
        {ISyProcessEnvironment::RES_FILE_SIZE, L"RES_FILE_SIZE"},
        {ISyProcessEnvironment::RES_DATA_SIZE, L"RES_DATA_SIZE"},
        {ISyProcessEnvironment::RES_STACK_SIZE, L"RES_STACK_SIZE"},
        {ISyProcessEnvironment::RES_CORE_SIZE, L"RES_CORE_SIZE"},
        {ISyProcessEnvironment::RES_OPEN_FILES, L"RES_OPEN_FILES"},
        {ISyProcessEnvironment::RES_VIRTUAL_MEMORY, L"RES_VIRTUAL_MEMORY"},
    };
    return syslib::writeEnumName(os, value, names);
}
