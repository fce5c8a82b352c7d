// Hosts entries: lookup by address and names, and edits that never lose the file.
#include "networktestutil.h"
#include "syslib/network/syfileedit.h"
#include "tests/support/testchild.h"

#include <sstream>

namespace
{
typedef ISyHostsEntry H;

// Every kind of line a hand-edited hosts file holds.
const std::string messyHosts = "# hosts file \xE9t\xE9 edited by hand\r\n"
                               "\r\n"
                               "127.0.0.1\tlocalhost loopback\r\n"
                               "  10.0.0.2\tdelta   epsilon # the pair\r\n"
                               "\t\r\n"
                               "#10.0.0.1 commented\r\n"
                               "10.0.0.1 alpha\n"
                               "10.0.0.1\tbeta";

PSyHostsEntry entry(const PSyHostsEntry& e, const iastring& address, const std::vector<iastring>& names)
{
    if (!address.empty())
        e->addIPAddress(address);
    for (const iastring& name : names)
        e->addName(name);
    return e;
}

class CHostsEntryTest : public CNetworkFileTest
{
protected:
    PSyHostsEntry lookup(const iastring& address, const std::vector<iastring>& names, bool expected)
    {
        const PSyHostsEntry e = entry(hostsEntry(), address, names);
        EXPECT_EQ(expected, e->getFromHosts());
        return e;
    }
};

// The failure a test injects into one step of the edit.
syslib::network::eEditStep failingStep;
void failAtStep(syslib::network::eEditStep step)
{
    if (step == failingStep)
        throw ESyFileWrite(L"injected");
}

int holdFile(const std::vector<iastring>& arguments)
{
    const DWORD share = arguments.at(1) == L"read" ? FILE_SHARE_READ : 0;
    const syslib::CSyKernelHandle file(::CreateFileW(arguments[0].c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                                     0, nullptr));
    if (!file)
        return 3;
    signalReadyAndWaitForParent();
    return 0;
}
const CTestChildRegistration holdFileChild(L"hold-file", holdFile);
} // namespace

TEST_F(CHostsEntryTest, LookupMatchesWholeNamesInAnyOrderAndFillsTheEntryFromTheLine)
{
    writeTestFile(m_file, messyHosts);
    const PSyHostsEntry pair = lookup(L"", {L"epsilon", L"delta"}, true);
    EXPECT_EQ((std::vector<iastring>{L"10.0.0.2"}), collect(pair->getIPAddresses()));
    EXPECT_EQ((std::vector<iastring>{L"delta", L"epsilon"}), collect(pair->getHostNames()));
    EXPECT_EQ(L"first match for \"\tepsilon delta\" in file " + m_file + L" is \"  10.0.0.2\tdelta   epsilon # the "
                                                                         L"pair\"",
              m_book.logs().back());

    lookup(L"", {L"del"}, false);
    EXPECT_EQ(L"no match for \"\tdel\" in file " + m_file, m_book.logs().back());
    lookup(L"", {L"commented"}, false); // a commented line is no entry
    lookup(L"", {L"Alpha"}, false);     // names are case-sensitive
    lookup(L"10.0.0.2", {L"loopback"}, false);

    // An address alone matches its first line; a name that is a comment ends the names asked for.
    const PSyHostsEntry byAddress = lookup(L"10.0.0.1", {}, true);
    EXPECT_EQ((std::vector<iastring>{L"alpha"}), collect(byAddress->getHostNames()));
    EXPECT_EQ((std::vector<iastring>{L"beta"}), collect(lookup(L"10.0.0.1", {L"beta"}, true)->getHostNames()));
    lookup(L"", {L"localhost", L"#any", L"nosuch"}, true);
}

