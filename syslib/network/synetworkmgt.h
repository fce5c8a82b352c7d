// The network manager's interfaces, as the factory hands them out.
#pragma once

#include "syhostsentry.h"
#include "syresolver.h"
#include "syslib/common/sygeneric.h"
#include "syslib/filesystem/syfspath.h"
#include "syslib/system/sysysteminfo.h"

class ISyNetworkMgt : public ISyGeneric
{
public:
    // The system's host name, asked once per process.
    virtual iastring getRealHostName() const = 0;
    // The override when one is set, else the real name; runs the hook first.
    virtual iastring getHostName() const = 0;
    // From the registry, else getaddrinfo, else gethostbyname; none throws ESyNetworkGetInfoFailed.
    virtual iastring getDNSDomainName() const = 0;
    virtual PSyNICIterator getNICs() const = 0;
    virtual PSyNIC getNIC(const iastring& nicName) const = 0;
    virtual PSyIPNameResolver getNameResolver() const = 0;
    virtual PSyHostsEntry createHostEntry() const = 0;
    virtual PSyServicesEntry createServicesEntry() const = 0;
    virtual PSyFSPath getHostsFile() const = 0;
    virtual PSyFSPath getServicesFile() const = 0;
    // getHostName() and the DNS domain joined by "."; a host name that has a "." already is kept.
    virtual iastring getFullyQualifiedHostName() const = 0;
    // Every entry of a hosts file (the system's when empty), in file order.
    virtual PSyHostsEntryIterator getHostsEntries(const iastring& hostsFile) const = 0;
};

class ISyPrivilegedNetworkMgt : public ISyNetworkMgt
{
public:
    // An empty value removes the override.
    virtual void overrideHostName(const iastring& value) = 0;
    // The hook is not owned; null removes it.
    virtual void setHostNameHook(OverrideHook* hook) = 0;
    virtual OverrideHook* getHostNameHook() = 0;
    virtual const iastring& getOverriddenHostName() = 0;
};
