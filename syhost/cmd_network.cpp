// The hosts and services files, name resolution and the machine's network identity: what an
// administrator checks when an installed server cannot reach itself. --file works on a copy first.
#include "hostcommand.h"
#include "syslib/network/synetworkmgt.h"

#include <cwctype>

namespace
{
typedef ISyServicesEntry S;

// Takes "--file PATH" (and the flags given) out of the arguments; false on a flag without its value.
bool takeOptions(std::vector<iastring>& arguments, iastring& file, std::vector<std::pair<iastring, iastring*>> valued,
                 std::vector<std::pair<iastring, bool*>> flags)
{
    valued.push_back({L"--file", &file});
    std::vector<iastring> rest;
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        bool taken = false;
        for (auto& option : valued)
            if (arguments[i] == option.first)
            {
                if (i + 1 >= arguments.size())
                    return false;
                *option.second = arguments[++i];
                taken = true;
            }
        for (auto& flag : flags)
            if (arguments[i] == flag.first)
                taken = *flag.second = true;
        if (!taken && arguments[i].compare(0, 2, L"--") == 0)
            return false;
        if (!taken)
            rest.push_back(arguments[i]);
    }
    arguments = rest;
    return true;
}

std::vector<iastring> items(const IaPtr<IIaPIterGeneric<iastring>>& it)
{
    std::vector<iastring> all;
    for (it->first(); !it->isDone(); it->next())
        all.push_back(it->get());
    return all;
}

void printHostsEntry(std::wostream& out, const PSyHostsEntry& entry)
{
    const std::vector<iastring> addresses = items(entry->getIPAddresses());
    out << (addresses.empty() ? iastring() : addresses[0]) << L"\t";
    const std::vector<iastring> names = items(entry->getHostNames());
    for (std::size_t i = 0; i < names.size(); ++i)
        out << (i ? L" " : L"") << names[i];
    out << L"\n";
}

void printServicesEntry(std::wostream& out, const PSyServicesEntry& entry)
{
    const std::vector<iastring> names = items(entry->getServiceNames());
    out << (names.empty() ? iastring() : names[0]) << L"\t" << entry->getPortNumber() << L"/" << entry->getProtocol();
    for (std::size_t i = 1; i < names.size(); ++i)
        out << (i == 1 ? L"\t" : L" ") << names[i];
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

bool parseServicesMode(const iastring& text, S::eWriteMode& mode)
{
    const std::pair<const wchar_t*, S::eWriteMode> names[] = {{L"APPEND", S::APPEND},
                                                              {L"REPLACE", S::REPLACE},
                                                              {L"REPLACE_NAME", S::REPLACE_NAME},
                                                              {L"REMOVE", S::REMOVE},
                                                              {L"REMOVE_NAME", S::REMOVE_NAME}};
    for (const auto& name : names)
        if (text == name.first)
        {
            mode = name.second;
            return true;
        }
    return false;
}

int runHosts(CHostContext& context, const std::vector<iastring>& given)
{
    std::vector<iastring> arguments = given;
    iastring file;
    bool replace = false;
    if (!takeOptions(arguments, file, {}, {{L"--replace", &replace}}) || arguments.empty())
        return usageError(context, L"hosts");
    ISyNetworkMgt* manager = context.factory->getNetworkMgt();
    const iastring& action = arguments[0];
    if (action == L"list" && arguments.size() == 1 && !replace)
    {
        const PSyHostsEntryIterator it = manager->getHostsEntries(file);
        for (it->first(); !it->isDone(); it->next())
            printHostsEntry(context.out, it->get());
        return HOST_OK;
    }
    const PSyHostsEntry entry = manager->createHostEntry();
    if (!file.empty())
        entry->setFilePath(file);
    if (action == L"get" && arguments.size() == 2 && !replace)
    {
        entry->addName(arguments[1]);
        if (!entry->getFromHosts())
            return HOST_FAILED;
        printHostsEntry(context.out, entry);
        return HOST_OK;
    }
    if (action == L"add" && arguments.size() >= 3)
    {
        entry->addIPAddress(arguments[1]);
        for (std::size_t i = 2; i < arguments.size(); ++i)
            entry->addName(arguments[i]);
        entry->addToHosts(replace ? ISyHostsEntry::REPLACE : ISyHostsEntry::APPEND);
        context.out << L"added ";
        printHostsEntry(context.out, entry);
        return HOST_OK;
    }
    return usageError(context, L"hosts");
}

int runServices(CHostContext& context, const std::vector<iastring>& given)
{
    std::vector<iastring> arguments = given;
    iastring file;
    iastring modeText;
    if (!takeOptions(arguments, file, {{L"--mode", &modeText}}, {}) || arguments.empty())
        return usageError(context, L"services");
    const PSyServicesEntry entry = context.factory->getNetworkMgt()->createServicesEntry();
    if (!file.empty())
        entry->setFilePath(file);
    unsigned int port = 0;
    iastring protocol;
    if (arguments[0] == L"get" && arguments.size() == 2 && modeText.empty())
    {
        // NAME, NAME/PROTOCOL or PORT/PROTOCOL; TCP unless a protocol is named.
        if (parsePortProtocol(arguments[1], port, protocol))
            entry->setPort(port);
        else
        {
            const iastring::size_type slash = arguments[1].find(L'/');
            entry->addName(arguments[1].substr(0, slash));
            protocol = slash == iastring::npos ? L"tcp" : arguments[1].substr(slash + 1);
        }
        entry->setProtocol(protocol);
        if (!entry->getFromServicesFile())
            return HOST_FAILED;
        printServicesEntry(context.out, entry);
        return HOST_OK;
    }
    S::eWriteMode mode = S::APPEND;
    if (arguments[0] == L"add" && arguments.size() >= 3 && parsePortProtocol(arguments[2], port, protocol) &&
        (modeText.empty() || parseServicesMode(modeText, mode)))
    {
        entry->set(arguments[1], protocol, port);
        for (std::size_t i = 3; i < arguments.size(); ++i)
            entry->addName(arguments[i]);
        if (mode & 4)
            entry->removeFromServices(mode);
        else
            entry->addToServices(mode);
        context.out << (mode & 4 ? L"removed " : L"added ");
        printServicesEntry(context.out, entry);
        return HOST_OK;
    }
    return usageError(context, L"services");
}

int runResolve(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.size() != 1 || arguments[0].empty())
        return usageError(context, L"resolve");
    const PSyIPNameResolver resolver = context.factory->getNetworkMgt()->getNameResolver();
    const bool isAddress = arguments[0].find_first_not_of(L"0123456789.") == iastring::npos;
    printHostsEntry(context.out, isAddress ? resolver->getHostByAddress(arguments[0])
                                           : resolver->getHostByName(arguments[0]));
    return HOST_OK;
}