TEST_F(CHostsEntryTest, LookupNeedsSomethingToLookForAndOneAddress)
{
    // Nothing to look for: no file is read, so a missing one is no failure.
    const PSyHostsEntry nothing = entry(hostsEntry(), L"", {L"#comment"});
    EXPECT_FALSE(nothing->getFromHosts());
    EXPECT_TRUE(m_book.messages().empty());

    writeTestFile(m_file, messyHosts);
    const PSyHostsEntry two = entry(hostsEntry(), L"10.0.0.1", {L"alpha"});
    two->addIPAddress(L"10.0.0.2");
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { two->getFromHosts(); }, L"common.attributeNotValid",
                                       {L"10.0.0.2", L"m_ipAddresses[1]"});

    ::DeleteFileW(m_file.c_str());
    m_book.clear();
    EXPECT_THROW(lookup(L"10.0.0.1", {}, false), ESyNetworkSystemError);
    EXPECT_EQ(L"CreateFile", m_book.onlyMessage(L"syslib.sysCallFailed").arguments.at(0));
}

TEST_F(CHostsEntryTest, EmptyValuesAreRefusedWithTheirParameterName)
{
    const PSyHostsEntry e = hostsEntry();
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->addName(L""); }, L"common.parameterEmpty",
                                       {L"hostName", L"void CSyHostsEntryImpl::addName(const iastring& hostName)"});
    expectLoggedThrow<ESyPrecondition>(
        m_book, [&] { e->addIPAddress(L""); }, L"common.parameterEmpty",
        {L"ipAddress", L"void CSyHostsEntryImpl::addIPAddress(const iastring& ipAddress)"});
    const iastring set = L"void CSyHostsEntryImpl::set(const iastring& ipAddress, const iastring& hostName)";
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->set(L"", L"a"); }, L"common.parameterEmpty",
                                       {L"ipAddress", set});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->set(L"1.2.3.4", L""); }, L"common.parameterEmpty",
                                       {L"hostName", set});

    e->addName(L" spaced ");
    e->set(L"1.2.3.4", L"one");
    EXPECT_EQ((std::vector<iastring>{L"one"}), collect(e->getHostNames())) << "set starts afresh";
    e->clear();
    EXPECT_TRUE(collect(e->getIPAddresses()).empty());
}

TEST_F(CHostsEntryTest, AnIncompleteEntryIsRefusedBeforeTheFileIsTouched)
{
    const iastring function = L"CSyHostsEntryImpl::addToHosts(ISyHostsEntry::eWriteMode mode)";
    writeTestFile(m_file, messyHosts);
    const struct
    {
        std::vector<iastring> addresses;
        std::vector<iastring> names;
        const wchar_t* key;
        CLogArguments arguments;
    } cases[] = {
        {{}, {L"a"}, L"common.attributeEmpty", {L"m_ipAddresses", function}},
        {{L"10.0.0.9", L"10.0.0.8"}, {L"a"}, L"common.attributeNotValid", {L"10.0.0.8", L"m_ipAddresses[1]"}},
        {{L"10.0.0.9"}, {}, L"common.attributeEmpty", {L"m_ipNames", function}},
        {{L"10.0.0.9"}, {L"#a"}, L"common.attributeNotValid", {L"#a", L"m_ipNames[0]"}},
    };
    for (const auto& c : cases)
    {
        const PSyHostsEntry e = hostsEntry();
        for (const iastring& address : c.addresses)
            e->addIPAddress(address);
        for (const iastring& name : c.names)
            e->addName(name);
        expectLoggedThrow<ESyPrecondition>(m_book, [&] { e->addToHosts(H::REPLACE); }, c.key, c.arguments);
    }
    EXPECT_EQ(messyHosts, readTestFile(m_file));
    EXPECT_FALSE(exists(copyPath()));
}

