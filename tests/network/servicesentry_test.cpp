// Services entries: the line they write, the lines each mode drops, and the library's own file lookup.
#include "networktestutil.h"
#include "syslib/network/syfileedit.h"

#include <algorithm>

#include <sstream>

namespace
{
typedef ISyServicesEntry S;

const std::string services = "# services \xFC\x62\x65rsetzt\r\n"
                             "sapdp00\t3200/tcp\t# dispatcher\r\n"
                             "other\t3200/udp\r\n"
                             "\r\n"
                             "sapdp00  3201/tcp old\r\n"
                             "sapgw00\t3300/tcp gateway gw";

class CServicesEntryTest : public CNetworkFileTest
{
protected:
    PSyServicesEntry sapdp(const std::vector<iastring>& aliases = {})
    {
        const PSyServicesEntry e = servicesEntry();
        e->set(L" sapdp00 ", L"tcp ", 3200);
        for (const iastring& alias : aliases)
            e->addName(alias);
        return e;
    }
};

void failAtReplace(syslib::network::eEditStep step)
{
    if (step == syslib::network::EDIT_REPLACE)
        throw ESyFileWrite(L"injected");
}
} // namespace

TEST_F(CServicesEntryTest, ValuesAreTrimmedAndEmptyOrZeroOnesRefused)
{
    const PSyServicesEntry e = sapdp({L" a "});
    EXPECT_EQ((std::vector<iastring>{L"sapdp00", L"a"}), collect(e->getServiceNames()));
    EXPECT_EQ(L"tcp", e->getProtocol());
    EXPECT_EQ(3200u, e->getPortNumber());

    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->addName(L" \t"); }, L"common.parameterEmpty",
                                       {L"serviceName", L"void CSyServicesEntryImpl::addName(const iastring& serviceName)"});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->setProtocol(L" "); }, L"common.parameterEmpty",
                                       {L"protocol", L"void CSyServicesEntryImpl::setProtocol(const iastring& protocol)"});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->setPort(0); }, L"common.parameterNotValid",
                                       {L"portNumber", L"void CSyServicesEntryImpl::setPort(unsigned int portNumber)"});
    const iastring set = L"void CSyServicesEntryImpl::set(const iastring& serviceName, const iastring& protocol, "
                         L"unsigned int portNumber)";
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->set(L"x", L"", 1); }, L"common.parameterEmpty",
                                       {L"protocol", set});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->set(L"x", L"tcp", 0); }, L"common.parameterNotValid",
                                       {L"portNumber", set});
    EXPECT_EQ(3200u, e->getPortNumber()) << "a refused set changes nothing";
    // Ports have 16 bits: 70000 would land on 4464, and 65535 is the last one there is.
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->setPort(65536); }, L"common.parameterNotValid",
                                       {L"portNumber", L"void CSyServicesEntryImpl::setPort(unsigned int portNumber)"});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->set(L"x", L"tcp", 70000); }, L"common.parameterNotValid",
                                       {L"portNumber", set});
    EXPECT_EQ(3200u, e->getPortNumber());
    e->setPort(65535);
    EXPECT_EQ(65535u, e->getPortNumber());
    e->clear();
    EXPECT_EQ(0u, e->getPortNumber());
    EXPECT_EQ(L"", e->getProtocol());
}

TEST_F(CServicesEntryTest, EachModeDropsItsLinesAndAddsTheEntryUnlessItRemoves)
{
    const struct
    {
        S::eWriteMode mode;
        std::string expected;
    } cases[] = {
        {S::APPEND, services + "\r\nsapdp00\t3200/tcp\ta b\r\n"},
        {S::REPLACE, "# services \xFC\x62\x65rsetzt\r\nother\t3200/udp\r\n\r\nsapdp00  3201/tcp old\r\n"
                     "sapgw00\t3300/tcp gateway gw\r\nsapdp00\t3200/tcp\ta b\r\n"},
        {S::REMOVE_NAME, "# services \xFC\x62\x65rsetzt\r\nother\t3200/udp\r\n\r\nsapgw00\t3300/tcp gateway gw"},
        {S::REMOVE, "# services \xFC\x62\x65rsetzt\r\nother\t3200/udp\r\n\r\nsapdp00  3201/tcp old\r\n"
                    "sapgw00\t3300/tcp gateway gw"},
    };
    for (const auto& c : cases)
    {
        writeTestFile(m_file, services);
        m_book.clear();
        if (c.mode & 4)
            sapdp({L"a", L"b"})->removeFromServices(c.mode);
        else
            sapdp({L"a", L"b"})->addToServices(c.mode);
        EXPECT_EQ(c.expected, readTestFile(m_file)) << c.mode;
        const std::vector<iastring> logs = m_book.logs();
        EXPECT_EQ(c.mode & 4 ? 0 : 1, std::count_if(logs.begin(), logs.end(), [](const iastring& line) {
                      return line.find(L"Appended '") == 0;
                  })) << "the Appended line only when one is added";
        EXPECT_FALSE(exists(copyPath()));
    }
    // The edit's own lines; the copy's access rights are logged where they are set.
    const auto editLines = [&] {
        std::vector<iastring> logs = m_book.logs();
        logs.erase(std::remove_if(logs.begin(), logs.end(),
                                  [](const iastring& line) { return line.find(L"Security descriptor of ") == 0; }),
                   logs.end());
        return logs;
    };
    writeTestFile(m_file, services);
    m_book.clear();
    sapdp()->addToServices(S::REPLACE);
    EXPECT_EQ((std::vector<iastring>{L"Writing services: Skipping entry with port/protocol 3200/tcp",
                                     L"Appended 'sapdp00\t3200/tcp' to /etc/services."}),
              editLines());
    EXPECT_EQ((CLogArguments{L"sapdp00\t3200/tcp", m_file}),
              m_book.onlyMessage(L"syslib.network.fileWriteOK").arguments);
}

