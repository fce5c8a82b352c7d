// Portable code only: services entries, their lookup and their writing into the services file.
#include "syhostsentryimpl.h"

#include "framework/iacontaineriter.h"
#include "syfileedit.h"
#include "synetworkutil.h"
#include "syslib/common/syenumio.h"

#include <cwctype>

SY_SOURCE_FILE(L"syxxcsent")

using namespace syslib::network;

namespace
{
const wchar_t* const editServicesFunction = L"CSyServicesEntryImpl::editServices(ISyServicesEntry::eWriteMode mode)";

// "first second rest" of a services line, the way the edit compares them.
void firstTwoFields(const iastring& line, iastring& first, iastring& second)
{
    iastring rest;
    splitHeadTail(stringSubstituteAll(stringTrim(line), L"\t", L" "), L' ', first, rest);
    iastring more;
    splitHeadTail(stringTrimLeft(rest), L' ', second, more);
    first = stringTrim(first);
}

bool addsNoLine(ISyServicesEntry::eWriteMode mode)
{
    return (mode & 4) && (mode & 3);
}
} // namespace

std::wostream& operator<<(std::wostream& os, ISyServicesEntry::eWriteMode value)
{
    if (value == ISyServicesEntry::APPEND)
        return os << L"APPEND";
    static const syslib::CSyEnumName names[] = {{ISyServicesEntry::REPLACE, L"REPLACE"},
                                                {ISyServicesEntry::REPLACE_NAME, L"REPLACE_NAME"},
                                                {ISyServicesEntry::REMOVE, L"REMOVE"},
                                                {ISyServicesEntry::REMOVE_NAME, L"REMOVE_NAME"}};
    return syslib::writeFlagNames(os, value, names);
}

void CSyServicesEntryImpl::clear()
{
    SY_TRACE_FUNCTION(L"void CSyServicesEntryImpl::clear()");
    m_serviceNames.clear();
    m_protocol.clear();
    m_portNumber = 0;
}

void CSyServicesEntryImpl::addName(const iastring& serviceName)
{
    static const wchar_t* const function = L"void CSyServicesEntryImpl::addName(const iastring& serviceName)";
    SY_TRACE_FUNCTION_TEXT(function);
    SY_TRACE_PARAMETERS(serviceName);
    const iastring name = stringTrim(serviceName);
    if (name.empty())
        syslib::throwParameterEmpty(L"serviceName", function, __LINE__);
    m_serviceNames.push_back(name);
}

void CSyServicesEntryImpl::setPort(unsigned int portNumber)
{
    static const wchar_t* const function = L"void CSyServicesEntryImpl::setPort(unsigned int portNumber)";
    SY_TRACE_FUNCTION_TEXT(function);
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(syslib::toString(portNumber));
    if (!isPortNumber(portNumber))
        syslib::throwParameterNotValid(L"portNumber", function, __LINE__);
    m_portNumber = portNumber;
}

PSyServiceNameIterator CSyServicesEntryImpl::getServiceNames() const
{
    SY_TRACE_FUNCTION(L"PSyServiceNameIterator CSyServicesEntryImpl::getServiceNames() const");
    return PSyServiceNameIterator(new CIaContainerIter<iastring>(m_serviceNames));
}

void CSyServicesEntryImpl::set(const iastring& serviceName, const iastring& protocol, unsigned int portNumber)
{
    static const wchar_t* const function = L"void CSyServicesEntryImpl::set(const iastring& serviceName, const "
                                           L"iastring& protocol, unsigned int portNumber)";
    SY_TRACE_FUNCTION_TEXT(function);
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(serviceName + L", " + protocol + L", " + syslib::toString(portNumber));
    const iastring name = stringTrim(serviceName);
    const iastring trimmedProtocol = stringTrim(protocol);
    if (name.empty())
        syslib::throwParameterEmpty(L"serviceName", function, __LINE__);
    if (trimmedProtocol.empty())
        syslib::throwParameterEmpty(L"protocol", function, __LINE__);
    if (!isPortNumber(portNumber))
        syslib::throwParameterNotValid(L"portNumber", function, __LINE__);
    clear();
    m_serviceNames.push_back(name);
    m_protocol = trimmedProtocol;
    m_portNumber = portNumber;
}

