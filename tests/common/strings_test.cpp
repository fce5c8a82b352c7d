#include "syslib/common/sypattern.h"
#include "framework/iastrutil.h"

#include <gtest/gtest.h>

#include <cwchar>

TEST(StringTest, Trimming)
{
    EXPECT_EQ(L"", stringTrim(L" \t  \t"));
    EXPECT_EQ(L"a b", stringTrim(L"\t a b \r\n"));
    EXPECT_EQ(L"a b \n", stringTrimLeft(L" \ta b \n"));
    EXPECT_EQ(L"\t a b", stringTrimRight(L"\t a b \n"));
    EXPECT_EQ(L"C:\\dir", stringTrimRight(L"C:\\dir\\/\\", L"\\/"));
    EXPECT_EQ(L"", stringTrimRight(L"...", L"."));
    EXPECT_EQ(L"name", stringTrimRight(L"name. . ", L". "));
}

TEST(StringTest, CaseMappingCoversMoreThanAscii)
{
    EXPECT_EQ(L"ADMINISTRATOREN", stringToUpper(L"Administratoren"));
    EXPECT_EQ(L"\u00C4RGER", stringToUpper(L"\u00E4rger"));
    EXPECT_EQ(L"c:\\program files", stringToLower(L"C:\\Program Files"));
    EXPECT_EQ(L"", stringToUpper(L""));
}

TEST(StringTest, Numerals)
{
    EXPECT_TRUE(stringIsNumeral(L"0123"));
    EXPECT_FALSE(stringIsNumeral(L""));
    EXPECT_FALSE(stringIsNumeral(L"-1"));
    EXPECT_FALSE(stringIsNumeral(L"12 "));
}

TEST(StringTest, SplitAtFirstSeparator)
{
    iastring left = L"unchanged";
    iastring right = L"unchanged";
    EXPECT_TRUE(stringSplit(L"PATH=a=b", L'=', left, right));
    EXPECT_EQ(L"PATH", left);
    EXPECT_EQ(L"a=b", right);
    EXPECT_FALSE(stringSplit(L"PATH", L'=', left, right));
    EXPECT_EQ(L"PATH", left);
    EXPECT_TRUE(stringSplit(L"=x", L'=', left, right));
    EXPECT_EQ(L"", left);
}

TEST(StringTest, SplitIntoPiecesAppends)
{
    std::vector<iastring> parts{L"kept"};
    EXPECT_EQ(4u, stringSplit(L"a;b;;c", L';', parts));
    EXPECT_EQ((std::vector<iastring>{L"kept", L"a", L"b", L"", L"c"}), parts);

    parts.clear();
    EXPECT_EQ(3u, stringSplit(L"a b\tc", iastring(L" \t"), parts));
    EXPECT_EQ((std::vector<iastring>{L"a", L"b", L"c"}), parts);
}

TEST(StringTest, SubstituteAllDoesNotRescan)
{
    EXPECT_EQ(L"aXXbXX", stringSubstituteAll(L"aXbX", L"X", L"XX"));
    EXPECT_EQ(L"a\\\\b", stringSubstituteAll(L"a/b", L"/", L"\\\\"));
    EXPECT_EQ(L"abc", stringSubstituteAll(L"abc", L"", L"z"));
}

TEST(StringTest, MultibyteRoundTrip)
{
    EXPECT_EQ("plain", toMbstring(L"plain"));
    EXPECT_EQ(L"plain", toIastring(std::string("plain")));
    const iastring text = L"C:\\Temp\\setup.log";
    EXPECT_EQ(text, toIastring(toMbstring(text)));
    EXPECT_EQ(L"", toIastring(std::string()));
}

TEST(NamePattern, StarsAndQuestionMarksMatchWholeNamesInTheCaseAsked)
{
    struct Case
    {
        const wchar_t* pattern;
        const wchar_t* name;
        bool caseSensitive;
        bool matches;
    };
    const Case cases[] = {
        {L"", L"anything", true, true},
        {L"*", L"", true, true},
        {L"svc?", L"svc1", true, true},
        {L"svc?", L"svc12", true, false},
        {L"svc*", L"svc", true, true},
        {L"*admin*", L"Domain Admins", false, true},
        {L"*admin*", L"Domain Admins", true, false},
        {L"a*b*c", L"aXbYbZc", true, true},
        {L"a*b*c", L"aXbYbZ", true, false},
        {L"*.log", L"x.log.old", true, false},
        {L"*?x", L"ax", true, true},
        {L"*?x", L"x", true, false},
        {L"exact", L"Exact", false, true},
        {L"exact", L"exactly", false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.matches, CSyNamePattern(c.pattern, c.caseSensitive).matches(c.name))
            << "pattern '" << std::string(c.pattern, c.pattern + wcslen(c.pattern)) << "' name '"
            << std::string(c.name, c.name + wcslen(c.name)) << "'";
}