// A commented-out entry is an administrator's note: no mode drops it, whatever its fields match.
TEST_F(CServicesEntryTest, CommentedOutEntriesStayWhateverTheMode)
{
    const std::string notes = "#sapdp00 3200/tcp\r\n  # sapdp00\t3200/tcp kept too\r\n";
    for (const S::eWriteMode mode : {S::REPLACE, S::REPLACE_NAME, S::REMOVE, S::REMOVE_NAME})
    {
        writeTestFile(m_file, notes + "sapdp00\t3200/tcp\r\n");
        if (mode & 4)
            sapdp()->removeFromServices(mode);
        else
            sapdp()->addToServices(mode);
        EXPECT_EQ(mode & 4 ? notes : notes + "sapdp00\t3200/tcp\r\n", readTestFile(m_file)) << mode;
    }
}

TEST_F(CServicesEntryTest, AnIncompleteEntryOrAFailingEditLeavesTheFileAsItWas)
{
    writeTestFile(m_file, services);
    const iastring function = L"CSyServicesEntryImpl::editServices(ISyServicesEntry::eWriteMode mode)";
    const PSyServicesEntry e = servicesEntry();
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->addToServices(S::APPEND); }, L"common.attributeNotValid",
                                       {L"0", L"m_portNumber"});
    e->setPort(1);
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->addToServices(S::APPEND); }, L"common.attributeEmpty",
                                       {L"m_protocol", function});
    e->setProtocol(L"udp");
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->addToServices(S::APPEND); }, L"common.attributeEmpty",
                                       {L"m_serviceNames", function});
    e->addName(L"#x");
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->addToServices(S::APPEND); }, L"common.attributeNotValid",
                                       {L"#x", L"m_serviceNames[0]"});

    const syslib::network::EditStepHook previous = syslib::network::setEditStepHook(failAtReplace);
    m_book.clear();
    EXPECT_THROW(sapdp()->addToServices(S::REPLACE_NAME), ESyNetworkSystemError);
    syslib::network::setEditStepHook(previous);
    EXPECT_EQ(CMessage::LOG_ERROR, m_book.onlyMessage(L"syslib.network.exceptionAddToServices").type);
    EXPECT_EQ(services, readTestFile(m_file));
    EXPECT_FALSE(exists(copyPath()));
}

TEST_F(CServicesEntryTest, ACommentFirstNameStandsAmongTheAliases)
{
    // Written through the resolver's answers only, so seen here through the lookup log line.
    writeTestFile(m_file, services);
    const PSyServicesEntry e = servicesEntry();
    e->setProtocol(L"tcp");
    e->setPort(9);
    e->addName(L"#c");
    e->addName(L"d");
    EXPECT_FALSE(e->getFromServicesFile());
    EXPECT_EQ(L"No match found in file '" + m_file + L"' for entry \t9/tcp\t#c d", m_book.logs().back());
}

TEST_F(CServicesEntryTest, TheFileLookupFindsByNameAliasOrPortWithinTheProtocol)
{
    writeTestFile(m_file, services);
    const PSyServicesEntry byName = servicesEntry();
    byName->setProtocol(L"tcp");
    byName->addName(L"gw");
    ASSERT_TRUE(byName->getFromServicesFile());
    EXPECT_EQ(3300u, byName->getPortNumber());
    EXPECT_EQ((std::vector<iastring>{L"sapgw00", L"gateway", L"gw"}), collect(byName->getServiceNames()));

    const PSyServicesEntry byPort = servicesEntry();
    byPort->setProtocol(L"udp");
    byPort->setPort(3200);
    ASSERT_TRUE(byPort->getFromServicesFile());
    EXPECT_EQ((std::vector<iastring>{L"other"}), collect(byPort->getServiceNames()));

    const PSyServicesEntry wrongPort = sapdp();
    wrongPort->setPort(3300);
    EXPECT_FALSE(wrongPort->getFromServicesFile());
    const PSyServicesEntry noProtocol = servicesEntry();
    noProtocol->addName(L"sapdp00");
    EXPECT_FALSE(noProtocol->getFromServicesFile());
}

TEST_F(CServicesEntryTest, TheDatabaseLookupNeedsAProtocolAndANameOrPort)
{
    const PSyServicesEntry e = servicesEntry();
    e->addName(L"ftp");
    EXPECT_FALSE(e->getFromServices());
    EXPECT_EQ(L"Protocol not specified. No match possible.", m_book.logs().back());
    const PSyServicesEntry bare = servicesEntry();
    bare->setProtocol(L"tcp");
    EXPECT_FALSE(bare->getFromServices());
    EXPECT_EQ(L"Portnumber and Servicenames not specified. No match possible.", m_book.logs().back());

    const PSyServicesEntry unknown = servicesEntry();
    unknown->set(L"no-such-service-here", L"tcp", 1);
    EXPECT_FALSE(unknown->getFromServices());
    EXPECT_EQ(0u, m_book.logs().back().find(L"No match found in file '" + m_file + L"' for entry "));
}

TEST(ServicesWriteMode, PrintsThePartsPresent)
{
    std::wostringstream text;
    text << S::APPEND << L" " << S::REPLACE << L" " << S::REPLACE_NAME << L" " << S::REMOVE << L" " << S::REMOVE_NAME;
    EXPECT_EQ(L"APPEND REPLACE REPLACE_NAME REPLACE|REMOVE REPLACE_NAME|REMOVE_NAME", text.str());
}
