// The socket lookups as a name server can answer them: every way of failing, hosts without addresses, many
// aliases and names at the length of their slots. The answers are put into the socket table for one test.
#include "networktestutil.h"
#include "standins/network/sanetworkapi.h"
#include "syslib/common/syfactory.h"
#include "syslib/network/synetworkmgtimpl.h"

#include <algorithm>
#include <cstring>

namespace
{
ISyPrivilegedNetworkMgt& manager()
{
    return *CSyslibFactory::getPrivilegedInstance()->getPrivilegedNetworkMgt();
}

// What the replaced lookups answer: an entry, or null with this socket error.
struct CAnswer
{
    int error = 0;
    std::string official;
    std::vector<std::string> aliases;
    bool noAliasList = false; // a null alias pointer, not an empty list
    std::vector<in_addr> addresses;
    unsigned short port = 0;
    std::string protocol = "tcp";
    // What the last call was asked.
    std::string askedName;
    std::string askedProtocol;
    int askedPort = -1;
    int askedLength = -1;
};
CAnswer answer;

// Storage of the entries handed out, kept as the socket library keeps its per-thread entry.
std::vector<char*> aliasPointers;
std::vector<char*> addressPointers;
hostent host;
servent service;

char** aliasList()
{
    if (answer.noAliasList)
        return nullptr;
    aliasPointers.clear();
    for (std::string& alias : answer.aliases)
        aliasPointers.push_back(&alias[0]);
    aliasPointers.push_back(nullptr);
    return aliasPointers.data();
}

hostent* hostAnswer()
{
    if (answer.error != 0)
    {
        ::WSASetLastError(answer.error);
        return nullptr;
    }
    addressPointers.clear();
    for (in_addr& address : answer.addresses)
        addressPointers.push_back(reinterpret_cast<char*>(&address));
    addressPointers.push_back(nullptr);
    host.h_name = &answer.official[0];
    host.h_aliases = aliasList();
    host.h_addrtype = AF_INET;
    host.h_length = 4;
    host.h_addr_list = addressPointers.data();
    return &host;
}

servent* serviceAnswer()
{
    if (answer.error != 0)
    {
        ::WSASetLastError(answer.error);
        return nullptr;
    }
    service.s_name = &answer.official[0];
    service.s_aliases = aliasList();
    service.s_port = static_cast<short>(htons(answer.port));
    service.s_proto = &answer.protocol[0];
    return &service;
}

hostent* WSAAPI byName(const char* name)
{
    answer.askedName = name;
    return hostAnswer();
}
hostent* WSAAPI byAddress(const char* address, int length, int type)
{
    in_addr asked;
    std::memcpy(&asked, address, sizeof(asked));
    answer.askedName = ::inet_ntoa(asked);
    answer.askedLength = type == AF_INET ? length : -1;
    return hostAnswer();
}
servent* WSAAPI serviceByName(const char* name, const char* protocol)
{
    answer.askedName = name;
    answer.askedProtocol = protocol;
    return serviceAnswer();
}
servent* WSAAPI serviceByPort(int port, const char* protocol)
{
    answer.askedPort = ntohs(static_cast<u_short>(port));
    answer.askedProtocol = protocol;
    return serviceAnswer();
}
int WSAAPI hostName(char* name, int length)
{
    answer.askedLength = length;
    if (answer.error != 0)
    {
        ::WSASetLastError(answer.error);
        return SOCKET_ERROR;
    }
    std::memcpy(name, answer.official.c_str(), answer.official.size() + 1);
    return 0;
}

in_addr address(const char* text)
{
    in_addr binary;
    binary.s_addr = ::inet_addr(text);
    return binary;
}

class CLookupsTest : public ::testing::Test
{
protected:
    CLookupsTest()
    {
        answer = CAnswer();
        ::SetEnvironmentVariableW(L"NWTRACE", L"2");
        ::SetEnvironmentVariableW(L"NWOUT", m_trace.c_str());
        syslib::network::NwResetTrace();
    }
    ~CLookupsTest() override
    {
        ::SetEnvironmentVariableW(L"NWTRACE", nullptr);
        ::SetEnvironmentVariableW(L"NWOUT", nullptr);
        syslib::network::NwResetTrace();
        syslib::network::forgetHostName();
    }
    // The trace so far, with plain line ends (the file is written in text mode).
    std::string trace()
    {
        syslib::network::NwResetTrace();
        std::string text = exists(m_trace) ? readTestFile(m_trace) : std::string();
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    }

    syslib::SyNetworkApi& m_api = standins::networkApiTable();
    standins::CApiOverride<decltype(syslib::SyNetworkApi::gethostbyname)> m_byName{m_api.gethostbyname, byName};
    standins::CApiOverride<decltype(syslib::SyNetworkApi::gethostbyaddr)> m_byAddress{m_api.gethostbyaddr, byAddress};
    standins::CApiOverride<decltype(syslib::SyNetworkApi::getservbyname)> m_serviceByName{m_api.getservbyname,
                                                                                         serviceByName};
    standins::CApiOverride<decltype(syslib::SyNetworkApi::getservbyport)> m_serviceByPort{m_api.getservbyport,
                                                                                         serviceByPort};
    standins::CApiOverride<decltype(syslib::SyNetworkApi::gethostname)> m_hostName{m_api.gethostname, hostName};
    CTempDir m_dir;
    iastring m_trace = m_dir / L"nw.trc";
    CRecordingLogBook m_book;
};
} // namespace

