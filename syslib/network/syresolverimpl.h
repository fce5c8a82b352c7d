// The resolver and the interface objects over the low-level layer (synwlow.h).
#pragma once

#include "syresolver.h"

#include <vector>

class CSyIPNameResolverImpl : public CSyGenericImpl
{
public:
    PSyServicesEntry getServiceByName(const iastring& serviceName, const iastring& protocol) const;
    PSyHostsEntry getHostByAddress(const iastring& ipAddress) const;
    PSyHostsEntry getHostByName(const iastring& hostName) const;
    PSyServicesEntry getServiceByPort(const unsigned int portNumber, const iastring& protocol) const;
    bool isNISRunning() const;
};

class CSyIPNameResolver : public CSyHandle<ISyIPNameResolver, CSyIPNameResolverImpl>
{
public:
    PSyServicesEntry getServiceByName(const iastring& serviceName, const iastring& protocol) const override
    {
        return SY_FORWARD(m_impl.getServiceByName(serviceName, protocol));
    }
    PSyHostsEntry getHostByAddress(const iastring& ipAddress) const override
    {
        return SY_FORWARD(m_impl.getHostByAddress(ipAddress));
    }
    PSyHostsEntry getHostByName(const iastring& hostName) const override
    {
        return SY_FORWARD(m_impl.getHostByName(hostName));
    }
    PSyServicesEntry getServiceByPort(const unsigned int portNumber, const iastring& protocol) const override
    {
        return SY_FORWARD(m_impl.getServiceByPort(portNumber, protocol));
    }
    bool isNISRunning() const override { return SY_FORWARD(m_impl.isNISRunning()); }
};

class CSyNICIPAddressImpl : public CSyGenericImpl
{
public:
    CSyNICIPAddressImpl(const iastring& ipAddress, const iastring& subnetMask)
        : m_ipAddress(ipAddress), m_subnetMask(subnetMask)
    {
    }
    iastring getIPAddress() const;
    iastring getSubnetMask() const;

private:
    iastring m_ipAddress;
    iastring m_subnetMask;
};

class CSyNICIPAddress : public CSyHandle<ISyNICIPAddress, CSyNICIPAddressImpl>
{
public:
    CSyNICIPAddress(const iastring& ipAddress, const iastring& subnetMask) : CSyHandle(ipAddress, subnetMask) {}
    iastring getIPAddress() const override { return SY_FORWARD(m_impl.getIPAddress()); }
    iastring getSubnetMask() const override { return SY_FORWARD(m_impl.getSubnetMask()); }
};

class CSyNICImpl : public CSyGenericImpl
{
public:
    CSyNICImpl(const iastring& nicName, const iastring& description) : m_name(nicName), m_description(description) {}
    iastring getName() const;
    PSyNICIPAddressIterator getIPAddresses() const;

private:
    iastring m_name;
    iastring m_description;
};

class CSyNIC : public CSyHandle<ISyNIC, CSyNICImpl>
{
public:
    CSyNIC(const iastring& nicName, const iastring& description) : CSyHandle(nicName, description) {}
    iastring getName() const override { return SY_FORWARD(m_impl.getName()); }
    PSyNICIPAddressIterator getIPAddresses() const override { return SY_FORWARD(m_impl.getIPAddresses()); }
};

namespace syslib
{
namespace network
{
struct NW_NIC_INFO;
// The low-level NIC list; its failure is reported ("syslib.network.getInfoFailed") and thrown.
const NW_NIC_INFO* nicRecords();
PSyNICIterator getNICs();
PSyNIC getNIC(const iastring& nicName);
} // namespace network
} // namespace syslib
