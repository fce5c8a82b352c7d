// Portable code only: hosts entries, their lookup in the hosts file and their writing into it.
#include "syhostsentryimpl.h"

#include "framework/iacontaineriter.h"
#include "syfileedit.h"
#include "synetworkutil.h"
#include "syslib/common/syenumio.h"

#include <cwctype>

SY_SOURCE_FILE(L"syxxchsten")

using namespace syslib::network;

namespace
{
const wchar_t* const addToHostsFunction = L"CSyHostsEntryImpl::addToHosts(ISyHostsEntry::eWriteMode mode)";

// Without the comment, trimmed, each run of white space made one blank.
iastring normalisedHostsLine(const iastring& line)
{
    iastring content;
    iastring comment;
    splitHeadTail(line, L'#', content, comment);
    content = stringTrim(content);
    iastring collapsed;
    for (wchar_t c : content)
    {
        const bool space = std::iswspace(c) != 0;
        if (space && !collapsed.empty() && collapsed.back() == L' ')
            continue;
        collapsed += space ? L' ' : c;
    }
    return collapsed;
}

std::vector<iastring> splitNames(const iastring& text)
{
    std::vector<iastring> names;
    const iastring trimmed = stringTrim(text);
    if (!trimmed.empty())
        stringSplit(trimmed, L' ', names);
    return names;
}
} // namespace

std::wostream& operator<<(std::wostream& os, ISyHostsEntry::eWriteMode value)
{
    static const syslib::CSyEnumName names[] = {{ISyHostsEntry::APPEND, L"APPEND"}, {ISyHostsEntry::REPLACE, L"REPLACE"}};
    return syslib::writeEnumName(os, value, names);
}

void CSyHostsEntryImpl::clear()
{
    SY_TRACE_FUNCTION(L"void CSyHostsEntryImpl::clear()");
    m_ipAddresses.clear();
    m_ipNames.clear();
}

void CSyHostsEntryImpl::addName(const iastring& hostName)
{
    static const wchar_t* const function = L"void CSyHostsEntryImpl::addName(const iastring& hostName)";
    SY_TRACE_FUNCTION_TEXT(function);
    SY_TRACE_PARAMETERS(hostName);
    if (hostName.empty())
        syslib::throwParameterEmpty(L"hostName", function, __LINE__);
    m_ipNames.push_back(hostName);
}

void CSyHostsEntryImpl::addIPAddress(const iastring& ipAddress)
{
    static const wchar_t* const function = L"void CSyHostsEntryImpl::addIPAddress(const iastring& ipAddress)";
    SY_TRACE_FUNCTION_TEXT(function);
    SY_TRACE_PARAMETERS(ipAddress);
    if (ipAddress.empty())
        syslib::throwParameterEmpty(L"ipAddress", function, __LINE__);
    m_ipAddresses.push_back(ipAddress);
}

PSyIPNameIterator CSyHostsEntryImpl::getHostNames() const
{
    SY_TRACE_FUNCTION(L"PSyIPNameIterator CSyHostsEntryImpl::getHostNames() const");
    return PSyIPNameIterator(new CIaContainerIter<iastring>(m_ipNames));
}

PSyIPAddressIterator CSyHostsEntryImpl::getIPAddresses() const
{
    SY_TRACE_FUNCTION(L"PSyIPAddressIterator CSyHostsEntryImpl::getIPAddresses() const");
    return PSyIPAddressIterator(new CIaContainerIter<iastring>(m_ipAddresses));
}

void CSyHostsEntryImpl::set(const iastring& ipAddress, const iastring& hostName)
{
    static const wchar_t* const function =
        L"void CSyHostsEntryImpl::set(const iastring& ipAddress, const iastring& hostName)";
    SY_TRACE_FUNCTION_TEXT(function);
    SY_TRACE_PARAMETERS(ipAddress + L", " + hostName);
    if (ipAddress.empty())
        syslib::throwParameterEmpty(L"ipAddress", function, __LINE__);
    if (hostName.empty())
        syslib::throwParameterEmpty(L"hostName", function, __LINE__);
    clear();
    m_ipAddresses.push_back(ipAddress);
    m_ipNames.push_back(hostName);
}

