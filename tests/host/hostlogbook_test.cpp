// The readable log book of syslib's host: what a line looks like, how message keys are rendered through
// the catalogue, what verbosity drops, and that registered secrets never reach the output.
#include "host/hostcatalogue.h"
#include "host/hostlogbook.h"
#include "host/utf8stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>

namespace
{
class CHostLogBookTest : public ::testing::Test
{
protected:
    // The lines written so far, each without its timestamp (checked once, on its own).
    std::vector<iastring> lines() const
    {
        std::vector<iastring> found;
        std::wistringstream in(m_sink.str());
        for (iastring line; std::getline(in, line);)
            found.push_back(line.size() > 24 ? line.substr(24) : line);
        return found;
    }

    std::wostringstream m_sink;
    CHostLogBook m_book{m_sink};
};
} // namespace

TEST_F(CHostLogBookTest, ALineHasTimeLevelIndentTextAndSourcePlace)
{
    m_book.setSourceFile(L"syxxcnode");
    m_book.log(L"plain", 12);
    m_book.indent();
    m_book.trace(L"deeper", 13);
    m_book.indent();
    m_book.message(L"syslib.outOfMemory", CMessage::LOG_ERROR, 14);
    m_book.unindent();
    m_book.unindent();
    m_book.unindent(); // never below the left margin
    m_book.message(L"syslib.outOfMemory", CMessage::LOG_WARNING, 15);
    m_book.message(L"syslib.outOfMemory", CMessage::LOG_INFO, 16);

    const std::wstring all = m_sink.str();
    EXPECT_TRUE(std::regex_search(std::string(all.begin(), all.end()),
                                  std::regex("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} LOG plain")))
        << std::string(all.begin(), all.end());
    EXPECT_EQ((std::vector<iastring>{L"LOG plain  <syxxcnode:12>", L"TRC   deeper  <syxxcnode:13>",
                                     L"ERR     Out of memory. {syslib.outOfMemory}  <syxxcnode:14>",
                                     L"WRN Out of memory. {syslib.outOfMemory}  <syxxcnode:15>",
                                     L"INF Out of memory. {syslib.outOfMemory}  <syxxcnode:16>"}),
              lines());
}

TEST_F(CHostLogBookTest, GuardLinesNameTheirFunctionAndOtherTracesDoNot)
{
    m_book.setSourceFile(L"synxcpath");
    m_book.setFunctionName(L"CSyPath::getCanonicalPathImpl()");
    for (const wchar_t* text : {L"begin of function", L"end of function", L"begin of constructor",
                                L"end of constructor", L"begin of destructor", L"end of destructor"})
        m_book.trace(text, 3);
    m_book.trace(L"end of function body", 4);
    m_book.setFunctionName(L"");
    m_book.trace(L"begin of function", 5);
    const std::vector<iastring> written = lines();
    ASSERT_EQ(8u, written.size());
    EXPECT_EQ(L"TRC begin of function CSyPath::getCanonicalPathImpl()  <synxcpath:3>", written[0]);
    EXPECT_EQ(L"TRC end of destructor CSyPath::getCanonicalPathImpl()  <synxcpath:3>", written[5]);
    EXPECT_EQ(L"TRC end of function body  <synxcpath:4>", written[6]);
    EXPECT_EQ(L"TRC begin of function  <synxcpath:5>", written[7]);
}

TEST_F(CHostLogBookTest, MessagesAreRenderedWithTheirArgumentsInOrder)
{
    m_book.addArgument(L"name");
    m_book.addArgument(L"CSyX::f()");
    m_book.message(L"common.parameterNotValid", CMessage::LOG_ERROR, 1);
    EXPECT_TRUE(m_book.getArguments().empty()) << "a message uses up its arguments";
    m_book.setArguments({L"bytes", L"-1", L"setBytes()"});
    m_book.message(L"common.parameterNotValid", CMessage::LOG_ERROR, 2);
    m_book.setArguments({L"a", L"b"});
    m_book.message(L"no.such.key", CMessage::LOG_ERROR, 3);
    m_book.message(L"no.such.key", CMessage::LOG_ERROR, 4);
    m_book.setArguments({L"a", L"b", L"extra 1", L"extra 2"});
    m_book.message(L"common.parameterNotValid", CMessage::LOG_ERROR, 5);
    m_book.addArgument(L"only one");
    m_book.message(L"common.parameterNotValid", CMessage::LOG_ERROR, 6);
    m_book.setArguments({L"f()", L"more"});
    m_book.message(L"common.functionNotSupported", CMessage::LOG_ERROR, 7);

    const std::vector<iastring> written = lines();
    ASSERT_EQ(7u, written.size());
    EXPECT_EQ(L"ERR Parameter name is not valid in CSyX::f(). {common.parameterNotValid}  <:1>", written[0]);
    EXPECT_EQ(L"ERR Parameter bytes with the value -1 is not valid in setBytes(). {common.parameterNotValid}  <:2>",
              written[1]);
    EXPECT_EQ(L"ERR no.such.key [a | b] {no.such.key}  <:3>", written[2]);
    EXPECT_EQ(L"ERR no.such.key {no.such.key}  <:4>", written[3]);
    // What no text takes is still shown, and a missing argument leaves its place empty.
    EXPECT_EQ(L"ERR Parameter a is not valid in b. [extra 1 | extra 2] {common.parameterNotValid}  <:5>", written[4]);
    EXPECT_EQ(L"ERR Parameter only one is not valid in . {common.parameterNotValid}  <:6>", written[5]);
    EXPECT_EQ(L"ERR The function f() is not supported on this platform. [more] {common.functionNotSupported}  <:7>",
              written[6]);
}

