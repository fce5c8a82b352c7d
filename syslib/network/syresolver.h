// Name resolution (host names and addresses, service names and ports) and the machine's network
// interface cards with their addresses.
#pragma once

#include "syhostsentry.h"

class ISyIPNameResolver : public ISyGeneric
{
public:
    virtual PSyServicesEntry getServiceByName(const iastring& serviceName, const iastring& protocol) const = 0;
    virtual PSyHostsEntry getHostByAddress(const iastring& ipAddress) const = 0;
    virtual PSyHostsEntry getHostByName(const iastring& hostName) const = 0;
    virtual PSyServicesEntry getServiceByPort(const unsigned int portNumber, const iastring& protocol) const = 0;
    // Always false on this platform.
    virtual bool isNISRunning() const = 0;
};
typedef IaPtr<ISyIPNameResolver> PSyIPNameResolver;

class ISyNICIPAddress : public ISyGeneric
{
public:
    virtual iastring getIPAddress() const = 0;
    virtual iastring getSubnetMask() const = 0;
};
typedef IaPtr<ISyNICIPAddress> PSyNICIPAddress;
typedef IIaPIterGeneric<PSyNICIPAddress> ISyNICIPAddressIterator;
typedef IaPtr<ISyNICIPAddressIterator> PSyNICIPAddressIterator;

class ISyNIC : public ISyGeneric
{
public:
    virtual iastring getName() const = 0;
    virtual PSyNICIPAddressIterator getIPAddresses() const = 0;
};
typedef IaPtr<ISyNIC> PSyNIC;
typedef IIaPIterGeneric<PSyNIC> ISyNICIterator;
typedef IaPtr<ISyNICIterator> PSyNICIterator;