void CSyServicesEntryImpl::setProtocol(const iastring& protocol)
{
    static const wchar_t* const function = L"void CSyServicesEntryImpl::setProtocol(const iastring& protocol)";
    SY_TRACE_FUNCTION_TEXT(function);
    SY_TRACE_PARAMETERS(protocol);
    const iastring trimmed = stringTrim(protocol);
    if (trimmed.empty())
        syslib::throwParameterEmpty(L"protocol", function, __LINE__);
    m_protocol = trimmed;
}

void CSyServicesEntryImpl::setFilePath(const iastring& path)
{
    static const wchar_t* const function = L"void CSyServicesEntryImpl::setFilePath(const iastring& path)";
    SY_TRACE_FUNCTION_TEXT(function);
    SY_TRACE_PARAMETERS(path);
    if (path.empty())
        syslib::throwParameterEmpty(L"path", function, __LINE__);
    m_filePath = path;
}

iastring CSyServicesEntryImpl::toLine() const
{
    // A first name that is a comment cannot stand first: it goes with the aliases.
    const bool firstIsComment = !m_serviceNames.empty() && isComment(m_serviceNames[0]);
    iastring line = (m_serviceNames.empty() || firstIsComment ? iastring() : m_serviceNames[0]) + L"\t" +
                    syslib::toString(m_portNumber) + L"/" + m_protocol + L"\t";
    for (std::size_t i = firstIsComment ? 0 : 1; i < m_serviceNames.size(); ++i)
        line += m_serviceNames[i] + L" ";
    return stringTrimRight(line);
}

void CSyServicesEntryImpl::addToServices(ISyServicesEntry::eWriteMode mode) const
{
    SY_TRACE_FUNCTION(L"void CSyServicesEntryImpl::addToServices(ISyServicesEntry::eWriteMode mode) const");
    editServices(mode);
}

void CSyServicesEntryImpl::removeFromServices(ISyServicesEntry::eWriteMode mode) const
{
    SY_TRACE_FUNCTION(L"void CSyServicesEntryImpl::removeFromServices(ISyServicesEntry::eWriteMode mode) const");
    editServices(mode);
}

void CSyServicesEntryImpl::editServices(ISyServicesEntry::eWriteMode mode) const
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyServicesEntryImpl::editServices(ISyServicesEntry::eWriteMode " +
                                                     syslib::toString(mode) + L") const"
                                               : iastring());
    if (m_portNumber == 0)
        throwAttributeNotValid(L"0", L"m_portNumber", __LINE__);
    if (m_protocol.empty())
        throwAttributeEmpty(L"m_protocol", editServicesFunction, __LINE__);
    if (m_serviceNames.empty())
        throwAttributeEmpty(L"m_serviceNames", editServicesFunction, __LINE__);
    if (isComment(m_serviceNames[0]))
        throwAttributeNotValid(m_serviceNames[0], L"m_serviceNames[0]", __LINE__);

    const iastring portProtocol = syslib::toString(m_portNumber) + L"/" + m_protocol;
    const iastring& name = m_serviceNames[0];
    CSyLineFilter keep;
    if (mode & (ISyServicesEntry::REPLACE | ISyServicesEntry::REPLACE_NAME))
        keep = [&](const iastring& line) {
            // A commented-out entry is someone's note, whatever its fields say.
            if (isComment(stringTrimLeft(line)))
                return true;
            iastring first;
            iastring second;
            firstTwoFields(line, first, second);
            if ((mode & ISyServicesEntry::REPLACE_NAME) && first == name)
            {
                syslib::logBook().log(L"Writing services: Skipping entry with name " + first, __LINE__);
                return false;
            }
            if ((mode & ISyServicesEntry::REPLACE) && second == portProtocol)
            {
                syslib::logBook().log(L"Writing services: Skipping entry with port/protocol " + second, __LINE__);
                return false;
            }
            return true;
        };
    const iastring newLine = addsNoLine(mode) ? iastring() : toLine();
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
        reportMessage(L"syslib.network.exceptionAddToServices", {}, CMessage::LOG_ERROR, __LINE__);
        throw ESyNetworkSystemError();
    }
    if (!newLine.empty())
        syslib::logBook().log(L"Appended '" + newLine + L"' to /etc/services.", __LINE__);
    reportMessage(L"syslib.network.fileWriteOK", {toLine(), m_filePath}, CMessage::LOG_INFO, __LINE__);
}