void CSyHostsEntryImpl::setFilePath(const iastring& path)
{
    static const wchar_t* const function = L"void CSyHostsEntryImpl::setFilePath(const iastring& path)";
    SY_TRACE_FUNCTION_TEXT(function);
    SY_TRACE_PARAMETERS(path);
    if (path.empty())
        syslib::throwParameterEmpty(L"path", function, __LINE__);
    m_filePath = path;
}

iastring CSyHostsEntryImpl::toLine() const
{
    iastring line = (m_ipAddresses.empty() ? iastring() : m_ipAddresses[0]) + L"\t";
    for (const iastring& name : m_ipNames)
        line += name + L" ";
    return stringTrimRight(line);
}

bool CSyHostsEntryImpl::parseLine(const iastring& line, iastring& address, std::vector<iastring>& names)
{
    const iastring content = normalisedHostsLine(line);
    if (content.empty())
        return false;
    iastring rest;
    splitHeadTail(content, L' ', address, rest);
    names = splitNames(rest);
    return true;
}

bool CSyHostsEntryImpl::getFromHosts()
{
    SY_TRACE_FUNCTION(L"bool CSyHostsEntryImpl::getFromHosts()");
    const bool usableName = !m_ipNames.empty() && !isComment(m_ipNames[0]);
    if (m_ipAddresses.empty() && !usableName)
        return false;
    const iastring entryLine = toLine();
    if (m_ipAddresses.size() > 1)
        throwAttributeNotValid(m_ipAddresses[1], L"m_ipAddresses[1]", __LINE__);

    try
    {
        for (const iastring& line : readLines(m_filePath))
        {
            const iastring content = normalisedHostsLine(line);
            if (content.empty())
                continue;
            iastring address;
            iastring rest;
            splitHeadTail(content, L' ', address, rest);
            if (!m_ipAddresses.empty() && address != m_ipAddresses[0])
                continue;
            const iastring blankedRest = L" " + rest + L" ";
            bool allNames = true;
            for (const iastring& name : m_ipNames)
            {
                if (isComment(name))
                    break;
                if (blankedRest.find(L" " + name + L" ") == iastring::npos)
                {
                    allNames = false;
                    break;
                }
            }
            if (!allNames)
                continue;
            m_ipNames = splitNames(rest);
            m_ipAddresses.assign(1, address);
            syslib::logBook().log(L"first match for \"" + entryLine + L"\" in file " + m_filePath + L" is \"" + line +
                                      L"\"",
                                  __LINE__);
            return true;
        }
        syslib::logBook().log(L"no match for \"" + entryLine + L"\" in file " + m_filePath, __LINE__);
        return false;
    }
    catch (const std::bad_alloc&)
    {
        throw;
    }
    catch (...)
    {
        syslib::traceExceptionAt(__LINE__, syThisSourceFileName());
        throw ESyNetworkSystemError();
    }
}

void CSyHostsEntryImpl::addToHosts(ISyHostsEntry::eWriteMode mode) const
{
    SY_TRACE_FUNCTION(L"void CSyHostsEntryImpl::addToHosts(ISyHostsEntry::eWriteMode mode) const");
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(syslib::toString(mode));
    if (m_ipAddresses.empty())
        throwAttributeEmpty(L"m_ipAddresses", addToHostsFunction, __LINE__);
    if (m_ipAddresses.size() > 1)
        throwAttributeNotValid(m_ipAddresses[1], L"m_ipAddresses[1]", __LINE__);
    if (m_ipNames.empty())
        throwAttributeEmpty(L"m_ipNames", addToHostsFunction, __LINE__);
    if (isComment(m_ipNames[0]))
        throwAttributeNotValid(m_ipNames[0], L"m_ipNames[0]", __LINE__);

    const iastring newLine = toLine();
    const iastring& address = m_ipAddresses[0];
    CSyLineFilter keep;
    if (mode == ISyHostsEntry::REPLACE)
        keep = [&address](const iastring& line) {
            iastring first;
            iastring rest;
            splitHeadTail(stringSubstituteAll(stringTrim(line), L"\t", L" "), L' ', first, rest);
            return first != address;
        };
    try
    {
        editThroughTemporaryCopy(m_filePath, keep, newLine);
    }
    catch (const std::bad_alloc&)
    {
        throw;
    }
    catch (...)
    {
        syslib::traceExceptionAt(__LINE__, syThisSourceFileName());
        throw ESyNetworkSystemError();
    }
    reportMessage(L"syslib.network.fileWriteOK", {newLine, m_filePath}, CMessage::LOG_INFO, __LINE__);
}
