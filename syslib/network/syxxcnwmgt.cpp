// Portable code only: the network manager.
#include "synetworkmgtimpl.h"

#include "framework/iacontaineriter.h"
#include "syhostsentryimpl.h"
#include "synetworkutil.h"
#include "synwlow.h"
#include "syresolverimpl.h"
#include "syfileedit.h"
#include "syslib/filesystem/syfspathimpl.h"

SY_SOURCE_FILE(L"syxxcnwmgt")

using namespace syslib::network;

namespace
{
// Process-wide, shared by every manager object.
struct CHostNameState
{
    iastring cache;
    iastring override;
    OverrideHook* hook = nullptr;
};

CHostNameState& hostNameState()
{
    static CHostNameState state;
    return state;
}

CanonicalNameSource getaddrinfoSource = nullptr;
CanonicalNameSource gethostbynameSource = nullptr;

// One source of the DNS domain, with the trace lines around it.
iastring domainFromCanonicalName(CanonicalNameSource source, const iastring& host, const wchar_t* sourceName)
{
    bool present = false;
    iastring name;
    if (!source(host, present, name))
        return iastring();
    syslib::logBook().trace(iastring(L"Analyzing result of ") + sourceName + L":", __LINE__);
    const iastring domain = extractFQDNFromFQHN(present ? &name : nullptr);
    syslib::logBook().trace(iastring(L"DNS domain name from ") + sourceName + L": '" + domain + L"'.", __LINE__);
    return domain;
}
} // namespace

namespace syslib
{
namespace network
{
iastring hostsFilePath()
{
    return getFileName(L"hosts");
}

iastring servicesFilePath()
{
    return getFileName(L"services");
}

iastring extractFQDNFromFQHN(const iastring* name)
{
    if (name == nullptr)
    {
        syslib::logBook().trace(L"NULL", __LINE__);
        return iastring();
    }
    const iastring::size_type dot = name->find(L'.');
    return dot == iastring::npos ? iastring() : name->substr(dot + 1);
}

void setCanonicalNameSources(CanonicalNameSource getaddrinfo, CanonicalNameSource gethostbyname)
{
    getaddrinfoSource = getaddrinfo;
    gethostbynameSource = gethostbyname;
}

void forgetHostName()
{
    hostNameState().cache.clear();
}
} // namespace network
} // namespace syslib

CSyNetworkMgtImpl::CSyNetworkMgtImpl()
{
    SY_TRACE_CONSTRUCTOR(L"CSyNetworkMgtImpl::CSyNetworkMgtImpl()");
    const int code = NwInit();
    if (code != 0)
    {
        syslib::reportError(L"syslib.network.initializationError", {L"QELRETURN=" + syslib::toString(code)}, __LINE__);
        throw ESyNetworkLibraryInitError(code);
    }
}

iastring CSyNetworkMgtImpl::getRealHostName() const
{
    SY_TRACE_FUNCTION(L"iastring CSyNetworkMgtImpl::getRealHostName() const");
    iastring& cache = hostNameState().cache;
    if (cache.empty())
    {
        syslib::logBook().trace(L"Host name cache is still empty. Getting host name from the system.", __LINE__);
        char buffer[256] = {0};
        const int code = NwGetHostname(buffer);
        if (code != 0)
        {
            syslib::reportError(L"syslib.network.getInfoFailed",
                                {L"\"host name\"", L"QELRETURN=" + syslib::toString(code)}, __LINE__);
            throw ESyNetworkGetInfoFailed(code);
        }
        cache = toIastring(std::string(buffer));
    }
    else
        syslib::logBook().trace(L"Host name already in the cache.", __LINE__);
    syslib::logBook().trace(L"Host name is " + cache, __LINE__);
    return cache;
}

iastring CSyNetworkMgtImpl::getHostName() const
{
    SY_TRACE_FUNCTION(L"iastring CSyNetworkMgtImpl::getHostName() const");
    CHostNameState& state = hostNameState();
    if (state.hook)
        state.hook->run();
    return SY_RETURN_TRACED(state.override.empty() ? getRealHostName() : state.override);
}

iastring CSyNetworkMgtImpl::getDNSDomainName() const
{
    SY_TRACE_FUNCTION(L"iastring CSyNetworkMgtImpl::getDNSDomainName() const");
    ILogBook& book = syslib::logBook();
    iastring domain;
    const int code = NwParseResolvConf(domain);
    if (code != 0)
    {
        book.trace(L"NwParseResolvConf failed: " + syslib::toString(code), __LINE__);
        domain.clear();
    }
    const iastring::size_type colon = domain.find(L':');
    if (colon != iastring::npos)
        domain.erase(0, colon + 1);
    const iastring::size_type lineBreak = domain.find_first_of(L"\r\n");
    if (lineBreak != iastring::npos)
        domain.erase(lineBreak);
    book.trace(L"DNS domain name from NwParseResolvConf: '" + domain + L"'.", __LINE__);
    if (domain.empty())
    {
        book.trace(L"Could not get DNS domain name from NwParseResolvConf. Lets try getaddrinfo.", __LINE__);
        domain = domainFromCanonicalName(getaddrinfoSource ? getaddrinfoSource : canonicalNameFromGetaddrinfo,
                                         getRealHostName(), L"getaddrinfo");
    }
    if (domain.empty())
    {
        book.trace(L"Could not get DNS domain name from NwParseResolvConf and getaddrinfo. Lets try gethostbyname.",
                   __LINE__);
        domain = domainFromCanonicalName(gethostbynameSource ? gethostbynameSource : canonicalNameFromGethostbyname,
                                         getRealHostName(), L"gethostbyname");
    }
    if (domain.empty())
    {
        syslib::reportError(L"syslib.network.getInfoFailed",
                            {L"\"DNS domain name\"",
                             L"DNS domain name is not configured in resolv.conf (UNIX) or the registry (Windows) "
                             L"and neither getaddrinfo nor gethostbyname could retrieve it."},
                            __LINE__);
        throw ESyNetworkGetInfoFailed(0);
    }
    return SY_RETURN_TRACED(domain);
}