// A name server says "not found" in four ways; each is the layer's 12, with the socket error in its trace.
TEST_F(CLookupsTest, EveryWayALookupFailsIsNotFoundWithTheSocketErrorTraced)
{
    const PSyIPNameResolver resolver = manager().getNameResolver();
    for (const int error : {WSAHOST_NOT_FOUND, WSATRY_AGAIN, WSANO_RECOVERY, WSANO_DATA})
    {
        SCOPED_TRACE(error);
        answer.error = error;
        const std::string rc = ", rc " + std::to_string(error) + ", took ";
        EXPECT_EQ(12, expectLoggedThrow<ESyNetworkResolveError>(
                          m_book, [&] { resolver->getHostByName(L"build-7"); }, L"syslib.network.resolveError",
                          {L"host name=build-7", L"IP addresses", L"QELRETURN=12"})
                          .getCode());
        EXPECT_EQ(12, expectLoggedThrow<ESyNetworkResolveError>(
                          m_book, [&] { resolver->getHostByAddress(L"10.1.2.3"); }, L"syslib.network.resolveError",
                          {L"IP address=10.1.2.3", L"host names", L"QELRETURN=12"})
                          .getCode());
        EXPECT_EQ("10.1.2.3", answer.askedName);
        EXPECT_EQ(4, answer.askedLength);
        EXPECT_EQ(12, expectLoggedThrow<ESyNetworkResolveError>(
                          m_book, [&] { resolver->getServiceByName(L"sapdp00", L"tcp"); },
                          L"syslib.network.resolveError",
                          {L"service name=sapdp00/protocol=tcp", L"port number", L"QELRETURN=12"})
                          .getCode());
        EXPECT_EQ(12, expectLoggedThrow<ESyNetworkResolveError>(
                          m_book, [&] { resolver->getServiceByPort(3200, L"udp"); }, L"syslib.network.resolveError",
                          {L"port number=3200/protocol=udp", L"service names", L"QELRETURN=12"})
                          .getCode());
        EXPECT_EQ(3200, answer.askedPort);
        EXPECT_EQ("udp", answer.askedProtocol);
        const std::string text = trace();
        EXPECT_NE(std::string::npos, text.find("could not resolve >build-7<" + rc)) << text;
        EXPECT_NE(std::string::npos, text.find("NwPResolveAddress: could not resolve >10.1.2.3<" + rc)) << text;
        EXPECT_NE(std::string::npos, text.find("could not resolve servicename sapdp00/tcp" + rc)) << text;
        EXPECT_NE(std::string::npos, text.find("could not resolve portnumber 3200/udp" + rc)) << text;
    }
}

TEST_F(CLookupsTest, AHostWithoutAddressesHasNoAddressAndOneWithManyGivesEachInOrder)
{
    const PSyIPNameResolver resolver = manager().getNameResolver();
    answer.official = "build-7";
    EXPECT_EQ(11, expectLoggedThrow<ESyNetworkResolveError>(
                      m_book, [&] { resolver->getHostByName(L"build-7"); }, L"syslib.network.resolveError",
                      {L"host name=build-7", L"IP addresses", L"QELRETURN=11"})
                      .getCode());
    EXPECT_NE(std::string::npos, trace().find("NwPResolveHostname: did not find any addresses"));

    answer.addresses = {address("10.0.0.7"), address("192.168.100.200"), address("255.255.255.254")};
    const PSyHostsEntry entry = resolver->getHostByName(L"build-7");
    const std::vector<iastring> expected{L"10.0.0.7", L"192.168.100.200", L"255.255.255.254"};
    EXPECT_EQ(expected, collect(entry->getIPAddresses()));
    EXPECT_EQ(std::vector<iastring>{L"build-7"}, collect(entry->getHostNames()));
    EXPECT_EQ(L"IP name build-7 resolves to IP address(es): 10.0.0.7, 192.168.100.200, 255.255.255.254",
              m_book.logs().back());
}

