// The network manager: host name and its override, the DNS domain's sources, the resolver, the
// interfaces and the low-level layer's trace file.
#include "networktestutil.h"
#include "syslib/common/syfactory.h"
#include "syslib/network/synetworkmgtimpl.h"
#include "syslib/network/synwlow.h"
#include "tests/support/wow64.h"

#include <regex>

namespace
{
ISyPrivilegedNetworkMgt& manager()
{
    return *CSyslibFactory::getPrivilegedInstance()->getPrivilegedNetworkMgt();
}

const wchar_t* const parametersKey = L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters";

// Sets the Tcpip values for one test and puts the old ones back.
class CTcpipValues
{
public:
    CTcpipValues()
    {
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, parametersKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_key.receive(),
                          nullptr);
        for (const wchar_t* name : {L"Domain", L"DhcpDomain"})
            m_saved.push_back(value(name));
        ::RegCreateKeyExW(m_key.get(), L"Interfaces\\{sytest}", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          m_interface.receive(), nullptr);
        set(m_key.get(), L"Domain", L"");
        set(m_key.get(), L"DhcpDomain", L"");
        syslib::network::forgetResolverConfiguration();
    }
    ~CTcpipValues()
    {
        set(m_key.get(), L"Domain", m_saved[0]);
        set(m_key.get(), L"DhcpDomain", m_saved[1]);
        m_interface.reset();
        ::RegDeleteKeyW(m_key.get(), L"Interfaces\\{sytest}");
        syslib::network::forgetResolverConfiguration();
    }
    bool ok() const { return m_key.isValid() && m_interface.isValid(); }
    void set(HKEY key, const wchar_t* name, const iastring& text)
    {
        ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        syslib::network::forgetResolverConfiguration();
    }
    HKEY parameters() const { return m_key.get(); }
    HKEY adapter() const { return m_interface.get(); }

private:
    iastring value(const wchar_t* name)
    {
        wchar_t buffer[512] = {0};
        DWORD size = sizeof(buffer) - sizeof(wchar_t);
        ::RegQueryValueExW(m_key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
        return buffer;
    }
    syslib::CSyRegKey m_key;
    syslib::CSyRegKey m_interface;
    std::vector<iastring> m_saved;
};

// Canonical-name sources the tests control.
const wchar_t* canonicalName = nullptr;
bool answering(const iastring&, bool& present, iastring& name)
{
    present = canonicalName != nullptr;
    if (present)
        name = canonicalName;
    return true;
}
bool failing(const iastring&, bool&, iastring&)
{
    return false;
}

class CCountingHook : public OverrideHook
{
public:
    void run() override { ++runs; }
    int runs = 0;
};

// The interface list is built once per process, and wine keeps a handle from the first socket made:
// made here, it is no test's leak.
class CInterfaceListOnce : public ::testing::Environment
{
public:
    void SetUp() override
    {
        const syslib::network::NW_NIC_INFO* list = nullptr;
        syslib::network::NwGetNIC_INFO(list);
    }
};
::testing::Environment* const interfaceListOnce = ::testing::AddGlobalTestEnvironment(new CInterfaceListOnce);

// The address of the first interface, as the card scan sees it with every card's TCP/IP key in place.
iastring firstInterfaceAddress()
{
    const CCardTcpipKeys cardKeys;
    const PSyNICIPAddressIterator addresses = manager().getNIC(L"0")->getIPAddresses();
    addresses->first();
    return addresses->isDone() ? iastring() : addresses->get()->getIPAddress();
}

class CNetworkMgtTest : public ::testing::Test
{
protected:
    ~CNetworkMgtTest() override
    {
        syslib::network::setCanonicalNameSources(nullptr, nullptr);
        manager().overrideHostName(L"");
        manager().setHostNameHook(nullptr);
    }
    CRecordingLogBook m_book;
};
} // namespace

