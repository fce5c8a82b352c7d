#include "compatibilitylevel.h"
#include "framework/iastrutil.h"
#include "syslib/account/syaclparser.h"
#include "syslib/account/syaclright.h"
#include "tests/support/recordinglogbook.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <typeinfo>

using namespace SyAclStrings;
typedef CSySecurityParser P;

namespace SyAclStrings
{
// A failed comparison shows the entries as text, not as bytes.
void PrintTo(const CSyACEExpression& ace, std::ostream* out)
{
    *out << toMbstring(ace.toString());
}
} // namespace SyAclStrings

namespace
{
// The type name of the syntax error that parsing throws, or "parsed".
std::string errorOf(const iastring& expression, iastring* token = nullptr, int* position = nullptr)
{
    try
    {
        parseAclExpression(expression);
    }
    catch (const P::ESecuritySyntaxError& error)
    {
        EXPECT_EQ(L"Security syntax error in ACL expression near " + error.getToken(), error.getText());
        if (token)
            *token = error.getToken();
        if (position)
            *position = error.getPosition();
        return typeid(error).name();
    }
    return "parsed";
}
} // namespace

TEST(AclRightTest, LettersAndValidity)
{
    EXPECT_EQ(ISyACLRight::getRIGHTS(),
              ISyACLRight::getREAD() + ISyACLRight::getWRITE() + ISyACLRight::getEXECUTE() +
                  ISyACLRight::getSWITCHUID() + ISyACLRight::getSWITCHGID() + ISyACLRight::getSTICKY() +
                  ISyACLRight::getOWNER() + ISyACLRight::getGROUP() + ISyACLRight::getDENYOP());
    EXPECT_EQ(L"rwxsztog!", ISyACLRight::getRIGHTS());
    EXPECT_TRUE(ISyACLRight::isValid(L"") && ISyACLRight::isValid(L"rwx!w"));
    for (const wchar_t* invalid : {L"q", L"R", L"r w"})
        EXPECT_FALSE(ISyACLRight::isValid(invalid)) << invalid;
    EXPECT_FALSE(ISyACLRight::isValid(iastring(L"r\0", 2)));
}

TEST(AclScannerTest, TokensTypesAndPositions)
{
    std::wistringstream input(L"ro  Admin!\t");
    CSySecurityScanner scanner(input);
    const struct
    {
        int type;
        const wchar_t* text;
        int position;
    } expected[] = {{'r', L"r", 1},
                    {'o', L"o", 2},
                    {CSySecurityScanner::SPACE, L"  ", 4},
                    {CSySecurityScanner::WORD, L"Admin", 9},
                    {'!', L"!", 10},
                    {CSySecurityScanner::SPACE, L"\t", 11},
                    {CSySecurityScanner::END, L"", 11},
                    {CSySecurityScanner::END, L"", 11}};
    for (const auto& token : expected)
    {
        EXPECT_EQ(token.type, scanner.getType()) << token.text;
        EXPECT_EQ(token.text, scanner.getText());
        EXPECT_EQ(token.position, scanner.getPosition()) << token.text;
        scanner.next();
    }
}