iastring CSyNetworkMgtImpl::getFullyQualifiedHostName() const
{
    SY_TRACE_FUNCTION(L"iastring CSyNetworkMgtImpl::getFullyQualifiedHostName() const");
    const iastring host = getHostName();
    if (host.find(L'.') != iastring::npos)
        return SY_RETURN_TRACED(host);
    return SY_RETURN_TRACED(host + L"." + getDNSDomainName());
}

PSyNICIterator CSyNetworkMgtImpl::getNICs() const
{
    SY_TRACE_FUNCTION(L"PSyNICIterator CSyNetworkMgtImpl::getNICs() const");
    return syslib::network::getNICs();
}

PSyNIC CSyNetworkMgtImpl::getNIC(const iastring& nicName) const
{
    SY_TRACE_FUNCTION(L"PSyNIC CSyNetworkMgtImpl::getNIC(const iastring& nicName) const");
    SY_TRACE_PARAMETERS(nicName);
    return syslib::network::getNIC(nicName);
}

PSyIPNameResolver CSyNetworkMgtImpl::getNameResolver() const
{
    SY_TRACE_FUNCTION(L"PSyIPNameResolver CSyNetworkMgtImpl::getNameResolver() const");
    return PSyIPNameResolver(new CSyIPNameResolver());
}

PSyHostsEntry CSyNetworkMgtImpl::createHostEntry() const
{
    SY_TRACE_FUNCTION(L"PSyHostsEntry CSyNetworkMgtImpl::createHostEntry() const");
    return PSyHostsEntry(new CSyHostsEntry(hostsFilePath()));
}

PSyServicesEntry CSyNetworkMgtImpl::createServicesEntry() const
{
    SY_TRACE_FUNCTION(L"PSyServicesEntry CSyNetworkMgtImpl::createServicesEntry() const");
    return PSyServicesEntry(new CSyServicesEntry(servicesFilePath()));
}

PSyFSPath CSyNetworkMgtImpl::getHostsFile() const
{
    SY_TRACE_FUNCTION(L"PSyFSPath CSyNetworkMgtImpl::getHostsFile() const");
    return PSyFSPath(new CSyFSPath(CSyPath(hostsFilePath())));
}

PSyFSPath CSyNetworkMgtImpl::getServicesFile() const
{
    SY_TRACE_FUNCTION(L"PSyFSPath CSyNetworkMgtImpl::getServicesFile() const");
    return PSyFSPath(new CSyFSPath(CSyPath(servicesFilePath())));
}

PSyHostsEntryIterator CSyNetworkMgtImpl::getHostsEntries(const iastring& hostsFile) const
{
    SY_TRACE_FUNCTION(L"PSyHostsEntryIterator CSyNetworkMgtImpl::getHostsEntries(const iastring& hostsFile) const");
    SY_TRACE_PARAMETERS(hostsFile);
    const iastring file = hostsFile.empty() ? hostsFilePath() : hostsFile;
    std::vector<PSyHostsEntry> entries;
    std::vector<iastring> lines;
    try
    {
        lines = readLines(file);
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
    for (const iastring& line : lines)
    {
        iastring address;
        std::vector<iastring> names;
        if (!CSyHostsEntryImpl::parseLine(line, address, names))
            continue;
        PSyHostsEntry entry(new CSyHostsEntry(file));
        entry->addIPAddress(address);
        for (const iastring& name : names)
            entry->addName(name);
        entries.push_back(entry);
    }
    return PSyHostsEntryIterator(new CIaContainerIter<PSyHostsEntry>(entries));
}

void CSyNetworkMgtImpl::overrideHostName(const iastring& value)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"void CSyNetworkMgtImpl::overrideHostName(const iastring & \"" + value + L"\")"
                               : iastring());
    iastring& current = hostNameState().override;
    if (value == current)
        return;
    current = value;
    if (value.empty())
        reportMessage(L"syslib.network.revertOverriddenHostName", {}, CMessage::LOG_WARNING, __LINE__);
    else
        reportMessage(L"syslib.network.overriddenHostName", {value}, CMessage::LOG_WARNING, __LINE__);
}

void CSyNetworkMgtImpl::setHostNameHook(OverrideHook* hook)
{
    SY_TRACE_FUNCTION(L"void CSyNetworkMgtImpl::setHostNameHook(OverrideHook* hook)");
    hostNameState().hook = hook;
}

OverrideHook* CSyNetworkMgtImpl::getHostNameHook()
{
    return hostNameState().hook;
}

const iastring& CSyNetworkMgtImpl::getOverriddenHostName()
{
    return hostNameState().override;
}