TEST_F(CNetworkMgtTest, TheHostNameIsAskedOnceAndTheOverrideWinsUntilReverted)
{
    syslib::network::forgetHostName();
    const iastring real = manager().getRealHostName();
    EXPECT_FALSE(real.empty());
    EXPECT_TRUE(m_book.hasTrace(L"Host name cache is still empty. Getting host name from the system."));
    m_book.clear();
    EXPECT_EQ(real, manager().getHostName());
    EXPECT_TRUE(m_book.hasTrace(L"Host name already in the cache."));
    EXPECT_TRUE(m_book.hasTrace(L"Host name is " + real));

    CCountingHook hook;
    manager().setHostNameHook(&hook);
    EXPECT_EQ(&hook, manager().getHostNameHook());
    manager().overrideHostName(L"installhost");
    const CRecordedLine overridden = m_book.onlyMessage(L"syslib.network.overriddenHostName");
    EXPECT_EQ(CMessage::LOG_WARNING, overridden.type);
    EXPECT_EQ(CLogArguments{L"installhost"}, overridden.arguments);
    EXPECT_EQ(L"installhost", manager().getHostName());
    EXPECT_EQ(L"installhost", manager().getOverriddenHostName());
    m_book.clear();
    manager().overrideHostName(L"installhost");
    EXPECT_TRUE(m_book.messages().empty()) << "the same value again changes nothing";
    manager().overrideHostName(L"");
    EXPECT_EQ(CMessage::LOG_WARNING, m_book.onlyMessage(L"syslib.network.revertOverriddenHostName").type);
    EXPECT_EQ(real, manager().getHostName());
    EXPECT_EQ(2, hook.runs);
}

TEST_F(CNetworkMgtTest, TheDNSDomainComesFromTheFirstSourceThatHasOne)
{
    CTcpipValues tcpip;
    ASSERT_TRUE(tcpip.ok());
    syslib::network::setCanonicalNameSources(answering, answering);
    canonicalName = L"host.from.getaddrinfo";

    tcpip.set(tcpip.adapter(), L"Domain", L"adapter.example");
    EXPECT_EQ(L"adapter.example", manager().getDNSDomainName()) << "an interface's domain when there is no primary";
    tcpip.set(tcpip.parameters(), L"DhcpDomain", L"dhcp.example");
    EXPECT_EQ(L"dhcp.example", manager().getDNSDomainName());
    tcpip.set(tcpip.parameters(), L"Domain", L"corp.example");
    m_book.clear();
    EXPECT_EQ(L"corp.example", manager().getDNSDomainName()) << "Domain before DhcpDomain, one line only";
    EXPECT_TRUE(m_book.hasTrace(L"DNS domain name from NwParseResolvConf: 'corp.example'."));
    EXPECT_FALSE(m_book.hasTrace(L"Analyzing result of getaddrinfo:"));

    tcpip.set(tcpip.parameters(), L"Domain", L"");
    tcpip.set(tcpip.parameters(), L"DhcpDomain", L"");
    tcpip.set(tcpip.adapter(), L"Domain", L"");
    m_book.clear();
    EXPECT_EQ(L"from.getaddrinfo", manager().getDNSDomainName());
    EXPECT_TRUE(m_book.hasTrace(L"Could not get DNS domain name from NwParseResolvConf. Lets try getaddrinfo."));
    EXPECT_TRUE(m_book.hasTrace(L"DNS domain name from getaddrinfo: 'from.getaddrinfo'."));

    canonicalName = L"shorthost"; // no "." gives nothing: the next source is asked, and gives nothing either
    m_book.clear();
    EXPECT_EQ(0, expectLoggedThrow<ESyNetworkGetInfoFailed>(
        m_book, [] { manager().getDNSDomainName(); }, L"syslib.network.getInfoFailed",
        {L"\"DNS domain name\"", L"DNS domain name is not configured in resolv.conf (UNIX) or the registry (Windows) "
                                 L"and neither getaddrinfo nor gethostbyname could retrieve it."}).getCode());
    EXPECT_TRUE(m_book.hasTrace(L"Could not get DNS domain name from NwParseResolvConf and getaddrinfo. Lets try "
                                L"gethostbyname."));

    syslib::network::setCanonicalNameSources(failing, answering);
    canonicalName = L"h.from.gethostbyname";
    EXPECT_EQ(L"from.gethostbyname", manager().getDNSDomainName());
    manager().overrideHostName(L"box");
    EXPECT_EQ(L"box.from.gethostbyname", manager().getFullyQualifiedHostName());
    manager().overrideHostName(L"box.other.example");
    EXPECT_EQ(L"box.other.example", manager().getFullyQualifiedHostName());
}

