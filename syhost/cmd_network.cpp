// The hosts and services files, name resolution and the machine's network identity: what an
// administrator checks when an installed server cannot reach itself. --file works on a copy first.
#include "hostcommand.h"
#include "syslib/network/synetworkmgt.h"

#include <cwctype>

namespace
{
typedef ISyServicesEntry S;

CHostJson items(const IaPtr<IIaPIterGeneric<iastring>>& it)
{
    CHostJson all = CHostJson::array();
    for (it->first(); !it->isDone(); it->next())
        all.push_back(utf8(it->get()));
    return all;
}

CHostJson hostsEntry(const PSyHostsEntry& entry)
{
    return {{"addresses", items(entry->getIPAddresses())}, {"names", items(entry->getHostNames())}};
}

void renderHostsEntry(const CHostJson& entry, std::wostream& out)
{
    const CHostJson& addresses = entry["addresses"];
    out << (addresses.empty() ? iastring() : text(addresses[0])) << L"\t";
    const CHostJson& names = entry["names"];
    for (std::size_t i = 0; i < names.size(); ++i)
        out << (i ? L" " : L"") << text(names[i]);
    out << L"\n";
}

CHostJson servicesEntry(const PSyServicesEntry& entry)
{
    return {{"names", items(entry->getServiceNames())},
            {"port", entry->getPortNumber()},
            {"protocol", utf8(entry->getProtocol())}};
}

void renderServicesEntry(const CHostJson& entry, std::wostream& out)
{
    const CHostJson& names = entry["names"];
    out << (names.empty() ? iastring() : text(names[0])) << L"\t" << entry["port"].get<unsigned int>() << L"/"
        << text(entry["protocol"]);
    for (std::size_t i = 1; i < names.size(); ++i)
        out << (i == 1 ? L"\t" : L" ") << text(names[i]);
    out << L"\n";
}

// "PORT/PROTOCOL" with a port of 1 to 65535.
bool parsePortProtocol(const iastring& text, unsigned int& port, iastring& protocol)
{
    const iastring::size_type slash = text.find(L'/');
    if (slash == iastring::npos || slash == 0 || slash > 5 || slash + 1 >= text.size())
        return false;
    port = 0;
    for (iastring::size_type i = 0; i < slash; ++i)
    {
        if (!std::iswdigit(text[i]))
            return false;
        port = port * 10 + static_cast<unsigned int>(text[i] - L'0');
    }
    protocol = text.substr(slash + 1);
    return port > 0 && port <= 65535;
}

const std::pair<const char*, S::eWriteMode> servicesModes[] = {{"APPEND", S::APPEND},
                                                                {"REPLACE", S::REPLACE},
                                                                {"REPLACE_NAME", S::REPLACE_NAME},
                                                                {"REMOVE", S::REMOVE},
                                                                {"REMOVE_NAME", S::REMOVE_NAME}};

CLI::Option* addFileOption(CLI::App& verb, std::string& file, const char* which)
{
    verb.fallthrough();
    return verb.add_option("--file", file, std::string("work on this file instead of the system's ") + which + " file")
        ->check(nonEmpty());
}

class CHostsCommand : public CHostCommand
{
public:
    CHostsCommand()
        : CHostCommand("hosts", "list|get NAME|add ADDRESS NAME [ALIAS...] [--replace] [--file PATH]",
                       "the hosts file: its entries, the entry of a name, a new entry",
                       "syhost hosts add 10.0.0.5 app app.example.com --replace")
    {
    }
    void define(CLI::App& command) override
    {
        command.require_subcommand(1);
        m_list = command.add_subcommand("list", "every entry");
        m_get = command.add_subcommand("get", "the entry that carries NAME; exit code 1 when there is none");
        m_get->add_option("name", m_name, "a host name or alias")->required()->check(nonEmpty());
        m_add = command.add_subcommand("add", "a new entry");
        m_add->add_option("address", m_address, "the IP address")->required()->check(nonEmpty());
        m_add->add_option("names", m_names, "the host name, then its aliases")->required();
        m_add->add_flag("--replace", m_replace, "first drop the lines of ADDRESS");
        for (CLI::App* verb : {m_list, m_get, m_add})
            addFileOption(*verb, m_file, "hosts");
    }
    CHostResult run(CHostContext& context) override
    {
        ISyNetworkMgt* network = context.factory->getNetworkMgt();
        const iastring file = wide(m_file);
        CHostResult result;
        if (*m_list)
        {
            result.document["entries"] = CHostJson::array();
            const PSyHostsEntryIterator it = network->getHostsEntries(file);
            for (it->first(); !it->isDone(); it->next())
                result.document["entries"].push_back(hostsEntry(it->get()));
            return result;
        }
        const PSyHostsEntry entry = network->createHostEntry();
        if (!file.empty())
            entry->setFilePath(file);
        if (*m_get)
        {
            entry->addName(wide(m_name));
            if (entry->getFromHosts())
                result.document["entry"] = hostsEntry(entry);
            else
                result.fail(L"NotFound", L"no entry carries " + wide(m_name) + L" in " +
                                             (file.empty() ? iastring(L"the hosts file") : file));
            return result;
        }
        entry->addIPAddress(wide(m_address));
        for (const std::string& name : m_names)
            entry->addName(wide(name));
        entry->addToHosts(m_replace ? ISyHostsEntry::REPLACE : ISyHostsEntry::APPEND);
        result.document["added"] = hostsEntry(entry);
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        if (document.contains("entries"))
            for (const CHostJson& entry : document["entries"])
                renderHostsEntry(entry, out);
        if (document.contains("entry"))
            renderHostsEntry(document["entry"], out);
        if (document.contains("added"))
        {
            out << L"added ";
            renderHostsEntry(document["added"], out);
        }
    }

private:
    CLI::App* m_list = nullptr;
    CLI::App* m_get = nullptr;
    CLI::App* m_add = nullptr;
    std::string m_file;
    std::string m_name;
    std::string m_address;
    std::vector<std::string> m_names;
    bool m_replace = false;
} hosts;

CLI::Validator portProtocol()
{
    return CLI::Validator(
        [](std::string& value) {
            unsigned int port = 0;
            iastring protocol;
            return parsePortProtocol(wide(value), port, protocol) ? std::string()
                                                                 : "PORT/PROTOCOL with a port of 1 to 65535";
        },
        "PORT/PROTOCOL");
}

class CServicesCommand : public CHostCommand
{
public:
    CServicesCommand()
        : CHostCommand("services",
                       "get NAME[/PROTOCOL]|PORT/PROTOCOL | add NAME PORT/PROTOCOL [ALIAS...] [--mode MODE] [--file "
                       "PATH]",
                       "the services file: the entry of a name or port, a new or removed entry",
                       "syhost services add sapdp00 3200/tcp --mode REPLACE_NAME")
    {
    }
    void define(CLI::App& command) override
    {
        command.require_subcommand(1);
        m_get = command.add_subcommand("get", "the entry of a name (TCP unless a protocol is named) or of a port");
        m_get->add_option("service", m_name, "NAME, NAME/PROTOCOL or PORT/PROTOCOL")->required()->check(nonEmpty());
        m_add = command.add_subcommand("add", "add, replace or remove an entry");
        m_add->add_option("name", m_name, "the service's name")->required()->check(nonEmpty());
        m_add->add_option("port", m_port, "PORT/PROTOCOL")->required()->check(portProtocol());
        m_add->add_option("aliases", m_aliases, "the service's aliases");
        std::vector<std::string> modes;
        for (const auto& mode : servicesModes)
            modes.push_back(mode.first);
        m_add->add_option("--mode", m_mode, "APPEND, REPLACE, REPLACE_NAME, REMOVE or REMOVE_NAME (APPEND)")
            ->check(CLI::IsMember(modes));
        for (CLI::App* verb : {m_get, m_add})
            addFileOption(*verb, m_file, "services");
    }
    CHostResult run(CHostContext& context) override
    {
        const PSyServicesEntry entry = context.factory->getNetworkMgt()->createServicesEntry();
        if (!m_file.empty())
            entry->setFilePath(wide(m_file));
        unsigned int port = 0;
        iastring protocol;
        CHostResult result;
        if (*m_get)
        {
            // NAME, NAME/PROTOCOL or PORT/PROTOCOL; TCP unless a protocol is named.
            const iastring service = wide(m_name);
            if (parsePortProtocol(service, port, protocol))
                entry->setPort(port);
            else
            {
                const iastring::size_type slash = service.find(L'/');
                entry->addName(service.substr(0, slash));
                protocol = slash == iastring::npos ? L"tcp" : service.substr(slash + 1);
            }
            entry->setProtocol(protocol);
            if (entry->getFromServicesFile())
                result.document["entry"] = servicesEntry(entry);
            else
                result.fail(L"NotFound", L"no entry for " + service + L" in " +
                                             (m_file.empty() ? iastring(L"the services file") : wide(m_file)));
            return result;
        }
        parsePortProtocol(wide(m_port), port, protocol);
        S::eWriteMode mode = S::APPEND;
        for (const auto& name : servicesModes)
            if (m_mode == name.first)
                mode = name.second;
        entry->set(wide(m_name), protocol, port);
        for (const std::string& alias : m_aliases)
            entry->addName(wide(alias));
        const bool removing = (mode & 4) != 0;
        if (removing)
            entry->removeFromServices(mode);
        else
            entry->addToServices(mode);
        result.document[removing ? "removed" : "added"] = servicesEntry(entry);
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        if (document.contains("entry"))
            renderServicesEntry(document["entry"], out);
        for (const char* done : {"added", "removed"})
            if (document.contains(done))
            {
                out << wide(done) << L" ";
                renderServicesEntry(document[done], out);
            }
    }

private:
    CLI::App* m_get = nullptr;
    CLI::App* m_add = nullptr;
    std::string m_file;
    std::string m_name;
    std::string m_port;
    std::vector<std::string> m_aliases;
    std::string m_mode = "APPEND";
} services;

class CResolveCommand : public CHostCommand
{
public:
    CResolveCommand()
        : CHostCommand("resolve", "NAME|ADDRESS", "the addresses of a host name, or the names of an address",
                       "syhost resolve localhost")
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("host", m_host, "a host name or an IPv4 address")->required()->check(nonEmpty());
    }
    CHostResult run(CHostContext& context) override
    {
        const PSyIPNameResolver resolver = context.factory->getNetworkMgt()->getNameResolver();
        const iastring host = wide(m_host);
        const bool isAddress = host.find_first_not_of(L"0123456789.") == iastring::npos;
        CHostResult result;
        result.document = hostsEntry(isAddress ? resolver->getHostByAddress(host) : resolver->getHostByName(host));
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override { renderHostsEntry(document, out); }

private:
    std::string m_host;
} resolve;

class CNicsCommand : public CHostCommand
{
public:
    CNicsCommand() : CHostCommand("nics", "", "the network interfaces with their addresses", "syhost --json nics") {}
    void define(CLI::App&) override {}
    CHostResult run(CHostContext& context) override
    {
        CHostResult result;
        result.document["interfaces"] = CHostJson::array();
        const PSyNICIterator nics = context.factory->getNetworkMgt()->getNICs();
        for (nics->first(); !nics->isDone(); nics->next())
        {
            CHostJson nic = {{"name", utf8(nics->get()->getName())}, {"addresses", CHostJson::array()}};
            const PSyNICIPAddressIterator addresses = nics->get()->getIPAddresses();
            for (addresses->first(); !addresses->isDone(); addresses->next())
                nic["addresses"].push_back({{"address", utf8(addresses->get()->getIPAddress())},
                                            {"netmask", utf8(addresses->get()->getSubnetMask())}});
            result.document["interfaces"].push_back(nic);
        }
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        for (const CHostJson& nic : document["interfaces"])
        {
            out << L"interface " << text(nic["name"]) << L"\n";
            for (const CHostJson& address : nic["addresses"])
                out << L"  " << text(address["address"]) << L" netmask " << text(address["netmask"]) << L"\n";
        }
    }
} nics;

class CHostnameCommand : public CHostCommand
{
public:
    CHostnameCommand()
        : CHostCommand("hostname", "", "host name, DNS domain and fully qualified name",
                       "syhost --override host-name=appserver hostname")
    {
    }
    void define(CLI::App&) override {}
    CHostResult run(CHostContext& context) override
    {
        ISyPrivilegedNetworkMgt* network = context.factory->getPrivilegedNetworkMgt();
        CHostResult result;
        CHostJson& document = result.document;
        document["hostName"] = utf8(network->getHostName());
        document["overridden"] = !network->getOverriddenHostName().empty();
        document["realHostName"] = utf8(network->getRealHostName());
        // A machine without a DNS domain still has a name: say why the rest is missing.
        try
        {
            document["dnsDomain"] = utf8(network->getDNSDomainName());
            document["fullyQualified"] = utf8(network->getFullyQualifiedHostName());
        }
        catch (const EVantixException& exception)
        {
            result.fail(exception, *context.logBook);
        }
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        out << L"host name        " << text(document["hostName"]);
        if (document["overridden"].get<bool>())
            out << L" (overridden, real " << text(document["realHostName"]) << L")";
        out << L"\n";
        if (document.contains("dnsDomain"))
            out << L"DNS domain       " << text(document["dnsDomain"]) << L"\n";
        if (document.contains("fullyQualified"))
            out << L"fully qualified  " << text(document["fullyQualified"]) << L"\n";
    }
} hostname;
} // namespace