// A name of a slot's size less one is kept whole; a longer one is cut to it, never spilled into the next.
TEST_F(CLookupsTest, EveryAliasComesBackInOrderAndANameIsCutAtItsSlot)
{
    const PSyIPNameResolver resolver = manager().getNameResolver();
    const std::size_t host = syslib::network::NW_HOSTNAME_SLOT - 1;
    answer.official = std::string(host, 'a');
    answer.aliases = {std::string(host + 1, 'b'), "c", std::string(host + 2, 'd') + "e"};
    const PSyHostsEntry entry = resolver->getHostByAddress(L"10.1.2.3");
    const std::vector<iastring> names{iastring(host, L'a'), iastring(host, L'b'), L"c", iastring(host, L'd')};
    EXPECT_EQ(names, collect(entry->getHostNames()));
    EXPECT_EQ(std::vector<iastring>{L"10.1.2.3"}, collect(entry->getIPAddresses()));
    const std::string text = trace();
    EXPECT_NE(std::string::npos, text.find("Aliasname: 10.1.2.3 --> c\n")) << text;
    EXPECT_NE(std::string::npos, text.find("Aliasname: 10.1.2.3 --> " + std::string(host, 'b') + "\n"));

    const std::size_t name = syslib::network::NW_SERVICE_SLOT - 1;
    answer.official = std::string(name, 's');
    answer.aliases = {"x400", std::string(name + 1, 't')};
    answer.port = 3200;
    const PSyServicesEntry byPort = resolver->getServiceByPort(3200, L"tcp");
    const std::vector<iastring> services{iastring(name, L's'), L"x400", iastring(name, L't')};
    EXPECT_EQ(services, collect(byPort->getServiceNames()));
    EXPECT_EQ(3200u, byPort->getPortNumber());
    EXPECT_EQ(L"tcp", byPort->getProtocol());
    EXPECT_NE(std::string::npos, trace().find("Aliasname: 3200/tcp --> x400\n"));

    answer.port = 65535;
    EXPECT_EQ(65535u, resolver->getServiceByName(L"sapdp00", L"tcp")->getPortNumber());
    EXPECT_EQ("sapdp00", answer.askedName);
}

TEST_F(CLookupsTest, AnEntryWithoutAnAliasListHasItsOfficialNameOnly)
{
    const PSyIPNameResolver resolver = manager().getNameResolver();
    answer.noAliasList = true;
    answer.official = "bare";
    EXPECT_EQ(std::vector<iastring>{L"bare"}, collect(resolver->getHostByAddress(L"10.1.2.4")->getHostNames()));
    answer.port = 4711;
    EXPECT_EQ(std::vector<iastring>{L"bare"}, collect(resolver->getServiceByPort(4711, L"tcp")->getServiceNames()));
}

// The database lookup of an entry takes every alias and the protocol the database names.
TEST_F(CLookupsTest, AnEntryFilledFromTheDatabaseTakesItsNamesProtocolAndPort)
{
    const iastring file = m_dir / L"services";
    answer.official = "sapdp00";
    answer.aliases = {"sapdp", "dp00"};
    answer.port = 3200;
    answer.protocol = "TCP";
    const PSyServicesEntry entry(new CSyServicesEntry(file));
    entry->set(L"sapdp00", L"tcp", 3200);
    ASSERT_TRUE(entry->getFromServices());
    EXPECT_EQ((std::vector<iastring>{L"sapdp00", L"sapdp", L"dp00"}), collect(entry->getServiceNames()));
    EXPECT_EQ(L"TCP", entry->getProtocol());
    EXPECT_EQ("sapdp00", answer.askedName);
    EXPECT_EQ("tcp", answer.askedProtocol);

    // Found under the name, but at another port than the entry asks for: no match.
    answer.port = 3201;
    const PSyServicesEntry other(new CSyServicesEntry(file));
    other->set(L"sapdp00", L"tcp", 3200);
    EXPECT_FALSE(other->getFromServices());

    // Without names the port is asked.
    answer.port = 3200;
    const PSyServicesEntry byPort(new CSyServicesEntry(file));
    byPort->setProtocol(L"tcp");
    byPort->setPort(3200);
    ASSERT_TRUE(byPort->getFromServices());
    EXPECT_EQ(3200, answer.askedPort);
    EXPECT_EQ((std::vector<iastring>{L"sapdp00", L"sapdp", L"dp00"}), collect(byPort->getServiceNames()));

    answer.error = WSANO_DATA;
    EXPECT_FALSE(byPort->getFromServices());
}

// The system's name fills a buffer of 255 characters; a failure is the socket error, reported.
TEST_F(CLookupsTest, TheHostNameTakesAllTheBufferHoldsAndAFailureIsReportedWithItsCode)
{
    syslib::network::forgetHostName();
    answer.official = std::string(254, 'h');
    EXPECT_EQ(iastring(254, L'h'), manager().getRealHostName());
    EXPECT_EQ(255, answer.askedLength);

    syslib::network::forgetHostName();
    answer.error = WSAENETDOWN;
    EXPECT_EQ(WSAENETDOWN, expectLoggedThrow<ESyNetworkGetInfoFailed>(
                               m_book, [&] { manager().getRealHostName(); }, L"syslib.network.getInfoFailed",
                               {L"\"host name\"", L"QELRETURN=" + std::to_wstring(WSAENETDOWN)})
                               .getCode());
    EXPECT_NE(std::string::npos, trace().find("NwPGetHostname: gethostname error " + std::to_string(WSAENETDOWN)));
}