TEST_F(CNetworkMgtTest, AnInterfaceNamedAsLongAsTheRegistryAllowsGivesItsDomain)
{
    CTcpipValues tcpip;
    ASSERT_TRUE(tcpip.ok());
    syslib::network::setCanonicalNameSources(failing, failing);
    // Gone however the test ends: a key left behind would give its domain to the other tests.
    struct CInterfaceKey
    {
        HKEY parameters;
        iastring name;
        syslib::CSyRegKey key;
        ~CInterfaceKey()
        {
            key.reset();
            ::RegDeleteKeyW(parameters, name.c_str());
        }
    } longest{tcpip.parameters(), L"Interfaces\\" + iastring(255, L'i'), syslib::CSyRegKey()};
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(tcpip.parameters(), longest.name.c_str(), 0, nullptr, 0,
                                               KEY_ALL_ACCESS, nullptr, longest.key.receive(), nullptr));
    tcpip.set(longest.key.get(), L"Domain", L"longest.example");
    EXPECT_EQ(L"longest.example", manager().getDNSDomainName());
}

// The DNS domain's values are text (REG_SZ or REG_EXPAND_SZ); another type is no domain. A value is read
// whole and cut to its first 100 characters, however long it is.
TEST_F(CNetworkMgtTest, TheDomainValuesAreTextOfAnyLengthAndAnotherTypeIsNone)
{
    CTcpipValues tcpip;
    ASSERT_TRUE(tcpip.ok());
    tcpip.set(tcpip.parameters(), L"DhcpDomain", L"dhcp.example");
    const DWORD number = 7;
    ::RegSetValueExW(tcpip.parameters(), L"Domain", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof(number));
    syslib::network::forgetResolverConfiguration();
    EXPECT_EQ(L"dhcp.example", manager().getDNSDomainName());

    const iastring expandable = L"expand.example";
    ::RegSetValueExW(tcpip.parameters(), L"Domain", 0, REG_EXPAND_SZ,
                     reinterpret_cast<const BYTE*>(expandable.c_str()),
                     static_cast<DWORD>((expandable.size() + 1) * sizeof(wchar_t)));
    syslib::network::forgetResolverConfiguration();
    EXPECT_EQ(expandable, manager().getDNSDomainName());

    const iastring longName = iastring(1500, L'a') + L".example";
    tcpip.set(tcpip.parameters(), L"Domain", longName);
    EXPECT_EQ(longName.substr(0, 100), manager().getDNSDomainName());
}

TEST_F(CNetworkMgtTest, AFullyQualifiedNameGivesWhatFollowsItsFirstDot)
{
    const iastring names[] = {L"a.b.c", L"a", L"a.", L".b"};
    EXPECT_EQ(L"b.c", syslib::network::extractFQDNFromFQHN(&names[0]));
    EXPECT_EQ(L"", syslib::network::extractFQDNFromFQHN(&names[1]));
    EXPECT_EQ(L"", syslib::network::extractFQDNFromFQHN(&names[2]));
    EXPECT_EQ(L"b", syslib::network::extractFQDNFromFQHN(&names[3]));
    EXPECT_EQ(L"", syslib::network::extractFQDNFromFQHN(nullptr));
    EXPECT_TRUE(m_book.hasTrace(L"NULL"));
}

