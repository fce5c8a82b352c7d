// Generated and mutated expressions: each one parses or throws a syntax error, and what parses
// comes back unchanged through its text form.
#include "compatibilitylevel.h"
#include "syslib/account/syaclparser.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <typeinfo>

using namespace SyAclStrings;

namespace
{
const wchar_t* const pieces[] = {L"(",    L")", L",", L"+", L"-", L"=", L"|", L"!", L"r", L"w", L"x", L"s", L"z",
                                 L"t",    L"o", L"g", L" ", L"\t", L"\r\n", L"USER", L"group", L"Ad s", L"DELETE",
                                 L"0x1F", L"object_inherit_ace", L"\u00C4\u00DF", L"\u3000", L"\u00A0"};

const wchar_t* const seeds[] = {
    L"(Administrators, GROUP, =rwx)", L"(guest, USER, -w)", L"(a,b,+)",
    L"( x y ,user, = r w x ! o | 0x1F, INHERITED_ACE)",
    L"(SYSTEM, USER, +rw | DELETE ! x, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)"};

// One to three seed entries or runs of pieces, then up to four single-character mutations.
class CExpressionGenerator
{
public:
    explicit CExpressionGenerator(unsigned seed) : m_random(seed) {}

    iastring next()
    {
        iastring text;
        for (int n = 1 + below(3); n > 0; --n)
            text += below(4) ? iastring(seeds[below(5)]) : randomPieces();
        for (int mutations = below(5); mutations > 0 && !text.empty(); --mutations)
        {
            const std::size_t at = below(static_cast<int>(text.size()));
            switch (below(3))
            {
            case 0:
                text.erase(at, 1);
                break;
            case 1:
                text.insert(at, below(2) ? iastring(1, anyCodeUnit()) : iastring(piece()));
                break;
            default:
                text[at] = anyCodeUnit();
            }
        }
        return text;
    }

private:
    int below(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }
    const wchar_t* piece() { return pieces[below(sizeof(pieces) / sizeof(pieces[0]))]; }
    // Half the time a character of the grammar, else any 16-bit code unit, the ones that a stream or a
    // C string may take for an end (NUL, U+FFFF) or that are not characters alone more often than chance.
    wchar_t anyCodeUnit()
    {
        static const wchar_t awkward[] = {L'\0', L'\uFFFF', L'\uFFFE', 0xD800, 0xDC00};
        if (below(2))
            return piece()[0];
        return below(8) ? static_cast<wchar_t>(below(0x10000)) : awkward[below(5)];
    }
    iastring randomPieces()
    {
        iastring text;
        for (int n = below(13); n > 0; --n)
            text += below(5) ? iastring(piece()) : iastring(1, anyCodeUnit());
        return text;
    }

    std::mt19937 m_random;
};

} // namespace

TEST(AclFuzzTest, EveryInputParsesOrThrowsASyntaxErrorAndRoundTrips)
{
    const int count = 300000;
    CExpressionGenerator generator(20240611);
    int parsed = 0;
    std::map<std::string, int> errors;
    for (int i = 0; i < count; ++i)
    {
        CCompatibilityLevel level(i % 2 ? 641 : 999);
        const iastring input = generator.next();
        try
        {
            const CSyACEExpressionList aces = parseAclExpression(input);
            ++parsed;
            CSyACEExpressionList again;
            ASSERT_NO_THROW(again = parseAclExpression(toString(aces))) << toString(aces) << L" from " << input;
            ASSERT_EQ(aces, again) << toString(aces) << L" vs " << toString(again) << L" from " << input;
            // The whole input was read: text after it still counts.
            ASSERT_THROW(parseAclExpression(input + L")("), CSySecurityParser::ESecuritySyntaxError) << input;
        }
        catch (const CSySecurityParser::ESecuritySyntaxError& error)
        {
            ++errors[typeid(error).name()];
            ASSERT_LE(error.getPosition(), static_cast<int>(input.size())) << input;
            ASSERT_EQ(L"Security syntax error in ACL expression near " + error.getToken(), error.getText());
        }
        catch (...)
        {
            FAIL() << "unexpected exception for " << input;
        }
    }
    // The generator must reach every outcome, or the test proves little.
    EXPECT_GT(parsed, count / 10);
    for (const std::type_info* type :
         {&typeid(CSySecurityParser::EMissingLeftBrace), &typeid(CSySecurityParser::EMissingComma),
          &typeid(CSySecurityParser::EBadOperation), &typeid(CSySecurityParser::EMissingRightBrace)})
        EXPECT_GT(errors[type->name()], count / 100) << type->name();
}
