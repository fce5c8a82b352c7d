// Portable code only: the name resolver and the interface objects.
#include "syresolverimpl.h"

#include "framework/iacontaineriter.h"
#include "syhostsentryimpl.h"
#include "synetworkmgtimpl.h"
#include "synetworkutil.h"
#include "synwlow.h"

#include <cstring>

SY_SOURCE_FILE(L"syxxcresolv")

using namespace syslib::network;

namespace
{
iastring assigned(const iastring& label, const iastring& value)
{
    return label + L"=" + value;
}

[[noreturn]] void throwResolveError(const iastring& asked, const iastring& answer, int code, int line)
{
    syslib::reportError(L"syslib.network.resolveError",
                        {asked, answer, assigned(L"QELRETURN", syslib::toString(code))}, line);
    throw ESyNetworkResolveError(code);
}
} // namespace

PSyHostsEntry CSyIPNameResolverImpl::getHostByName(const iastring& hostName) const
{
    static const wchar_t* const function = L"CSyIPNameResolverImpl::getHostByName(const iastring& hostName)";
    SY_TRACE_FUNCTION_TEXT(function);
    SY_TRACE_PARAMETERS(hostName);
    if (hostName.empty())
        syslib::throwParameterEmpty(L"hostName", function, __LINE__);
    CNwSlots slots;
    CNwTook took;
    const int code = NwResolveHostname(hostName, slots, took);
    if (code != NW_OK)
        throwResolveError(assigned(L"host name", hostName), L"IP addresses", code, __LINE__);
    const std::vector<iastring> addresses = slotTexts(slots.get(), NW_ADDRESS_SLOT);
    PSyHostsEntry entry(new CSyHostsEntry(hostsFilePath()));
    entry->addName(hostName);
    for (const iastring& address : addresses)
        entry->addIPAddress(address);
    syslib::logBook().log(L"IP name " + hostName + L" resolves to IP address(es): " + joined(addresses, L", "),
                          __LINE__);
    return entry;
}

PSyHostsEntry CSyIPNameResolverImpl::getHostByAddress(const iastring& ipAddress) const
{
    static const wchar_t* const function = L"CSyIPNameResolverImpl::getHostByAddress(const iastring& ipAddress)";
    SY_TRACE_FUNCTION_TEXT(function);
    SY_TRACE_PARAMETERS(ipAddress);
    if (ipAddress.empty())
        syslib::throwParameterEmpty(L"ipAddress", function, __LINE__);
    CNwSlots slots;
    CNwTook took;
    const int code = NwResolveAddress(ipAddress, slots, took);
    if (code != NW_OK)
        throwResolveError(assigned(L"IP address", ipAddress), L"host names", code, __LINE__);
    const std::vector<iastring> names = slotTexts(slots.get(), NW_HOSTNAME_SLOT);
    PSyHostsEntry entry(new CSyHostsEntry(hostsFilePath()));
    entry->addIPAddress(ipAddress);
    for (const iastring& name : names)
        entry->addName(name);
    syslib::logBook().log(L"IP address " + ipAddress + L" resolves to IP name(s): " + joined(names, L", "), __LINE__);
    return entry;
}

PSyServicesEntry CSyIPNameResolverImpl::getServiceByName(const iastring& serviceName, const iastring& protocol) const
{
    static const wchar_t* const function =
        L"CSyIPNameResolverImpl::getServiceByName(const iastring& serviceName, const iastring& protocol)";
    SY_TRACE_FUNCTION_TEXT(function);
    SY_TRACE_PARAMETERS(serviceName + L", " + protocol);
    if (serviceName.empty())
        syslib::throwParameterEmpty(L"serviceName", function, __LINE__);
    if (protocol.empty())
        syslib::throwParameterEmpty(L"protocol", function, __LINE__);
    unsigned int port = 0;
    CNwTook took;
    const iastring asked = assigned(L"service name", serviceName) + L"/" + assigned(L"protocol", protocol);
    const int code = NwResolveServicename(serviceName, protocol, port, took);
    if (code != NW_OK)
        throwResolveError(asked, L"port number", code, __LINE__);
    PSyServicesEntry entry(new CSyServicesEntry(servicesFilePath()));
    entry->set(serviceName, protocol, port);
    syslib::logBook().log(asked + L" resolves to port number " + syslib::toString(port), __LINE__);
    return entry;
}