TEST_F(CHostsEntryTest, EditsChangeOnlyTheirLinesByteForByte)
{
    writeTestFile(m_file, messyHosts);
    entry(hostsEntry(), L"10.0.0.3", {L"gamma", L"g"})->addToHosts(H::APPEND);
    // The last line had no line end: it gets the file's own before the new line.
    const std::string appended = messyHosts + "\r\n10.0.0.3\tgamma g\r\n";
    EXPECT_EQ(appended, readTestFile(m_file));
    const CRecordedLine written = m_book.onlyMessage(L"syslib.network.fileWriteOK");
    EXPECT_EQ(CMessage::LOG_INFO, written.type);
    EXPECT_EQ((CLogArguments{L"10.0.0.3\tgamma g", m_file}), written.arguments);

    entry(hostsEntry(), L"10.0.0.1", {L"gamma"})->addToHosts(H::REPLACE);
    EXPECT_EQ("# hosts file \xE9t\xE9 edited by hand\r\n"
              "\r\n"
              "127.0.0.1\tlocalhost loopback\r\n"
              "  10.0.0.2\tdelta   epsilon # the pair\r\n"
              "\t\r\n"
              "#10.0.0.1 commented\r\n"
              "10.0.0.3\tgamma g\r\n"
              "10.0.0.1\tgamma\r\n",
              readTestFile(m_file));
    EXPECT_FALSE(exists(copyPath()));

    // A file written with LF keeps LF; an empty one gets the platform's line end.
    writeTestFile(m_file, "10.0.0.1 alpha\n\n10.0.0.5 old\n");
    entry(hostsEntry(), L"10.0.0.5", {L"e"})->addToHosts(H::REPLACE);
    EXPECT_EQ("10.0.0.1 alpha\n\n10.0.0.5\te\n", readTestFile(m_file));
    writeTestFile(m_file, "");
    entry(hostsEntry(), L"10.0.0.5", {L"e"})->addToHosts(H::REPLACE);
    EXPECT_EQ("10.0.0.5\te\r\n", readTestFile(m_file));
}

TEST_F(CHostsEntryTest, AFailureAtAnyStepLeavesTheOriginalWholeAndNoCopy)
{
    using namespace syslib::network;
    for (const eEditStep step : {EDIT_READ, EDIT_WRITE, EDIT_APPEND, EDIT_ACCESS_RIGHTS, EDIT_REPLACE})
    {
        writeTestFile(m_file, messyHosts);
        failingStep = step;
        const EditStepHook previous = setEditStepHook(failAtStep);
        m_book.clear();
        EXPECT_THROW(entry(hostsEntry(), L"10.0.0.1", {L"gamma"})->addToHosts(H::REPLACE), ESyNetworkSystemError)
            << "step " << step;
        setEditStepHook(previous);
        EXPECT_EQ(messyHosts, readTestFile(m_file)) << "step " << step;
        EXPECT_FALSE(exists(copyPath())) << "step " << step;
        EXPECT_TRUE(m_book.messages(L"syslib.network.fileWriteOK").empty());
        bool traced = false;
        for (const iastring& text : m_book.traces())
            traced |= text.find(L"Syslib control flow info: Exception at line ") == 0 &&
                      text.find(L" in file syxxchsten") != iastring::npos;
        EXPECT_TRUE(traced) << "step " << step;
    }
}