TEST_F(CHostLogBookTest, TypeMappingAndMessageTypeDecideTheLevel)
{
    m_book.useTypeMapping(CMessage::LOG_ERROR, CMessage::LOG_WARNING);
    m_book.message(L"syslib.outOfMemory", CMessage::LOG_ERROR, 1);
    m_book.restoreTypeMapping(CLogTypeMapping());
    m_book.messageWithFlag(L"syslib.outOfMemory", true, CMessage::LOG_ERROR, 2);
    m_book.setMessageType(CMessage::LOG_WARNING);
    m_book.logMessage(L"syslib.outOfMemory", 3);
    const std::vector<iastring> written = lines();
    ASSERT_EQ(3u, written.size());
    EXPECT_EQ(0u, written[0].find(L"WRN "));
    EXPECT_EQ(0u, written[1].find(L"ERR "));
    EXPECT_EQ(0u, written[2].find(L"WRN "));
}

TEST_F(CHostLogBookTest, QuietKeepsMessagesOnly)
{
    m_book.setVerbose(false);
    m_book.trace(L"a trace", 1);
    m_book.log(L"a log line", 2);
    m_book.message(L"syslib.outOfMemory", CMessage::LOG_INFO, 3);
    EXPECT_EQ((std::vector<iastring>{L"INF Out of memory. {syslib.outOfMemory}  <:3>"}), lines());
}

TEST_F(CHostLogBookTest, ADumpIsAlignedUnderItsFirstLineAndLosesItsFinalLineEnds)
{
    m_book.indent();
    m_book.log(L"Process environment\nPATH=C:\\x\r\n\n", 9);
    // The margin is the timestamp (24), the level (4) and one indent (2).
    EXPECT_EQ((std::vector<iastring>{L"LOG   Process environment", L"      PATH=C:\\x  <:9>"}), lines());
}

TEST_F(CHostLogBookTest, SecretsNeverReachTheOutput)
{
    m_book.addSecret(L"Pa55word");
    m_book.addSecret(L"");
    m_book.trace(L"parameter(s): user, Pa55word", 1);
    m_book.log(L"Pa55wordPa55word", 2);
    m_book.setArguments({L"x", L"a Pa55word b"});
    m_book.message(L"common.parameterNotValid", CMessage::LOG_ERROR, 3);
    m_book.setSourceFile(L"Pa55word");
    m_book.trace(L"source", 4);
    EXPECT_EQ(iastring::npos, m_sink.str().find(L"Pa55word"));
    const std::vector<iastring> written = lines();
    ASSERT_EQ(4u, written.size());
    EXPECT_EQ(L"TRC parameter(s): user, ********  <:1>", written[0]);
    EXPECT_EQ(L"LOG ****************  <:2>", written[1]);
}

// syhost reports a failure by the last error the library logged: its text (secrets masked) and its key.
TEST_F(CHostLogBookTest, TheLastErrorIsKeptWithItsKeyUntilCleared)
{
    EXPECT_TRUE(m_book.lastError().empty() && m_book.lastErrorKey().empty());
    m_book.addSecret(L"Pa55word");
    m_book.setArguments({L"bytes", L"Pa55word"});
    m_book.message(L"common.parameterNotValid", CMessage::LOG_ERROR, 1);
    m_book.message(L"syslib.outOfMemory", CMessage::LOG_WARNING, 2);
    m_book.setVerbose(false);
    m_book.trace(L"after", 3);
    EXPECT_EQ(L"common.parameterNotValid", m_book.lastErrorKey()) << "a warning is no error";
    EXPECT_EQ(L"Parameter bytes is not valid in ********.", m_book.lastError());
    m_book.clearLastError();
    EXPECT_TRUE(m_book.lastError().empty());
    EXPECT_TRUE(m_book.lastErrorKey().empty());
}

TEST(Utf8StreamTest, WritesEveryCodePointAsUtf8)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(nullptr, file);
    {
        CUtf8Stream stream(file);
        // ASCII, two-byte, three-byte, the first character after the surrogates, surrogate pairs (the first
        // one beyond 16 bits among them), and a lone surrogate (written as U+FFFD).
        stream << L"a\u00E4\u20AC\uE000\U0001F600\U00010000" << wchar_t(0xD800) << L"z";
    }
    std::rewind(file);
    char bytes[64] = {0};
    const std::size_t count = std::fread(bytes, 1, sizeof(bytes), file);
    std::fclose(file);
    EXPECT_EQ(std::string("a\xC3\xA4\xE2\x82\xAC\xEE\x80\x80\xF0\x9F\x98\x80\xF0\x90\x80\x80\xEF\xBF\xBDz"),
              std::string(bytes, count));
}