PSyServicesEntry CSyIPNameResolverImpl::getServiceByPort(const unsigned int portNumber, const iastring& protocol) const
{
    static const wchar_t* const function =
        L"CSyIPNameResolverImpl::getServiceByPort(const unsigned int portNumber, const iastring& protocol)";
    SY_TRACE_FUNCTION_TEXT(function);
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(syslib::toString(portNumber) + L", " + protocol);
    if (!isPortNumber(portNumber))
    {
        syslib::reportError(L"common.parameterNotValid", {L"portNumber", syslib::toString(portNumber), function},
                            __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    if (protocol.empty())
        syslib::throwParameterEmpty(L"protocol", function, __LINE__);
    CNwSlots slots;
    CNwTook took;
    const iastring asked =
        assigned(L"port number", syslib::toString(portNumber)) + L"/" + assigned(L"protocol", protocol);
    const int code = NwResolvePortnumber(portNumber, protocol, slots, took);
    if (code != NW_OK)
        throwResolveError(asked, L"service names", code, __LINE__);
    const std::vector<iastring> names = slotTexts(slots.get(), NW_SERVICE_SLOT);
    PSyServicesEntry entry(new CSyServicesEntry(servicesFilePath()));
    entry->setPort(portNumber);
    entry->setProtocol(protocol);
    for (const iastring& name : names)
        entry->addName(name);
    syslib::logBook().log(asked + L" resolves to service name(s): " + joined(names, L", "), __LINE__);
    return entry;
}

bool CSyIPNameResolverImpl::isNISRunning() const
{
    SY_TRACE_FUNCTION(L"bool CSyIPNameResolverImpl::isNISRunning() const");
    return false;
}

iastring CSyNICIPAddressImpl::getIPAddress() const
{
    SY_TRACE_FUNCTION(L"iastring CSyNICIPAddressImpl::getIPAddress() const");
    syslib::logBook().trace(L"NIC has IP address " + m_ipAddress, __LINE__);
    return m_ipAddress;
}

iastring CSyNICIPAddressImpl::getSubnetMask() const
{
    SY_TRACE_FUNCTION(L"iastring CSyNICIPAddressImpl::getSubnetMask() const");
    syslib::logBook().trace(L"NIC has subnet mask " + m_subnetMask, __LINE__);
    return m_subnetMask;
}

iastring CSyNICImpl::getName() const
{
    SY_TRACE_FUNCTION(L"iastring CSyNICImpl::getName() const");
    syslib::logBook().trace(L"NIC has name " + m_name, __LINE__);
    return m_name;
}

PSyNICIPAddressIterator CSyNICImpl::getIPAddresses() const
{
    SY_TRACE_FUNCTION(L"PSyNICIPAddressIterator CSyNICImpl::getIPAddresses() const");
    std::vector<PSyNICIPAddress> addresses;
    std::vector<iastring> described;
    for (const NW_NIC_INFO* record = nicRecords(); record; record = record->next)
    {
        const iastring name = toIastring(std::string(record->name));
        // "1:0" and the like are further addresses of the interface "1".
        if (name != m_name && name.compare(0, m_name.size() + 1, m_name + L":") != 0)
            continue;
        const iastring address = toIastring(std::string(record->ipAddress));
        const iastring mask = toIastring(std::string(record->netmask));
        addresses.push_back(PSyNICIPAddress(new CSyNICIPAddress(address, mask)));
        described.push_back(assigned(L"IP address", address) + L"/" + assigned(L"netmask", mask));
    }
    syslib::logBook().log(L"NIC has " + joined(described, L", "), __LINE__);
    return PSyNICIPAddressIterator(new CIaContainerIter<PSyNICIPAddress>(addresses));
}

namespace syslib
{
namespace network
{
const NW_NIC_INFO* nicRecords()
{
    const NW_NIC_INFO* list = nullptr;
    const int code = NwGetNIC_INFO(list);
    if (code != NW_OK)
    {
        syslib::reportError(L"syslib.network.getInfoFailed", {L"\"NIC info\"", L"QELRETURN=" + syslib::toString(code)},
                            __LINE__);
        throw ESyNetworkGetInfoFailed(code);
    }
    return list;
}

PSyNICIterator getNICs()
{
    std::vector<PSyNIC> nics;
    std::vector<iastring> names;
    for (const NW_NIC_INFO* record = nicRecords(); record; record = record->next)
    {
        names.push_back(toIastring(std::string(record->name)));
        nics.push_back(PSyNIC(new CSyNIC(names.back(), toIastring(std::string(record->description)))));
    }
    syslib::logBook().log(L"detected NICs: " + joined(names, L", "), __LINE__);
    return PSyNICIterator(new CIaContainerIter<PSyNIC>(nics));
}

PSyNIC getNIC(const iastring& nicName)
{
    for (const NW_NIC_INFO* record = nicRecords(); record; record = record->next)
    {
        if (toIastring(std::string(record->name)) != nicName)
            continue;
        const iastring description = toIastring(std::string(record->description));
        syslib::logBook().log(L"NIC " + nicName + L" does exist with description " + description, __LINE__);
        return PSyNIC(new CSyNIC(nicName, description));
    }
    syslib::reportError(L"syslib.network.doesNotExist", {L"NIC " + nicName}, __LINE__);
    throw ESyNetworkGetInfoFailed(0);
}
} // namespace network
} // namespace syslib