TEST_F(CNetworkMgtTest, TheResolverAnswersWithEntriesAndReportsWhatItCannotResolve)
{
    const PSyIPNameResolver resolver = manager().getNameResolver();
    EXPECT_FALSE(resolver->isNISRunning());
    const PSyHostsEntry local = resolver->getHostByName(L"localhost");
    EXPECT_EQ((std::vector<iastring>{L"localhost"}), collect(local->getHostNames()));
    const std::vector<iastring> addresses = collect(local->getIPAddresses());
    ASSERT_FALSE(addresses.empty());
    EXPECT_EQ(L"IP name localhost resolves to IP address(es): " + addresses[0], m_book.logs().back().substr(0, 46 + addresses[0].size()));
    EXPECT_EQ(manager().getHostsFile()->toOSString(), local->getFilePath());

    const int unknown = expectLoggedThrow<ESyNetworkResolveError>(
        m_book, [&] { resolver->getHostByName(L"no-such-host.invalid"); }, L"syslib.network.resolveError",
        {L"host name=no-such-host.invalid", L"IP addresses", L"QELRETURN=12"}).getCode();
    EXPECT_EQ(12, unknown);
    const int broadcast = expectLoggedThrow<ESyNetworkResolveError>(
        m_book, [&] { resolver->getHostByAddress(L"255.255.255.255"); }, L"syslib.network.resolveError",
        {L"IP address=255.255.255.255", L"host names", L"QELRETURN=11"}).getCode();
    EXPECT_EQ(11, broadcast);
    EXPECT_EQ(12, expectLoggedThrow<ESyNetworkResolveError>(
        m_book, [&] { resolver->getServiceByName(L"no-such-service-here", L"tcp"); }, L"syslib.network.resolveError",
        {L"service name=no-such-service-here/protocol=tcp", L"port number", L"QELRETURN=12"}).getCode());
    // 0 is no port, and one beyond 16 bits would be cut to another (70000 to 4464).
    for (const unsigned int port : {0u, 65536u, 70000u})
        expectLoggedThrow<ESyPrecondition>(
            m_book, [&] { resolver->getServiceByPort(port, L"tcp"); }, L"common.parameterNotValid",
            {L"portNumber", std::to_wstring(port),
             L"CSyIPNameResolverImpl::getServiceByPort(const unsigned int portNumber, const iastring& protocol)"});
    expectLoggedThrow<ESyPrecondition>(
        m_book, [&] { resolver->getHostByName(L""); }, L"common.parameterEmpty",
        {L"hostName", L"CSyIPNameResolverImpl::getHostByName(const iastring& hostName)"});
    expectLoggedThrow<ESyPrecondition>(
        m_book, [&] { resolver->getServiceByName(L"ftp", L""); }, L"common.parameterEmpty",
        {L"protocol", L"CSyIPNameResolverImpl::getServiceByName(const iastring& serviceName, const iastring& protocol)"});
}

TEST_F(CNetworkMgtTest, TheLowLevelLayerTracesTimedLookupsIntoTheFileNWOUTNames)
{
    CTempDir dir;
    const iastring traceFile = dir / L"nw.trc";
    ::SetEnvironmentVariableW(L"NWTRACE", L"2");
    ::SetEnvironmentVariableW(L"NWOUT", traceFile.c_str());
    syslib::network::NwResetTrace();
    manager().getNameResolver()->getHostByName(L"localhost");
    EXPECT_THROW(manager().getNameResolver()->getHostByName(L"no-such-host.invalid"), ESyNetworkResolveError);
    ::SetEnvironmentVariableW(L"NWTRACE", nullptr);
    ::SetEnvironmentVariableW(L"NWOUT", nullptr);
    syslib::network::NwResetTrace();

    const std::string trace = readTestFile(traceFile);
    EXPECT_TRUE(std::regex_search(trace, std::regex("NwPResolveHostname: localhost --> [0-9.]+, took [0-9]+\\.[0-9]{6} "
                                                    "sec\\.\r?\n")))
        << trace;
    EXPECT_TRUE(std::regex_search(trace, std::regex("NwPResolvHostname: could not resolve >no-such-host.invalid<, rc "
                                                    "-?[0-9]+, took [0-9]+\\.[0-9]{6}\r?\n")))
        << trace;
}