bool CSyServicesEntryImpl::getFromServices()
{
    SY_TRACE_FUNCTION(L"bool CSyServicesEntryImpl::getFromServices()");
    if (m_protocol.empty())
    {
        syslib::logBook().log(L"Protocol not specified. No match possible.", __LINE__);
        return false;
    }
    if (m_portNumber == 0 && m_serviceNames.empty())
    {
        syslib::logBook().log(L"Portnumber and Servicenames not specified. No match possible.", __LINE__);
        return false;
    }
    const iastring before = toLine();
    std::vector<iastring> names;
    iastring protocol;
    unsigned int port = 0;
    if (!lookUpServicesDatabase(names, protocol, port) || (m_portNumber != 0 && port != m_portNumber))
    {
        syslib::logBook().log(L"No match found in file '" + m_filePath + L"' for entry " + before, __LINE__);
        return false;
    }
    m_serviceNames = names;
    m_protocol = protocol;
    m_portNumber = port;
    syslib::logBook().log(L"Found match for entry " + before + L" in file '" + m_filePath + L"': " + toLine(), __LINE__);
    return true;
}

bool CSyServicesEntryImpl::getFromServicesFile()
{
    SY_TRACE_FUNCTION(L"bool CSyServicesEntryImpl::getFromServicesFile()");
    if (m_protocol.empty() || (m_portNumber == 0 && m_serviceNames.empty()))
        return false;
    const iastring before = toLine();
    try
    {
        for (const iastring& line : readLines(m_filePath))
        {
            iastring content;
            iastring comment;
            splitHeadTail(line, L'#', content, comment);
            std::vector<iastring> all;
            stringSplit(stringTrim(content), L" \t\r\f\v", all);
            std::vector<iastring> fields;
            for (const iastring& field : all)
                if (!field.empty())
                    fields.push_back(field);
            if (fields.size() < 2)
                continue;
            iastring portText;
            iastring protocol;
            splitHeadTail(fields[1], L'/', portText, protocol);
            if (protocol != m_protocol || !stringIsNumeral(portText) || portText.size() > 5)
                continue;
            const unsigned int port = static_cast<unsigned int>(std::stoul(portText));
            std::vector<iastring> lineNames{fields[0]};
            lineNames.insert(lineNames.end(), fields.begin() + 2, fields.end());
            bool matches = m_serviceNames.empty() ? port == m_portNumber : false;
            for (const iastring& candidate : lineNames)
                if (!m_serviceNames.empty() && candidate == m_serviceNames[0])
                    matches = m_portNumber == 0 || port == m_portNumber;
            if (!matches)
                continue;
            m_serviceNames = lineNames;
            m_portNumber = port;
            syslib::logBook().log(L"Found match for entry " + before + L" in file '" + m_filePath + L"': " + toLine(),
                                  __LINE__);
            return true;
        }
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
    syslib::logBook().log(L"No match found in file '" + m_filePath + L"' for entry " + before, __LINE__);
    return false;
}
