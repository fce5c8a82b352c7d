#include "syslib/process/syargs.h"
#include "syslib/process/syprocessmgtimpl.h"
#include "framework/iacontaineriter.h"
#include "tests/support/expectthrow.h"
#include "tests/support/testchild.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace
{
typedef std::vector<iastring> Args;

Args split(const iastring& text, const iastring& separators = L" ")
{
    CSyArguments arguments(nullptr);
    arguments.set(text, separators);
    return arguments.get();
}

iastring join(const Args& items, iachar separator = L' ')
{
    CSyArguments arguments(nullptr);
    arguments.set(PSyStringIterator(new CIaContainerIter<iastring>(items)));
    return arguments.join(separator);
}

// Reports its arguments as the runtime split them, one line of hexadecimal units each.
int printArguments(const Args& arguments)
{
    for (const iastring& argument : arguments)
        std::printf("%s\n", hexUnits(argument).c_str());
    return 0;
}
const CTestChildRegistration printArgumentsChild(L"print-arguments", printArguments);

// What a child started with the command line text after its program path gets as arguments.
Args childArguments(const iastring& commandLineTail)
{
    const CTestChildResult result = runTestChild(L"print-arguments", commandLineTail);
    EXPECT_EQ(0u, result.exitCode);
    Args arguments;
    std::size_t start = 0;
    for (std::size_t end; (end = result.output.find('\n', start)) != std::string::npos; start = end + 1)
    {
        std::string line = result.output.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        arguments.push_back(fromHexUnits(line));
    }
    return arguments;
}

Args randomArguments(std::mt19937& random, bool forAChild)
{
    // Weighted towards the characters the quoting rules are about.
    static const iastring alphabet = L"ab \\\\\\\"\"\t,x\u00e9\u20ac\u4e2d";
    Args arguments(random() % 5);
    for (iastring& argument : arguments)
    {
        const std::size_t length = 1 + random() % 8;
        for (std::size_t i = 0; i < length; ++i)
            argument += alphabet[random() % alphabet.size()];
        // The two cases join leaves to the caller (see syargs.h).
        if (forAChild && argument.find(L'\t') != iastring::npos && argument.find(L' ') == iastring::npos)
            argument += L' ';
    }
    return arguments;
}
} // namespace