// NWTRACE names the level of what is written; that it is set at all asks for the file, so 0 opens it too.
// NWOUT may lie outside the ANSI code page.
TEST_F(CNetworkMgtTest, NwtraceZeroStillOpensTheTraceFileWhoseNameMayBeAnyText)
{
    CTempDir dir;
    for (const wchar_t* level : {L"0", L"2"})
    {
        const iastring traceFile = dir / (iastring(L"\u0442\u0440\u0430\u0441\u0441\u0430-") + level + L".trc");
        ::SetEnvironmentVariableW(L"NWTRACE", level);
        ::SetEnvironmentVariableW(L"NWOUT", traceFile.c_str());
        syslib::network::NwResetTrace();
        manager().getNameResolver()->getHostByName(L"localhost");
        ::SetEnvironmentVariableW(L"NWTRACE", nullptr);
        ::SetEnvironmentVariableW(L"NWOUT", nullptr);
        syslib::network::NwResetTrace();
        ASSERT_TRUE(exists(traceFile)) << "level " << *level;
        EXPECT_EQ(level == iastring(L"0"), readTestFile(traceFile).empty()) << readTestFile(traceFile);
    }
    // Without NWOUT the file is dev_nw in the working directory.
    wchar_t previous[MAX_PATH] = {0};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(dir.path().c_str()));
    ::SetEnvironmentVariableW(L"NWTRACE", L"0");
    syslib::network::NwResetTrace();
    manager().getNameResolver()->getHostByName(L"localhost");
    ::SetEnvironmentVariableW(L"NWTRACE", nullptr);
    syslib::network::NwResetTrace();
    ::SetCurrentDirectoryW(previous);
    EXPECT_TRUE(exists(dir / L"dev_nw"));
}

// A level set by the caller opens the file only when it asks for lines.
TEST_F(CNetworkMgtTest, ALevelOfZeroSetByTheCallerOpensNoTraceFile)
{
    CTempDir dir;
    const iastring traceFile = dir / L"set.trc";
    ::SetEnvironmentVariableW(L"NWTRACE", nullptr);
    ::SetEnvironmentVariableW(L"NWOUT", traceFile.c_str());
    syslib::network::NwResetTrace();
    syslib::network::NwSetTraceLevel(0);
    const bool openedAtZero = exists(traceFile);
    syslib::network::NwSetTraceLevel(1);
    const bool openedAtOne = exists(traceFile);
    ::SetEnvironmentVariableW(L"NWOUT", nullptr);
    syslib::network::NwResetTrace();
    EXPECT_FALSE(openedAtZero);
    EXPECT_TRUE(openedAtOne);
}

TEST_F(CNetworkMgtTest, InterfacesListTheirAddressesAndAnUnknownOneIsReported)
{
    const CCardTcpipKeys cardKeys;
    const std::vector<PSyNIC> nics = [] {
        std::vector<PSyNIC> all;
        const PSyNICIterator it = manager().getNICs();
        for (it->first(); !it->isDone(); it->next())
            all.push_back(it->get());
        return all;
    }();
    ASSERT_FALSE(nics.empty());
    EXPECT_EQ(0u, m_book.logs().back().find(L"detected NICs: 0"));
    const PSyNIC first = manager().getNIC(nics[0]->getName());
    const PSyNICIPAddressIterator addresses = first->getIPAddresses();
    addresses->first();
    ASSERT_FALSE(addresses->isDone());
    const iastring address = addresses->get()->getIPAddress();
    EXPECT_EQ(3u, std::count(address.begin(), address.end(), L'.')) << toMbstring(address);
    EXPECT_EQ(0u, m_book.logs().back().find(L"NIC has IP address=" + address + L"/netmask="));

    EXPECT_EQ(0, expectLoggedThrow<ESyNetworkGetInfoFailed>(m_book, [] { manager().getNIC(L"nosuch"); },
                                                          L"syslib.network.doesNotExist", {L"NIC nosuch"}).getCode());
}

