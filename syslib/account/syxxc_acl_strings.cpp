// Portable code only: the rights letters and the scanner, parser and text form of access-rights
// expressions.
#include "syaclparser.h"
#include "syaclright.h"

#include "framework/iastrutil.h"
#include "syslib/common/syenumio.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"

#include <initializer_list>
#include <sstream>

SY_SOURCE_FILE(L"syxxc_acl_strings")

namespace
{
const iastring g_rights = L"rwxsztog!";

// The letters without the deny operator: what the scanner hands out as one-letter tokens.
const wchar_t* const rightLetters = L"rwxsztog";
// The same white space as stringTrim, so that trimmed names keep their first character when read again.
const wchar_t* const whiteSpace = L" \t\r\n\v\f";
const wchar_t* const singleCharacterTokens = L"(),+-=|!rwxsztog";

bool contains(const wchar_t* set, wchar_t c)
{
    for (; *set; ++set)
        if (*set == c)
            return true;
    return false;
}

void addOnce(std::vector<iastring>& names, const iastring& name)
{
    if (name.empty())
        return;
    for (const iastring& present : names)
        if (present == name)
            return;
    names.push_back(name);
}

iastring joined(const std::vector<iastring>& parts, const wchar_t* separator)
{
    iastring text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? L"" : separator) + parts[i];
    return text;
}
} // namespace

// Function-local constants would be built on first use; these are built when the library loads.
#define SY_RIGHT_CONSTANT(getter, value)                                                               \
    namespace                                                                                          \
    {                                                                                                  \
    const iastring g_##getter = value;                                                                 \
    }                                                                                                  \
    const iastring& ISyACLRight::getter()                                                              \
    {                                                                                                  \
        return g_##getter;                                                                             \
    }
SY_RIGHT_CONSTANT(getREAD, L"r")
SY_RIGHT_CONSTANT(getWRITE, L"w")
SY_RIGHT_CONSTANT(getEXECUTE, L"x")
SY_RIGHT_CONSTANT(getSWITCHUID, L"s")
SY_RIGHT_CONSTANT(getSWITCHGID, L"z")
SY_RIGHT_CONSTANT(getSTICKY, L"t")
SY_RIGHT_CONSTANT(getOWNER, L"o")
SY_RIGHT_CONSTANT(getGROUP, L"g")
SY_RIGHT_CONSTANT(getDENYOP, L"!")
#undef SY_RIGHT_CONSTANT

const iastring& ISyACLRight::getRIGHTS()
{
    return g_rights;
}

bool ISyACLRight::isValid(const iastring& rights)
{
    return rights.find_first_not_of(g_rights) == iastring::npos;
}

std::wostream& operator<<(std::wostream& os, SecurableObjectType value)
{
    static const syslib::CSyEnumName names[] = {
        {COMPATIBLE_FILE, L"COMPATIBLE_FILE"},
        {FILESYSTEM, L"FILESYSTEM"},
        {REGISTRY_KEY, L"REGISTRY_KEY"},
        {SERVICE, L"SERVICE"},
    };
    return syslib::writeEnumName(os, value, names);
}