TEST(ArgumentsTest, SplitsByTheRuntimeQuotingRules)
{
    struct Case
    {
        iastring text;
        iastring separators;
        Args expected;
    };
    const Case cases[] = {
        {L"", L" ", {}},
        {L"   ", L" ", {}},
        {L"  a   b  ", L" ", {L"a", L"b"}},
        {L"\"two words\" third", L" ", {L"two words", L"third"}},
        {L"a\"b c\"d", L" ", {L"ab cd"}},
        {L"a \"\" b", L" ", {L"a", L"", L"b"}},
        {L"a\tb", L" ", {L"a\tb"}},
        {L"a,b c", L" ,", {L"a", L"b", L"c"}},
        {L"\"a, b\",c", L" ,", {L"a, b", L"c"}},
        // Backslash runs: before a quote they halve, an odd one escapes the quote; elsewhere they stay.
        {L"a\\\"b", L" ", {L"a\"b"}},
        {L"a\\\\\"b c\"", L" ", {L"a\\b c"}},
        {L"a\\\\\\\"b c", L" ", {L"a\\\"b", L"c"}},
        {L"a\\\\b c\\", L" ", {L"a\\\\b", L"c\\"}},
        {L"\"a b\\\\\" c", L" ", {L"a b\\", L"c"}},
        {L"\"a\\\"b c\"", L" ", {L"a\"b c"}},
        {L"\"a\\\\b\"", L" ", {L"a\\\\b"}},
        {L"\\\\\\\\\"\"", L" ", {L"\\\\"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, split(c.text, c.separators)) << hexUnits(c.text);
}

TEST(ArgumentsTest, AnUnclosedQuoteKeepsTheArgumentsBeforeIt)
{
    CRecordingLogBook book;
    for (const iastring text : {L"\"", L"\"abc", L"a \"b", L"a\\\\\"b", L"ok \"\"\""})
        EXPECT_THROW(split(text), EUnmatchedDoubleQuote) << hexUnits(text);

    CSyArguments arguments(nullptr);
    arguments.set(L"old", L" ");
    book.clear();
    EXPECT_THROW(arguments.set(L"x \"y z\" \"w", L" "), EUnmatchedDoubleQuote);
    EXPECT_EQ((Args{L"x", L"y z"}), arguments.get());
    const std::vector<iastring> traces = book.traces();
    const iastring prefix = L"Syslib control flow info: Exception at line ";
    const auto exceptionLine = std::find_if(traces.begin(), traces.end(), [&](const iastring& trace) {
        return trace.compare(0, prefix.size(), prefix) == 0 && trace.find(L" in file syxxcargs. ") != iastring::npos;
    });
    EXPECT_NE(traces.end(), exceptionLine);
    EXPECT_TRUE(book.messages().empty());
}

TEST(ArgumentsTest, RefusesSeparatorSetsItCannotSplitWith)
{
    CRecordingLogBook book;
    CSyArguments arguments(&book);
    arguments.set(L"kept list", L" ");
    for (const iastring separators : {L"", L" \""})
    {
        const ESyPrecondition refused = expectLoggedThrow<ESyPrecondition>(
            book, [&] { arguments.set(L"a b", separators); }, L"syslib.process.childApplication.badSeparator",
            {separators});
        EXPECT_EQ(ESyPrecondition::PARAMETER_NOT_VALID, refused.getCode());
    }
    EXPECT_EQ((Args{L"kept", L"list"}), arguments.get());
}

TEST(ArgumentsTest, NeverWritesTheArgumentsToTheLog)
{
    CRecordingLogBook book;
    CSyArguments arguments(&book);
    arguments.set(L"--password secret", L" ");
    arguments.join(L' ');
    EXPECT_TRUE(ranFunction(book, L"CSyArguments::set(const iastring&, const iastring&)"));
    for (const CRecordedLine& line : book.lines())
        EXPECT_EQ(iastring::npos, line.text.find(L"secret")) << hexUnits(line.text);
}

TEST(ArgumentsTest, JoinQuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(L"\"a b\" c x\\\"y", join({L"a b", L"c", L"x\"y"}));
    EXPECT_EQ(L"", join({}));
    // Trailing backslashes are doubled only when a closing quote follows them.
    EXPECT_EQ(L"\"a b\\\\\" c\\", join({L"a b\\", L"c\\"}));
    EXPECT_EQ(L"a\\\\\\\"b\\c", join({L"a\\\"b\\c"}));
    // The joining separator decides what is quoted.
    EXPECT_EQ(L"a b,\"c,d\"", join({L"a b", L"c,d"}, L','));
    // Left as they are on purpose (see syargs.h).
    EXPECT_EQ(L"a  b", join({L"a", L"", L"b"}));
    EXPECT_EQ(L"a\tb", join({L"a\tb"}));
}

TEST(ArgumentsTest, SplittingAJoinedListGivesItBack)
{
    std::mt19937 random(1307);
    for (int round = 0; round < 3000; ++round)
    {
        Args arguments = randomArguments(random, false);
        arguments.erase(std::remove(arguments.begin(), arguments.end(), iastring()), arguments.end());
        const iachar separator = round % 3 == 0 ? L',' : L' ';
        const iastring joined = join(arguments, separator);
        ASSERT_EQ(arguments, split(joined, iastring(1, separator))) << hexUnits(joined);
    }
}

TEST(ArgumentsTest, AChildProgramSeesTheJoinedArgumentsAsWritten)
{
    // Cases the rules single out, then random lists.
    std::vector<Args> lists = {
        {L"a b", L"c", L"x\"y"},
        {L"trailing\\", L"quoted trailing\\\\", L"\\\"", L"\\\\\"a b\""},
        {L"C:\\Program Files\\", L"\"\"", L"\u00fcber \u20ac\u4e2d"},
    };
    std::mt19937 random(4711);
    while (lists.size() < 12)
    {
        Args arguments = randomArguments(random, true);
        arguments.erase(std::remove(arguments.begin(), arguments.end(), iastring()), arguments.end());
        lists.push_back(arguments);
    }
    CSyProcessMgt manager;
    for (const Args& arguments : lists)
    {
        const iastring commandLine =
            manager.getCommandLine(PSyStringIterator(new CIaContainerIter<iastring>(arguments)));
        EXPECT_EQ(join(arguments), commandLine);
        EXPECT_EQ(arguments, childArguments(commandLine)) << hexUnits(commandLine);
    }
}

TEST(ArgumentsTest, ListsSetFromAnIteratorAreTakenUnchanged)
{
    CSyArguments arguments(nullptr);
    arguments.set(L"old", L" ");
    const Args items = {L"", L" spaced ", L"\"quoted\""};
    arguments.set(PSyStringIterator(new CIaContainerIter<iastring>(items)));
    EXPECT_EQ(items, arguments.get());
    arguments.set(PSyStringIterator());
    EXPECT_TRUE(arguments.get().empty());
}