// The registered cards lend their description to the interface whose address their TCP/IP key names; a card
// whose TCP/IP key is missing fails the whole scan with code 25.
TEST_F(CNetworkMgtTest, TheCardScanDescribesAnInterfaceByItsAddressAndFailsOnACardWithoutTcpip)
{
    const iastring address = firstInterfaceAddress();
    ASSERT_FALSE(address.empty());
    // A card of the test's own: wine lists its cards only once its network service has filled the key.
    CCardTcpipKeys cardKeys;
    cardKeys.addCard(L"zz-sytest", REG_SZ, std::string("Test card") + '\0', L"{sytest-card}", address);
    syslib::CSyRegKey tcpip;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, cardKeys.cards().back().second.c_str(), 0,
                                             KEY_SET_VALUE, tcpip.receive()));
    // The interface's address is the second of the card's static addresses.
    const iastring list = L"192.0.2.1" + iastring(1, L'\0') + address + iastring(2, L'\0');
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(tcpip.get(), L"IPAddress", 0, REG_MULTI_SZ,
                                              reinterpret_cast<const BYTE*>(list.data()),
                                              static_cast<DWORD>(list.size() * sizeof(wchar_t))));
    syslib::network::NwForgetNIC_INFO();
    manager().getNIC(L"0");
    EXPECT_TRUE(m_book.hasLog(L"NIC 0 does exist with description Test card"));

    ASSERT_TRUE(cardKeys.removeTcpipKey(cardKeys.cards().back().second));
    syslib::network::NwForgetNIC_INFO();
    EXPECT_EQ(25, expectLoggedThrow<ESyNetworkGetInfoFailed>(m_book, [] { manager().getNICs(); },
                                                           L"syslib.network.getInfoFailed",
                                                           {L"\"NIC info\"", L"QELRETURN=25"})
                      .getCode());
}

TEST_F(CNetworkMgtTest, ACardKeyNamedAsLongAsTheRegistryAllowsIsScanned)
{
    const iastring address = firstInterfaceAddress();
    ASSERT_FALSE(address.empty());
    CCardTcpipKeys cardKeys;
    cardKeys.addCard(iastring(255, L'z'), REG_SZ, std::string("Longest card") + '\0', L"{sytest-card}", address);
    manager().getNIC(L"0");
    EXPECT_TRUE(m_book.hasLog(L"NIC 0 does exist with description Longest card"));
}

// A card's description is kept up to 200 characters and its service name up to 100; a value of another type
// than text gives none. Each value is read whole, so a long one is cut, never lost or read past its end.
TEST_F(CNetworkMgtTest, ACardsDescriptionAndServiceNameAreReadWholeAndCutAtTheirLimits)
{
    const iastring address = firstInterfaceAddress();
    ASSERT_FALSE(address.empty());
    const std::string exact(200, 'd');
    const struct
    {
        DWORD type;
        std::string description;
        iastring service;
        iastring expected;
    } cases[] = {
        {REG_SZ, exact + std::string(1, '\0'), L"{sytest-card}", iastring(200, L'd')},
        {REG_SZ, exact + "e" + std::string(1, '\0'), L"{sytest-card}", iastring(200, L'd')},
        {REG_SZ, "no terminator", L"{sytest-card}", L"no terminator"},
        {REG_DWORD, "\x01\x00\x00\x00", L"{sytest-card}", L""},
        {REG_SZ, std::string(1, '\0'), L"{sytest-card}", L""},
        // The Tcpip key is looked for under the name cut to 100 characters.
        {REG_SZ, "long service", iastring(100, L's') + L"t", L"long service"},
    };
    for (const auto& c : cases)
    {
        CCardTcpipKeys cardKeys;
        cardKeys.addCard(L"zz-sytest", c.type, c.description, c.service, address);
        m_book.clear();
        manager().getNIC(L"0");
        EXPECT_TRUE(m_book.hasLog(L"NIC 0 does exist with description " + c.expected))
            << c.description.size() << " " << toMbstring(m_book.logs().back());
    }
}