TEST_F(CHostsEntryTest, AReadOnlyFileIsEditedAndStaysReadOnlyALockedOneIsAClearErrorAndStaysAsItWas)
{
    writeTestFile(m_file, messyHosts);
    ASSERT_TRUE(::SetFileAttributesW(m_file.c_str(), FILE_ATTRIBUTE_READONLY));
    entry(hostsEntry(), L"10.0.0.9", {L"gamma"})->addToHosts(H::APPEND);
    EXPECT_EQ(messyHosts + "\r\n10.0.0.9\tgamma\r\n", readTestFile(m_file));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY),
              ::GetFileAttributesW(m_file.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(exists(copyPath()));

    ::SetFileAttributesW(m_file.c_str(), FILE_ATTRIBUTE_NORMAL);
    writeTestFile(m_file, messyHosts);
    for (const wchar_t* share : {L"none", L"read"})
    {
        ASSERT_TRUE(::SetFileAttributesW(m_file.c_str(), FILE_ATTRIBUTE_READONLY));
        CTestChildProcess holder(L"hold-file", L"\"" + m_file + L"\" " + share);
        ASSERT_EQ("ready", holder.readLine()) << share;
        m_book.clear();
        EXPECT_THROW(entry(hostsEntry(), L"10.0.0.1", {L"gamma"})->addToHosts(H::REPLACE), ESyNetworkSystemError)
            << share;
        EXPECT_FALSE(m_book.messages(L"syslib.sysCallFailed").empty()) << "the failing call is named";
        EXPECT_EQ(0u, holder.finish());
        EXPECT_EQ(messyHosts, readTestFile(m_file)) << share;
        EXPECT_FALSE(exists(copyPath())) << share;
        EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY),
                  ::GetFileAttributesW(m_file.c_str()) & FILE_ATTRIBUTE_READONLY)
            << share;
    }
    ::SetFileAttributesW(m_file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(HostsWriteMode, PrintsItsName)
{
    std::wostringstream text;
    text << H::APPEND << L" " << H::REPLACE << L" " << static_cast<H::eWriteMode>(7);
    EXPECT_EQ(L"APPEND REPLACE unknown (7)", text.str());
}

namespace
{
std::string utf16le(const iastring& text)
{
    std::string bytes;
    for (const wchar_t c : text)
    {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

std::string utf8(const iastring& text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

const std::string utf16Mark = "\xFF\xFE";
const std::string utf8Mark = "\xEF\xBB\xBF";
} // namespace

// A hosts file saved by an editor as UTF-16 or with a UTF-8 mark is read and rewritten in its own encoding,
// mark kept: split on single bytes it was garbled, and an ANSI line appended into it.
TEST_F(CHostsEntryTest, AFileInUtf16OrWithAUtf8MarkStaysInItsEncoding)
{
    const iastring wide = L"# hosts\r\n127.0.0.1\tlocalhost\r\n10.0.0.1\tbeta \u0441\u0435\u0440\u0432\u0435\u0440 "
                          L"\U0001F5A5\r\n10.0.0.2\tlast";
    writeTestFile(m_file, utf16Mark + utf16le(wide));
    const PSyHostsEntry found = lookup(L"", {L"\u0441\u0435\u0440\u0432\u0435\u0440"}, true);
    EXPECT_EQ((std::vector<iastring>{L"10.0.0.1"}), collect(found->getIPAddresses()));
    EXPECT_EQ((std::vector<iastring>{L"beta", L"\u0441\u0435\u0440\u0432\u0435\u0440", L"\U0001F5A5"}),
              collect(found->getHostNames()));
    entry(hostsEntry(), L"10.0.0.3", {L"gamma"})->addToHosts(H::APPEND);
    EXPECT_EQ(utf16Mark + utf16le(wide + L"\r\n10.0.0.3\tgamma\r\n"), readTestFile(m_file));
    entry(hostsEntry(), L"10.0.0.1", {L"\u0434\u043e\u043c"})->addToHosts(H::REPLACE);
    EXPECT_EQ(utf16Mark + utf16le(L"# hosts\r\n127.0.0.1\tlocalhost\r\n10.0.0.2\tlast\r\n10.0.0.3\tgamma\r\n"
                                  L"10.0.0.1\t\u0434\u043e\u043c\r\n"),
              readTestFile(m_file));

    // The mark is no part of the first name, and stays when the first line goes.
    const std::string marked = utf8Mark + "10.0.0.5 first\n" + utf8(L"10.0.0.6 \u0441\u0435\u0440\u0432\u0435\u0440\n");
    writeTestFile(m_file, marked);
    EXPECT_EQ((std::vector<iastring>{L"10.0.0.5"}), collect(lookup(L"", {L"first"}, true)->getIPAddresses()));
    EXPECT_EQ((std::vector<iastring>{L"10.0.0.6"}),
              collect(lookup(L"", {L"\u0441\u0435\u0440\u0432\u0435\u0440"}, true)->getIPAddresses()));
    entry(hostsEntry(), L"10.0.0.5", {L"\u0434\u043e\u043c"})->addToHosts(H::REPLACE);
    EXPECT_EQ(utf8Mark + utf8(L"10.0.0.6 \u0441\u0435\u0440\u0432\u0435\u0440\n10.0.0.5\t\u0434\u043e\u043c\n"),
              readTestFile(m_file));
    EXPECT_FALSE(exists(copyPath()));
}