TEST(AclParserTest, ValidExpressionsAndTheirTextForm)
{
    const struct
    {
        const wchar_t* input;
        const wchar_t* text;
    } cases[] = {
        {L"", L""},
        {L" \t\r\n", L""},
        {L"(Administrators, GROUP, =rwx)", L"(Administrators, GROUP, =rwx)"},
        {L"(guest, USER, -w)", L"(guest, USER, -w)"},
        {L"(SYSTEM, USER, +rw | DELETE ! x, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)",
         L"(SYSTEM, USER, +rw | DELETE!x, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)"},
        {L"(a,b,+)", L"(a, NONE, +)"},
        {L"(a,,=)", L"(a, NONE, =)"},
        {L"(, group ,-)", L"(, GROUP, -)"},
        // Names may hold spaces, letters and brackets; only the comma ends them.
        {L"( root  user (x)!= , User , + r w  x )", L"(root  user (x)!=, USER, +rwx)"},
        {L"(a, b, +read)", L"(a, NONE, +r | EAD)"},
        {L"(a,b,=r | read_control | 0x40 ! w | delete, object_inherit_ace)",
         L"(a, NONE, =r | READ_CONTROL | 0X40!w | DELETE, OBJECT_INHERIT_ACE)"},
        {L"(a,b,+!x)", L"(a, NONE, +!x)"},
        {L"(a,b,+r!)", L"(a, NONE, +r)"},
        {L"(a,b,+ | X | | x )", L"(a, NONE, + | X)"},
        {L"(a,b,+r=X)", L"(a, NONE, +r | =X)"},
        {L"(a,b,+r (X)", L"(a, NONE, +r | (X)"},
        {L"(a,b,+r,)", L"(a, NONE, +r)"},
        {L"(a,b,+r, inherit_only_ace|inherit_only_ace |x)", L"(a, NONE, +r, INHERIT_ONLY_ACE | X)"},
        {L"(a,b,+rr)(c,GROUP,-)\n\t(d,USER,=o g)", L"(a, NONE, +rr)(c, GROUP, -)(d, USER, =og)"},
    };
    for (const auto& c : cases)
    {
        CSyACEExpressionList aces;
        ASSERT_NO_THROW(aces = parseAclExpression(c.input)) << c.input;
        EXPECT_EQ(c.text, toString(aces)) << c.input;
        EXPECT_EQ(aces, parseAclExpression(toString(aces))) << c.input;
    }

    // The round trip proves something only if equality sees every part of an entry.
    const CSyACEExpression entry = parseAclExpression(L"(a, USER, +r!w, OBJECT_INHERIT_ACE)").front();
    EXPECT_EQ(entry, parseAclExpression(L"(a,user,+r ! w,object_inherit_ace)").front());
    for (const wchar_t* other :
         {L"(b, USER, +r!w, OBJECT_INHERIT_ACE)", L"(a, GROUP, +r!w, OBJECT_INHERIT_ACE)",
          L"(a, USER, -r!w, OBJECT_INHERIT_ACE)", L"(a, USER, +x!w, OBJECT_INHERIT_ACE)",
          L"(a, USER, +r | DELETE!w, OBJECT_INHERIT_ACE)", L"(a, USER, +r!x, OBJECT_INHERIT_ACE)",
          L"(a, USER, +r!w)"})
        EXPECT_NE(entry, parseAclExpression(other).front()) << other;
}

TEST(AclParserTest, BrokenExpressionsThrowTheirClassNearTheToken)
{
    const struct
    {
        const wchar_t* input;
        const char* error;
        const wchar_t* token;
    } cases[] = {
        {L"x", typeid(P::EMissingLeftBrace).name(), L"x"},
        {L"(a,b,+r) Admin", typeid(P::EMissingLeftBrace).name(), L"Admin"},
        {L"(a,b,+r),(c,d,+w)", typeid(P::EMissingLeftBrace).name(), L","},
        {L"(a)", typeid(P::EMissingComma).name(), L""},
        {L"(a, USER)", typeid(P::EMissingComma).name(), L""},
        {L"(a, USER, r)", typeid(P::EBadOperation).name(), L"r"},
        {L"(a, USER, *r)", typeid(P::EBadOperation).name(), L"*"},
        {L"(a, USER, )", typeid(P::EBadOperation).name(), L")"},
        {L"(a, USER, +r", typeid(P::EMissingRightBrace).name(), L""},
        {L"(a, USER, +r, X, Y)", typeid(P::EMissingRightBrace).name(), L","},
        {L"(a, USER, +r,,)", typeid(P::EMissingRightBrace).name(), L","},
        {L"(a,b,+r!w!x)", typeid(P::EMissingRightBrace).name(), L"!"},
        {L"(a,b,+r (c,d,+w)", typeid(P::EMissingRightBrace).name(), L","},
        // U+FFFF is a character like any other, not the end of the input.
        {L"(a,b,+r)\uFFFF(c", typeid(P::EMissingLeftBrace).name(), L"\uFFFF"},
        {L"(a,b\uFFFF", typeid(P::EMissingComma).name(), L""},
    };
    for (const auto& c : cases)
    {
        iastring token;
        EXPECT_EQ(c.error, errorOf(c.input, &token)) << c.input;
        EXPECT_EQ(c.token, token) << c.input;
    }
    int position = 0;
    errorOf(L"(a, USER, +r, X, Y)", nullptr, &position);
    EXPECT_EQ(16, position);
    errorOf(L"(a,b,+r)\uFFFF(c", nullptr, &position);
    EXPECT_EQ(9, position);
}