// The MTU and the DHCP switch come from the card's TCP/IP key as numbers; a value of another type or too
// short to be one counts as none.
TEST_F(CNetworkMgtTest, ACardsMtuAndDhcpAreNumbersOfItsTcpipKey)
{
    const iastring address = firstInterfaceAddress();
    ASSERT_FALSE(address.empty());
    const DWORD mtu = 1400;
    const DWORD on = 1;
    const auto bytes = [](const DWORD& number, std::size_t size) {
        return std::string(reinterpret_cast<const char*>(&number), size);
    };
    const struct
    {
        DWORD type;
        std::string mtu;
        std::string dhcp;
        unsigned long expectedMtu;
        bool expectedDhcp;
    } cases[] = {
        {REG_DWORD, bytes(mtu, 4), bytes(on, 4), 1400, true},
        {REG_DWORD, bytes(mtu, 2), std::string(4, '\0'), 0, false},
        {REG_SZ, "1400", "1", 0, false},
    };
    for (const auto& c : cases)
    {
        CCardTcpipKeys cardKeys;
        cardKeys.addCard(L"zz-sytest", REG_SZ, "card", L"{sytest-card}", address);
        syslib::CSyRegKey tcpip;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, cardKeys.cards().back().second.c_str(), 0,
                                                 KEY_SET_VALUE, tcpip.receive()));
        ::RegSetValueExA(tcpip.get(), "MTU", 0, c.type, reinterpret_cast<const BYTE*>(c.mtu.data()),
                         static_cast<DWORD>(c.mtu.size()));
        ::RegSetValueExA(tcpip.get(), "EnableDHCP", 0, c.type, reinterpret_cast<const BYTE*>(c.dhcp.data()),
                         static_cast<DWORD>(c.dhcp.size()));
        const syslib::network::NW_NIC_INFO* list = nullptr;
        ASSERT_EQ(0, syslib::network::NwGetNIC_INFO(list));
        const syslib::network::NW_NIC_INFO* nic = list;
        while (nic && toIastring(std::string(nic->ipAddress)) != address)
            nic = nic->next;
        ASSERT_NE(nullptr, nic);
        EXPECT_EQ(c.expectedMtu, nic->mtu) << c.mtu.size();
        EXPECT_EQ(c.expectedDhcp, nic->dhcp) << c.mtu.size();
        EXPECT_STREQ("card", nic->description);
    }
}

// A 32-bit process that names System32 reaches SysWOW64, but Windows (and wine) exempt drivers\etc: an entry
// the library writes lands in the file the 64-bit system reads, which a 32-bit process names through Sysnative.
TEST_F(CNetworkMgtTest, AHostsEntryLandsInTheFileTheSystemItselfReads)
{
    wchar_t windows[MAX_PATH] = {0};
    ASSERT_NE(0u, ::GetWindowsDirectoryW(windows, MAX_PATH));
    const iastring native =
        iastring(windows) + (runsUnderWow64() ? L"\\Sysnative" : L"\\System32") + L"\\drivers\\etc\\hosts";
    struct CRestore
    {
        iastring path;
        std::string bytes;
        ~CRestore() { writeTestFile(path, bytes); }
    } restore{native, readTestFile(native)};

    const PSyHostsEntry entry = manager().createHostEntry();
    EXPECT_EQ(manager().getHostsFile()->toOSString(), entry->getFilePath());
    entry->set(L"192.0.2.77", L"sy-native-probe");
    entry->addToHosts(ISyHostsEntry::APPEND);
    EXPECT_NE(std::string::npos, readTestFile(native).find("192.0.2.77\tsy-native-probe"))
        << readTestFile(native);
}

TEST_F(CNetworkMgtTest, TheSystemFilesAndTheEntriesOfAHostsFile)
{
    const iastring hosts = manager().getHostsFile()->toOSString();
    EXPECT_EQ(L"\\drivers\\etc\\hosts", hosts.substr(hosts.size() - 18)) << toMbstring(hosts);
    const iastring services = manager().getServicesFile()->toOSString();
    EXPECT_EQ(L"\\drivers\\etc\\services", services.substr(services.size() - 21));
    EXPECT_EQ(services, manager().createServicesEntry()->getFilePath());

    CTempDir dir;
    writeTestFile(dir / L"hosts", "# c\r\n127.0.0.1 localhost # me\r\n\r\n  10.0.0.1\tb  c\n10.0.0.2");
    std::vector<iastring> lines;
    const PSyHostsEntryIterator it = manager().getHostsEntries(dir / L"hosts");
    for (it->first(); !it->isDone(); it->next())
        lines.push_back(collect(it->get()->getIPAddresses())[0] + L"|" + [&] {
            iastring names;
            for (const iastring& name : collect(it->get()->getHostNames()))
                names += name + L",";
            return names;
        }());
    EXPECT_EQ((std::vector<iastring>{L"127.0.0.1|localhost,", L"10.0.0.1|b,c,", L"10.0.0.2|"}), lines);
    EXPECT_THROW(manager().getHostsEntries(dir / L"missing"), ESyNetworkSystemError);
}
