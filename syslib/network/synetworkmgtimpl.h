// The network manager: lives from its first request until the library is unloaded. Its host name
// cache, override and hook are process-wide.
#pragma once

#include "synetworkmgt.h"

class CSyNetworkMgtImpl : public CSyGenericImpl
{
public:
    CSyNetworkMgtImpl();

    iastring getRealHostName() const;
    iastring getHostName() const;
    iastring getDNSDomainName() const;
    PSyNICIterator getNICs() const;
    PSyNIC getNIC(const iastring& nicName) const;
    PSyIPNameResolver getNameResolver() const;
    PSyHostsEntry createHostEntry() const;
    PSyServicesEntry createServicesEntry() const;
    PSyFSPath getHostsFile() const;
    PSyFSPath getServicesFile() const;
    iastring getFullyQualifiedHostName() const;
    PSyHostsEntryIterator getHostsEntries(const iastring& hostsFile) const;

    void overrideHostName(const iastring& value);
    void setHostNameHook(OverrideHook* hook);
    OverrideHook* getHostNameHook();
    const iastring& getOverriddenHostName();
};

class CSyNetworkMgt : public CSyManagerHandle<ISyPrivilegedNetworkMgt, CSyNetworkMgtImpl>
{
public:
    iastring getRealHostName() const override { return SY_FORWARD(m_impl.getRealHostName()); }
    iastring getHostName() const override { return SY_FORWARD(m_impl.getHostName()); }
    iastring getDNSDomainName() const override { return SY_FORWARD(m_impl.getDNSDomainName()); }
    PSyNICIterator getNICs() const override { return SY_FORWARD(m_impl.getNICs()); }
    PSyNIC getNIC(const iastring& nicName) const override { return SY_FORWARD(m_impl.getNIC(nicName)); }
    PSyIPNameResolver getNameResolver() const override { return SY_FORWARD(m_impl.getNameResolver()); }
    PSyHostsEntry createHostEntry() const override { return SY_FORWARD(m_impl.createHostEntry()); }
    PSyServicesEntry createServicesEntry() const override { return SY_FORWARD(m_impl.createServicesEntry()); }
    PSyFSPath getHostsFile() const override { return SY_FORWARD(m_impl.getHostsFile()); }
    PSyFSPath getServicesFile() const override { return SY_FORWARD(m_impl.getServicesFile()); }
    iastring getFullyQualifiedHostName() const override { return SY_FORWARD(m_impl.getFullyQualifiedHostName()); }
    PSyHostsEntryIterator getHostsEntries(const iastring& hostsFile) const override
    {
        return SY_FORWARD(m_impl.getHostsEntries(hostsFile));
    }

    void overrideHostName(const iastring& value) override { return SY_FORWARD(m_impl.overrideHostName(value)); }
    void setHostNameHook(OverrideHook* hook) override { return SY_FORWARD(m_impl.setHostNameHook(hook)); }
    OverrideHook* getHostNameHook() override { return SY_FORWARD(m_impl.getHostNameHook()); }
    const iastring& getOverriddenHostName() override { return SY_FORWARD(m_impl.getOverriddenHostName()); }
};

namespace syslib
{
namespace network
{
// The system's files: the system directory, "\drivers\etc\", the name.
iastring getFileName(const iastring& file);
iastring hostsFilePath();
iastring servicesFilePath();

// The text after the first "." of a fully qualified host name; empty without one. Null is traced as "NULL".
iastring extractFQDNFromFQHN(const iastring* name);

// The sources of the DNS domain, the Windows half. The registry's text (registry values, kept once read;
// 0 or the code of the failure).
int NwParseResolvConf(iastring& domainText);
// Reads the registry again at the next NwParseResolvConf. Tests.
void forgetResolverConfiguration();
// The canonical name of host; false (traced) when the source has none. The name may be absent (null).
typedef bool (*CanonicalNameSource)(const iastring& host, bool& present, iastring& name);
bool canonicalNameFromGetaddrinfo(const iastring& host, bool& present, iastring& name);
bool canonicalNameFromGethostbyname(const iastring& host, bool& present, iastring& name);
// Tests replace the two name sources; null restores the real ones.
void setCanonicalNameSources(CanonicalNameSource getaddrinfoSource, CanonicalNameSource gethostbynameSource);
// Empties the host name cache. Tests.
void forgetHostName();
} // namespace network
} // namespace syslib