TEST(AclParserTest, OldLevelsAcceptAMissingClosingBracketWithAWarning)
{
    const iastring twoEntries = L"(a,b,+r (c,USER,-w)";
    {
        CCompatibilityLevel level(641);
        CRecordingLogBook book;
        const CSyACEExpressionList aces = parseAclExpression(twoEntries);
        EXPECT_EQ(L"(a, NONE, +r)(c, USER, -w)", toString(aces));
        const CRecordedLine warning = book.onlyMessage(L"syslib.account.aclMissingRightBrace");
        EXPECT_EQ(CMessage::LOG_WARNING, warning.type);
        EXPECT_EQ(CLogArguments{L"9"}, warning.arguments);

        book.clear();
        EXPECT_EQ(L"(a, NONE, +r!w)", toString(parseAclExpression(L"(a,b,+r!w")));
        EXPECT_EQ(CLogArguments{L"9"}, book.onlyMessage(L"syslib.account.aclMissingRightBrace").arguments);
        // Before an opening bracket the rights end; a special right after "|" still takes it in.
        EXPECT_EQ(L"(a, NONE, + | (X)", toString(parseAclExpression(L"(a,b,+|(X)")));
    }
    {
        CCompatibilityLevel level(642);
        CRecordingLogBook book;
        EXPECT_EQ(typeid(P::EMissingRightBrace).name(), errorOf(twoEntries));
        EXPECT_EQ(typeid(P::EMissingRightBrace).name(), errorOf(L"(a,b,+r!w"));
        EXPECT_TRUE(book.messages(L"syslib.account.aclMissingRightBrace").empty());
    }
}

TEST(AclParserTest, AccountTypeAndOperationTexts)
{
    EXPECT_EQ(L"ACC_UNDEFINED", toString(P::ACC_UNDEFINED));
    EXPECT_EQ(L"NONE", toString(static_cast<P::eAccountType>(7)));
    EXPECT_EQ(L"OP_UNDEFINED", toString(P::OP_UNDEFINED));
    EXPECT_EQ(L"OP_UNDEFINED", toString(static_cast<P::eOperation>(9)));
    CSyACEExpression ace;
    EXPECT_EQ(L"(, ACC_UNDEFINED, OP_UNDEFINED)", ace.toString());
}

TEST(AclParserTest, ReadRightsReadsAllowedAndDeniedAlone)
{
    std::wistringstream input(L" r w | delete ! x | write_dac");
    CSySecurityParser parser(input);
    CSyACEExpression ace;
    parser.readRights(ace);
    EXPECT_EQ(L"rw", ace.m_allowed.getLetters());
    EXPECT_EQ(std::vector<iastring>{L"DELETE"}, ace.m_allowed.getSpecialRights());
    EXPECT_EQ(L"x", ace.m_denied.getLetters());
    EXPECT_EQ(std::vector<iastring>{L"WRITE_DAC"}, ace.m_denied.getSpecialRights());
}