int runNics(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (!arguments.empty())
        return usageError(context, L"nics");
    const PSyNICIterator nics = context.factory->getNetworkMgt()->getNICs();
    for (nics->first(); !nics->isDone(); nics->next())
    {
        context.out << L"interface " << nics->get()->getName() << L"\n";
        const PSyNICIPAddressIterator addresses = nics->get()->getIPAddresses();
        for (addresses->first(); !addresses->isDone(); addresses->next())
            context.out << L"  " << addresses->get()->getIPAddress() << L" netmask "
                        << addresses->get()->getSubnetMask() << L"\n";
    }
    return HOST_OK;
}

int runHostname(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (!arguments.empty())
        return usageError(context, L"hostname");
    ISyNetworkMgt* manager = context.factory->getNetworkMgt();
    context.out << L"host name        " << manager->getHostName() << L"\n";
    // A machine without a DNS domain still has a name: say why the rest is missing.
    try
    {
        const iastring domain = manager->getDNSDomainName();
        context.out << L"DNS domain       " << domain << L"\n";
        context.out << L"fully qualified  " << manager->getFullyQualifiedHostName() << L"\n";
    }
    catch (const EVantixException& exception)
    {
        context.out << describeException(exception) << L"\n";
        return HOST_FAILED;
    }
    return HOST_OK;
}

const CHostCommandRegistration hosts(
    {L"hosts", L"list|get NAME|add ADDRESS NAME [ALIAS...] [--replace] [--file PATH]",
     L"the hosts file: its entries, the entry of a name, a new entry", runHosts});
const CHostCommandRegistration services(
    {L"services", L"get NAME[/PROTOCOL]|PORT/PROTOCOL | add NAME PORT/PROTOCOL [ALIAS...] [--mode MODE] [--file PATH]",
     L"the services file: the entry of a name or port, a new or removed entry", runServices});
const CHostCommandRegistration resolve({L"resolve", L"NAME|ADDRESS", L"the addresses of a host name, or the names of "
                                                                     L"an address",
                                        runResolve});
const CHostCommandRegistration nics({L"nics", L"", L"the network interfaces with their addresses", runNics});
const CHostCommandRegistration hostname({L"hostname", L"", L"host name, DNS domain and fully qualified name",
                                         runHostname});
} // namespace