namespace SyAclStrings
{
CSySecurityScanner::CSySecurityScanner(std::wistream& input) : m_input(input), m_type(END), m_position(0)
{
    next();
}

bool CSySecurityScanner::isSpace(wchar_t c)
{
    return contains(whiteSpace, c);
}

bool CSySecurityScanner::isSingleCharacterToken(wchar_t c)
{
    return contains(singleCharacterTokens, c);
}

// mingw's wint_t has 16 bits, so WEOF is 0xFFFF and the stream's own get() and peek() take U+FFFF in the
// text for the end. The buffer tells the two apart: after sgetc() a character is there exactly when the
// get area is not empty.
bool CSySecurityScanner::peekCharacter(wchar_t& c)
{
    std::wstreambuf* buffer = m_input.good() ? m_input.rdbuf() : nullptr;
    if (!buffer)
        return false;
    const std::wstreambuf::int_type next = buffer->sgetc();
    if (buffer->in_avail() <= 0)
    {
        m_input.setstate(std::ios_base::eofbit);
        return false;
    }
    c = std::wstreambuf::traits_type::to_char_type(next);
    return true;
}

void CSySecurityScanner::next()
{
    m_text.clear();
    wchar_t ch = 0;
    if (!peekCharacter(ch))
    {
        m_type = END;
        return;
    }
    const bool single = isSingleCharacterToken(ch);
    const bool space = isSpace(ch);
    m_type = single ? static_cast<int>(ch) : space ? static_cast<int>(SPACE) : static_cast<int>(WORD);
    do
    {
        m_input.rdbuf()->sbumpc();
        ++m_position;
        m_text += ch;
    } while (!single && peekCharacter(ch) && (space ? isSpace(ch) : !isSpace(ch) && !isSingleCharacterToken(ch)));
}

void CSyRightsExpression::addSpecialRight(const iastring& name)
{
    addOnce(m_specialRights, name);
}

iastring CSyRightsExpression::toString() const
{
    iastring text = m_letters;
    for (const iastring& name : m_specialRights)
        text += L" | " + name;
    return text;
}

iastring toString(CSySecurityParser::eAccountType type)
{
    switch (type)
    {
    case CSySecurityParser::ACC_UNDEFINED:
        return L"ACC_UNDEFINED";
    case CSySecurityParser::USER:
        return L"USER";
    case CSySecurityParser::GROUP:
        return L"GROUP";
    default:
        return L"NONE";
    }
}

iastring toString(CSySecurityParser::eOperation operation)
{
    switch (operation)
    {
    case CSySecurityParser::OP_ADD:
        return L"+";
    case CSySecurityParser::OP_REMOVE:
        return L"-";
    case CSySecurityParser::OP_SET:
        return L"=";
    default:
        return L"OP_UNDEFINED";
    }
}

iastring CSyACEExpression::toString() const
{
    iastring text = L"(" + m_account + L", " + SyAclStrings::toString(m_accountType) + L", " +
                    SyAclStrings::toString(m_operation) + m_allowed.toString();
    if (!m_denied.isEmpty())
        text += L"!" + m_denied.toString();
    if (!m_inheritanceFlags.empty())
        text += L", " + joined(m_inheritanceFlags, L" | ");
    return text + L")";
}

bool CSyACEExpression::operator==(const CSyACEExpression& other) const
{
    return m_account == other.m_account && m_accountType == other.m_accountType &&
           m_operation == other.m_operation && m_allowed == other.m_allowed && m_denied == other.m_denied &&
           m_inheritanceFlags == other.m_inheritanceFlags;
}

iastring toString(const CSyACEExpressionList& aces)
{
    iastring text;
    for (const CSyACEExpression& ace : aces)
        text += ace.toString();
    return text;
}

CSySecurityParser::CSySecurityParser(std::wistream& input)
    : m_scanner(input),
      m_oldBehaviour(CSyslibFactory::getPrivilegedInstance()->getCompatibility() <
                     CSyslibFactory::CURRENT_BEHAVIOUR_LEVEL)
{
}

template <class E>
void CSySecurityParser::fail(int line)
{
    const E error(m_scanner.getPosition(), m_scanner.getText());
    syslib::logBook().log(error.getText() + L" (position " + syslib::toString(error.getPosition()) + L")", line);
    throw error;
}

void CSySecurityParser::skipSpaces()
{
    while (is(CSySecurityScanner::SPACE))
        m_scanner.next();
}

bool CSySecurityParser::isOneOf(std::initializer_list<int> types) const
{
    for (int type : types)
        if (is(type))
            return true;
    return false;
}

iastring CSySecurityParser::readText(std::initializer_list<int> stops)
{
    iastring text;
    while (!isOneOf(stops) && !is(CSySecurityScanner::END))
    {
        text += m_scanner.getText();
        m_scanner.next();
    }
    return text;
}

std::vector<iastring> CSySecurityParser::readWordList(std::initializer_list<int> stops)
{
    std::vector<iastring> words;
    for (;;)
    {
        addOnce(words, stringToUpper(stringTrim(readText(stops))));
        if (!is('|'))
            return words;
        m_scanner.next();
    }
}

CSyACEExpressionList CSySecurityParser::readAclExpression()
{
    SY_TRACE_FUNCTION(L"CSyACEExpressionList SyAclStrings::CSySecurityParser::readAclExpression()");
    CSyACEExpressionList aces;
    skipSpaces();
    while (!is(CSySecurityScanner::END))
    {
        aces.push_back(readAceExpression());
        skipSpaces();
    }
    SY_TRACE_RETURN(toString(aces));
    return aces;
}

CSyACEExpression CSySecurityParser::readAceExpression()
{
    CSyACEExpression ace;
    if (!is('('))
        fail<EMissingLeftBrace>(__LINE__);
    m_scanner.next();
    skipSpaces();
    ace.m_account = stringTrim(readText({','}));

    skipSpaces();
    if (!is(','))
        fail<EMissingComma>(__LINE__);
    m_scanner.next();
    skipSpaces();
    const iastring type = stringToUpper(stringTrim(readText({','})));
    ace.m_accountType = type == L"USER" ? USER : type == L"GROUP" ? GROUP : NONE;

    skipSpaces();
    if (!is(','))
        fail<EMissingComma>(__LINE__);
    m_scanner.next();
    skipSpaces();
    switch (m_scanner.getType())
    {
    case '+':
        ace.m_operation = OP_ADD;
        break;
    case '-':
        ace.m_operation = OP_REMOVE;
        break;
    case '=':
        ace.m_operation = OP_SET;
        break;
    default:
        fail<EBadOperation>(__LINE__);
    }
    m_scanner.next();
    readRights(ace);

    skipSpaces();
    if (m_oldBehaviour && isOneOf({CSySecurityScanner::END, '('}))
    {
        // Older engines wrote entries without their closing bracket.
        syslib::logBook().addArgument(syslib::toString(m_scanner.getPosition()));
        syslib::logBook().message(L"syslib.account.aclMissingRightBrace", CMessage::LOG_WARNING, __LINE__);
        return ace;
    }
    if (is(','))
    {
        m_scanner.next();
        skipSpaces();
        if (!isOneOf({CSySecurityScanner::END, ',', ')'}))
            ace.m_inheritanceFlags = readWordList({'|', ',', ')'});
        skipSpaces();
    }
    if (!is(')'))
        fail<EMissingRightBrace>(__LINE__);
    m_scanner.next();
    return ace;
}

void CSySecurityParser::readRights(CSyACEExpression& ace)
{
    skipSpaces();
    if (!isOneOf({',', CSySecurityScanner::END, '!', ')'}))
        readRightsSet(ace.m_allowed);
    skipSpaces();
    if (is('!'))
    {
        m_scanner.next();
        readRightsSet(ace.m_denied);
    }
}

void CSySecurityParser::readRightsSet(CSyRightsExpression& rights)
{
    skipSpaces();
    while (m_scanner.getType() >= 0 && contains(rightLetters, static_cast<wchar_t>(m_scanner.getType())))
    {
        rights.appendLetters(m_scanner.getText());
        m_scanner.next();
        skipSpaces();
    }
    if (is('|'))
    {
        m_scanner.next();
        skipSpaces();
    }
    else if (isOneOf({'!', ',', ')', CSySecurityScanner::END}) || (m_oldBehaviour && is('(')))
        return;
    for (const iastring& name : readWordList({'|', ',', '!', ')'}))
        rights.addSpecialRight(name);
}

CSyACEExpressionList parseAclExpression(const iastring& expression)
{
    std::wistringstream input(expression);
    CSySecurityParser parser(input);
    return parser.readAclExpression();
}
} // namespace SyAclStrings
